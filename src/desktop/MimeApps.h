#pragma once
// The user's mimeapps.list: the bridge lists its entries under [Added
// Associations] so that GLib-based file managers offer them in "Open With",
// and keeps each type's default application what it was before.
#include "XdgDirs.h"

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tavisk::desktop {

/// A mimeapps.list edited line by line: lines the bridge does not change keep
/// their bytes. Groups and keys are indexed once, so that each lookup and edit
/// costs the same however long the file is. Like GLib, a group that appears
/// twice is one group and a key that appears twice has its last value; an edit
/// sets that last line, and a removal takes every line of the key.
class MimeAppsList final {
public:
    static MimeAppsList parse(const std::string& text);

    bool hasGroup(const std::string& group) const { return m_groups.count(group) != 0; }
    /// The keys of the group, each once, in the order they first appear.
    std::vector<std::string> keys(const std::string& group) const;
    /// The list value of key in group; nothing when absent.
    std::optional<std::vector<std::string>> items(const std::string& group,
                                                  const std::string& key) const;
    /// Sets a list value; an empty list removes the key.
    void setItems(const std::string& group, const std::string& key,
                  const std::vector<std::string>& items);
    void removeGroup(const std::string& group);
    /// Removes the group when nothing but blank lines is left in it.
    void removeGroupIfEmpty(const std::string& group);
    std::string text() const;

private:
    struct Line {
        std::string text;
        std::string key; ///< empty for blanks, comments and lines without "="
        bool removed = false;
    };
    /// One "[group]" header and the lines up to the next one (the lines before
    /// the first header form a section without a header).
    struct Section {
        std::optional<std::string> header; ///< the header line's text
        std::vector<Line> lines;
        bool removed = false;
    };
    struct Place {
        std::size_t section;
        std::size_t line;
    };
    struct GroupIndex {
        std::vector<std::size_t> sections;
        std::vector<std::string> keyOrder;
        std::map<std::string, std::vector<Place>> keys; ///< every line of each key, in order
    };

    void addLine(std::string text);
    /// A blank line after the file's last line, unless that line is blank.
    void separateFromLastLine();
    Line* lastLine(const std::string& group, const std::string& key);

    std::vector<Section> m_sections;
    std::map<std::string, GroupIndex> m_groups;
    bool m_finalNewline = true;
};

inline constexpr const char* AddedGroup = "Added Associations";
inline constexpr const char* DefaultGroup = "Default Applications";
/// Where the bridge records the defaults it set: type to application.
inline constexpr const char* PinnedGroup = "X-Tavisk Pinned Defaults";

/// The default application GLib chooses for a MIME type from every
/// mimeapps.list, defaults.list and mimeinfo.cache of the user and the
/// system, passing over the applications ignore() names.
struct DefaultChoice {
    std::string id;
    bool explicitForType = false; ///< named as this very type's default somewhere
};

/// What GLib consults to choose defaults, read once and kept: the lists of
/// every folder, the MIME database's aliases and subclasses, and which desktop
/// files are installed.
class DefaultLookup final {
public:
    explicit DefaultLookup(XdgDirs dirs);
    ~DefaultLookup();
    DefaultLookup(const DefaultLookup&) = delete;
    DefaultLookup& operator=(const DefaultLookup&) = delete;

    std::optional<DefaultChoice> choose(const std::string& mimeType,
                                        const std::function<bool(const std::string&)>& ignore);

private:
    struct Data;
    std::unique_ptr<Data> m_data;
};

std::optional<DefaultChoice> currentDefault(const XdgDirs& dirs, const std::string& mimeType,
                                            const std::function<bool(const std::string&)>& ignore);

/// Brings the user's list in step: for every type, the ids for which
/// replaceable() is true become exactly wanted[type], added after the ids
/// already there. Then every type whose ids changed here and that lists one of
/// the bridge's ids gets the default it had without them written down, unless
/// that default was chosen explicitly (a line of the user's own [Default
/// Applications] always counts as chosen, even when its application is not
/// installed here), so that offering an entry never changes what opens a file; a
/// default the bridge wrote goes again with its last id unless the user changed
/// it meanwhile. Returns the new text.
using MimeWanted = std::vector<std::pair<std::string, std::vector<std::string>>>;
std::string updateMimeApps(const XdgDirs& dirs, const std::string& oldText,
                           const MimeWanted& wanted,
                           const std::function<bool(const std::string&)>& replaceable);

} // namespace tavisk::desktop

#pragma once
// The user's mimeapps.list: the bridge lists its entries under [Added
// Associations] so that GLib-based file managers offer them in "Open With",
// and keeps each type's default application what it was before.
#include "XdgDirs.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tavisk::desktop {

/// A mimeapps.list edited line by line: lines the bridge does not change keep
/// their bytes.
class MimeAppsList final {
public:
    static MimeAppsList parse(const std::string& text);

    bool hasGroup(const std::string& group) const { return findGroup(group) != std::string::npos; }
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
    /// Index of the group's header line, or npos.
    std::size_t findGroup(const std::string& group) const;
    /// Index past the group's last line.
    std::size_t groupEnd(std::size_t header) const;
    std::size_t findKey(const std::string& group, const std::string& key) const;

    std::vector<std::string> m_lines;
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
std::optional<DefaultChoice> currentDefault(const XdgDirs& dirs, const std::string& mimeType,
                                            const std::function<bool(const std::string&)>& ignore);

/// Brings the user's list in step: for every type, the ids for which
/// replaceable() is true become exactly wanted[type], added after the ids
/// already there. Then every type listing one of the bridge's ids whose default
/// application was not chosen explicitly gets the default it had without them
/// written down, so that offering an entry never changes what opens a file; a
/// default the bridge wrote goes again with its last id unless the user changed
/// it meanwhile. Returns the new text.
using MimeWanted = std::vector<std::pair<std::string, std::vector<std::string>>>;
std::string updateMimeApps(const XdgDirs& dirs, const std::string& oldText,
                           const MimeWanted& wanted,
                           const std::function<bool(const std::string&)>& replaceable);

} // namespace tavisk::desktop

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

/// Brings the user's list in step: for every type, the ids for which
/// replaceable() is true become exactly wanted[type], added after the ids
/// already there. Then every type whose ids changed here and that lists one of
/// the bridge's ids gets the default it had without them written down, unless
/// that default was chosen explicitly (a line of the user's own [Default
/// Applications] always counts as chosen, even when its application is not
/// installed here), so that offering an entry never changes what opens a file; a
/// default the bridge wrote goes again with its last id unless the user changed
/// it meanwhile. Returns the new text; throws FileError when GLib cannot read
/// the old text (then no file manager can, and the bridge leaves it alone).
using MimeWanted = std::vector<std::pair<std::string, std::vector<std::string>>>;
std::string updateMimeApps(const XdgDirs& dirs, const std::string& oldText,
                           const MimeWanted& wanted,
                           const std::function<bool(const std::string&)>& replaceable);

} // namespace tavisk::desktop

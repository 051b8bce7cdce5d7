#include "MimeApps.h"

#include "DesktopEntries.h"
#include "FileUtil.h"
#include "KeyFile.h"
#include "Utf8.h"

#include <algorithm>
#include <map>
#include <set>

namespace tavisk::desktop {
namespace {

/// One folder's lists, as GLib reads them.
struct ListsOfDir {
    std::vector<KeyFile> files; ///< most important first
    std::vector<std::string> cacheIds(const std::string& mime) const;
    std::optional<KeyFile> cache;
};

/// A list GLib would read; nothing for one missing or unreadable.
std::optional<KeyFile> readKeyFile(const std::string& path) {
    try {
        if (auto text = readFile(path))
            return KeyFile::parse(*text);
    } catch (const std::runtime_error&) {
    }
    return std::nullopt;
}

std::vector<std::string> listOf(const KeyFile& file, const char* group, const std::string& key) {
    return file.list(group, key).value_or(std::vector<std::string>{});
}

/// The folders GLib consults, in its order: the user's configuration, the
/// user's applications, the system's configurations, the system's applications.
std::vector<ListsOfDir> listsInOrder(const XdgDirs& dirs) {
    auto configLists = [&](const std::string& dir) {
        ListsOfDir lists;
        for (const auto& desktop : dirs.desktops)
            if (auto file = readKeyFile(dir + "/" + desktop + "-mimeapps.list"))
                lists.files.push_back(std::move(*file));
        if (auto file = readKeyFile(dir + "/mimeapps.list"))
            lists.files.push_back(std::move(*file));
        return lists;
    };
    auto dataLists = [&](const std::string& dir) {
        ListsOfDir lists = configLists(dir + "/applications");
        if (auto file = readKeyFile(dir + "/applications/defaults.list"))
            lists.files.push_back(std::move(*file));
        lists.cache = readKeyFile(dir + "/applications/mimeinfo.cache");
        return lists;
    };
    std::vector<ListsOfDir> order;
    order.push_back(configLists(dirs.configHome));
    order.push_back(dataLists(dirs.dataHome));
    for (const auto& dir : dirs.configDirs)
        order.push_back(configLists(dir));
    for (const auto& dir : dirs.dataDirs)
        order.push_back(dataLists(dir));
    return order;
}

std::vector<std::string> ListsOfDir::cacheIds(const std::string& mime) const {
    return cache ? listOf(*cache, "MIME Cache", mime) : std::vector<std::string>{};
}

/// A MIME database's text file of "name other" lines, from every folder.
std::multimap<std::string, std::string> mimePairs(const XdgDirs& dirs, const char* name) {
    std::multimap<std::string, std::string> pairs;
    std::vector<std::string> roots{dirs.dataHome};
    roots.insert(roots.end(), dirs.dataDirs.begin(), dirs.dataDirs.end());
    for (const auto& root : roots) {
        std::optional<std::string> text;
        try {
            text = readFile(root + "/mime/" + name);
        } catch (const FileError&) {
        }
        std::size_t at = 0;
        while (text && at < text->size()) {
            auto end = text->find('\n', at);
            const std::string line = text->substr(at, end == std::string::npos ? end : end - at);
            at = end == std::string::npos ? text->size() : end + 1;
            const auto blank = line.find(' ');
            if (blank != std::string::npos && !line.empty() && line.front() != '#')
                pairs.emplace(line.substr(0, blank), line.substr(blank + 1));
        }
    }
    return pairs;
}

bool hasBridgeId(const std::vector<std::string>& ids) {
    return std::any_of(ids.begin(), ids.end(),
                       [](const std::string& id) { return isBridgeName(id); });
}

/// Sets the bridge's ids of one type: those replaceable go, wanted ones follow
/// the rest. True when the list changed.
bool setTypeIds(KeyFile& list, const std::string& mime, const std::vector<std::string>& wanted,
                const std::function<bool(const std::string&)>& replaceable) {
    auto ids = listOf(list, AddedGroup, mime);
    std::vector<std::string> kept;
    for (const auto& id : ids)
        if (!replaceable(id) && std::find(wanted.begin(), wanted.end(), id) == wanted.end())
            kept.push_back(id);
    for (const auto& id : ids)
        if (std::find(wanted.begin(), wanted.end(), id) != wanted.end())
            kept.push_back(id);
    for (const auto& id : wanted)
        if (std::find(kept.begin(), kept.end(), id) == kept.end())
            kept.push_back(id);
    if (kept == ids)
        return false;
    if (kept.empty())
        list.removeKey(AddedGroup, mime);
    else
        list.setList(AddedGroup, mime, kept);
    return true;
}

/// Writes down the default the type has without the bridge's ids, unless the
/// user's own list already names one (installed here or not: it is their
/// choice) or the default was chosen explicitly elsewhere.
void pinDefault(DefaultLookup& lookup, KeyFile& list, const std::string& mime) {
    if (list.list(PinnedGroup, mime) || list.list(DefaultGroup, mime))
        return;
    const auto ignore = [](const std::string& id) { return isBridgeName(id); };
    auto choice = lookup.choose(mime, ignore);
    if (!choice || choice->explicitForType)
        return;
    list.setList(DefaultGroup, mime, {choice->id});
    list.setList(PinnedGroup, mime, {choice->id});
}

void unpinDefault(KeyFile& list, const std::string& mime) {
    const auto pinned = list.list(PinnedGroup, mime);
    if (!pinned)
        return;
    if (list.list(DefaultGroup, mime) == pinned)
        list.removeKey(DefaultGroup, mime);
    list.removeKey(PinnedGroup, mime);
}

} // namespace

struct DefaultLookup::Data {
    XdgDirs dirs;
    std::vector<ListsOfDir> order;
    std::multimap<std::string, std::string> aliases;
    std::multimap<std::string, std::string> parents;
    std::map<std::string, bool> installed;

    /// True when a desktop file of that id is in some applications folder.
    bool isInstalled(const std::string& id) {
        auto [known, added] = installed.try_emplace(id, false);
        if (added)
            known->second = findInstalled(id);
        return known->second;
    }

    bool findInstalled(const std::string& id) const {
        std::vector<std::string> roots{dirs.dataHome};
        roots.insert(roots.end(), dirs.dataDirs.begin(), dirs.dataDirs.end());
        for (const auto& root : roots) {
            if (pathKind(root + "/applications/" + id) != PathKind::Missing)
                return true;
            std::string nested = id;
            for (auto dash = nested.find('-'); dash != std::string::npos;
                 dash = nested.find('-', dash + 1)) {
                nested[dash] = '/';
                if (pathKind(root + "/applications/" + nested) != PathKind::Missing)
                    return true;
            }
        }
        return false;
    }

    /// The type, then its ancestors nearest first, as GLib looks them up.
    std::vector<std::string> typeAndAncestors(const std::string& mime) const {
        auto alias = aliases.find(mime);
        std::vector<std::string> chain{alias == aliases.end() ? mime : alias->second};
        for (std::size_t i = 0; i < chain.size(); ++i) {
            auto [first, last] = parents.equal_range(chain[i]);
            for (auto it = first; it != last; ++it)
                if (std::find(chain.begin(), chain.end(), it->second) == chain.end())
                    chain.push_back(it->second);
        }
        return chain;
    }

    std::optional<std::string>
    explicitDefault(const std::string& mime,
                    const std::function<bool(const std::string&)>& ignore) {
        for (const auto& lists : order)
            for (const auto& file : lists.files)
                for (const auto& id : listOf(file, DefaultGroup, mime))
                    if (!ignore(id) && isInstalled(id))
                        return id;
        return std::nullopt;
    }

    std::optional<std::string>
    firstRegistered(const std::string& mime,
                    const std::function<bool(const std::string&)>& ignore) {
        std::set<std::string> removed;
        auto usable = [&](const std::string& id) {
            return !ignore(id) && !removed.count(id) && isInstalled(id);
        };
        for (const auto& lists : order) {
            for (const auto& file : lists.files)
                for (const auto& id : listOf(file, AddedGroup, mime))
                    if (usable(id))
                        return id;
            for (const auto& file : lists.files)
                for (const auto& id : listOf(file, "Removed Associations", mime))
                    removed.insert(id);
            for (const auto& id : lists.cacheIds(mime))
                if (usable(id))
                    return id;
        }
        return std::nullopt;
    }
};

DefaultLookup::DefaultLookup(XdgDirs dirs) : m_data(std::make_unique<Data>()) {
    m_data->order = listsInOrder(dirs);
    m_data->aliases = mimePairs(dirs, "aliases");
    m_data->parents = mimePairs(dirs, "subclasses");
    m_data->dirs = std::move(dirs);
}

DefaultLookup::~DefaultLookup() = default;

std::optional<DefaultChoice>
DefaultLookup::choose(const std::string& mimeType,
                      const std::function<bool(const std::string&)>& ignore) {
    for (const auto& type : m_data->typeAndAncestors(mimeType)) {
        if (auto id = m_data->explicitDefault(type, ignore))
            return DefaultChoice{*id, type == mimeType};
        if (auto id = m_data->firstRegistered(type, ignore))
            return DefaultChoice{*id, false};
    }
    return std::nullopt;
}

std::string updateMimeApps(const XdgDirs& dirs, const std::string& oldText,
                           const MimeWanted& wanted,
                           const std::function<bool(const std::string&)>& replaceable) {
    for (std::size_t at = 0; at < oldText.size();) {
        char32_t c = 0;
        const std::size_t length = registry::decodeUtf8(oldText, at, c);
        if (length == 0)
            throw FileError("it is not valid UTF-8, as key files must be (byte " +
                            std::to_string(at + 1) + "); left alone");
        at += length;
    }
    std::string error;
    auto parsed = KeyFile::parse(oldText, &error);
    if (!parsed)
        throw FileError("GLib cannot read it (" + error + "); left alone");
    if (parsed->hasDuplicateKeys())
        parsed = parsed->rebuilt();
    KeyFile& list = *parsed;
    std::map<std::string, std::vector<std::string>> wantedByType;
    for (const auto& [mime, ids] : wanted) {
        auto& all = wantedByType[mime];
        all.insert(all.end(), ids.begin(), ids.end());
    }
    for (const auto& key : list.keys(AddedGroup))
        wantedByType.try_emplace(key);
    std::vector<std::string> changed;
    for (const auto& [mime, ids] : wantedByType)
        if (setTypeIds(list, mime, ids, replaceable))
            changed.push_back(mime);
    // Untouched, the file keeps its bytes: GLib would write it in its own way.
    if (changed.empty())
        return oldText;
    auto bridged = [&](const std::string& mime) {
        return hasBridgeId(listOf(list, AddedGroup, mime));
    };
    for (const auto& mime : list.keys(PinnedGroup))
        if (!bridged(mime))
            unpinDefault(list, mime);
    // Reading every list and the MIME database is done once, and only when a
    // type's ids changed.
    std::optional<DefaultLookup> lookup;
    for (const auto& mime : changed) {
        if (!bridged(mime))
            continue;
        if (!lookup)
            lookup.emplace(dirs);
        pinDefault(*lookup, list, mime);
    }
    for (const char* group : {PinnedGroup, AddedGroup, DefaultGroup})
        if (list.hasGroup(group) && list.keys(group).empty())
            list.removeGroup(group);
    const std::string text = list.text();
    return text.find_first_not_of(" \t\r\n") == std::string::npos ? std::string() : text;
}

} // namespace tavisk::desktop

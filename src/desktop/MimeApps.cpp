#include "MimeApps.h"

#include "DesktopEntries.h"
#include "FileUtil.h"
#include "KeyFile.h"

#include <algorithm>
#include <map>
#include <set>

namespace tavisk::desktop {
namespace {

std::string trim(const std::string& text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos)
        return "";
    const auto last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

bool isHeader(const std::string& line) {
    const std::string t = trim(line);
    return t.size() >= 2 && t.front() == '[' && t.back() == ']';
}

std::string keyOf(const std::string& line) {
    const auto equals = line.find('=');
    const std::string t = trim(line);
    if (equals == std::string::npos || t.empty() || t.front() == '#')
        return "";
    return trim(line.substr(0, equals));
}

/// One folder's lists, as GLib reads them.
struct ListsOfDir {
    std::vector<KeyFile> files; ///< most important first
    std::vector<std::string> cacheIds(const std::string& mime) const;
    KeyFile cache;
    bool hasCache = false;
};

std::optional<KeyFile> readKeyFile(const std::string& path) {
    try {
        if (auto text = readFile(path))
            return KeyFile::parse(*text);
    } catch (const FileError&) {
    }
    return std::nullopt;
}

/// The folders GLib consults, in its order: the user's configuration, the
/// user's applications, the system's configurations, the system's applications.
std::vector<ListsOfDir> listsInOrder(const XdgDirs& dirs) {
    auto configLists = [&](const std::string& dir) {
        ListsOfDir lists;
        for (const auto& desktop : dirs.desktops)
            if (auto file = readKeyFile(dir + "/" + desktop + "-mimeapps.list"))
                lists.files.push_back(*file);
        if (auto file = readKeyFile(dir + "/mimeapps.list"))
            lists.files.push_back(*file);
        return lists;
    };
    auto dataLists = [&](const std::string& dir) {
        ListsOfDir lists = configLists(dir + "/applications");
        if (auto file = readKeyFile(dir + "/applications/defaults.list"))
            lists.files.push_back(*file);
        if (auto cache = readKeyFile(dir + "/applications/mimeinfo.cache")) {
            lists.cache = *cache;
            lists.hasCache = true;
        }
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
    return hasCache ? cache.list("MIME Cache", mime) : std::vector<std::string>{};
}

/// True when a desktop file of that id is in some applications folder.
bool isInstalled(const XdgDirs& dirs, const std::string& id) {
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

/// The type, then its ancestors nearest first, as GLib looks them up.
std::vector<std::string> typeAndAncestors(const XdgDirs& dirs, const std::string& mime) {
    const auto aliases = mimePairs(dirs, "aliases");
    const auto parents = mimePairs(dirs, "subclasses");
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

std::optional<std::string> explicitDefault(const XdgDirs& dirs,
                                           const std::vector<ListsOfDir>& order,
                                           const std::string& mime,
                                           const std::function<bool(const std::string&)>& ignore) {
    for (const auto& lists : order)
        for (const auto& file : lists.files)
            for (const auto& id : file.list(DefaultGroup, mime))
                if (!ignore(id) && isInstalled(dirs, id))
                    return id;
    return std::nullopt;
}

std::optional<std::string> firstRegistered(const XdgDirs& dirs,
                                           const std::vector<ListsOfDir>& order,
                                           const std::string& mime,
                                           const std::function<bool(const std::string&)>& ignore) {
    std::set<std::string> removed;
    auto usable = [&](const std::string& id) {
        return !ignore(id) && !removed.count(id) && isInstalled(dirs, id);
    };
    for (const auto& lists : order) {
        for (const auto& file : lists.files)
            for (const auto& id : file.list(AddedGroup, mime))
                if (usable(id))
                    return id;
        for (const auto& file : lists.files)
            for (const auto& id : file.list("Removed Associations", mime))
                removed.insert(id);
        for (const auto& id : lists.cacheIds(mime))
            if (usable(id))
                return id;
    }
    return std::nullopt;
}

bool hasBridgeId(const std::vector<std::string>& ids) {
    return std::any_of(ids.begin(), ids.end(),
                       [](const std::string& id) { return isBridgeName(id); });
}

/// Sets the bridge's ids of one type: those replaceable go, wanted ones follow the rest.
void setTypeIds(MimeAppsList& list, const std::string& mime, const std::vector<std::string>& wanted,
                const std::function<bool(const std::string&)>& replaceable) {
    auto ids = list.items(AddedGroup, mime).value_or(std::vector<std::string>{});
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
    if (kept != ids)
        list.setItems(AddedGroup, mime, kept);
}

void pinDefault(const XdgDirs& dirs, MimeAppsList& list, const std::string& mime) {
    if (list.items(PinnedGroup, mime))
        return;
    const auto ignore = [](const std::string& id) { return isBridgeName(id); };
    auto choice = currentDefault(dirs, mime, ignore);
    if (!choice || choice->explicitForType)
        return;
    list.setItems(DefaultGroup, mime, {choice->id});
    list.setItems(PinnedGroup, mime, {choice->id});
}

void unpinDefault(MimeAppsList& list, const std::string& mime) {
    const auto pinned = list.items(PinnedGroup, mime);
    if (!pinned)
        return;
    if (list.items(DefaultGroup, mime) == pinned)
        list.setItems(DefaultGroup, mime, {});
    list.setItems(PinnedGroup, mime, {});
}

} // namespace

MimeAppsList MimeAppsList::parse(const std::string& text) {
    MimeAppsList list;
    std::size_t at = 0;
    while (at < text.size()) {
        auto end = text.find('\n', at);
        if (end == std::string::npos) {
            list.m_lines.push_back(text.substr(at));
            list.m_finalNewline = false;
            break;
        }
        list.m_lines.push_back(text.substr(at, end - at));
        at = end + 1;
    }
    return list;
}

std::size_t MimeAppsList::findGroup(const std::string& group) const {
    for (std::size_t i = 0; i < m_lines.size(); ++i)
        if (isHeader(m_lines[i]) && trim(m_lines[i]) == "[" + group + "]")
            return i;
    return std::string::npos;
}

std::size_t MimeAppsList::groupEnd(std::size_t header) const {
    std::size_t end = header + 1;
    while (end < m_lines.size() && !isHeader(m_lines[end]))
        ++end;
    return end;
}

std::size_t MimeAppsList::findKey(const std::string& group, const std::string& key) const {
    const std::size_t header = findGroup(group);
    if (header == std::string::npos)
        return std::string::npos;
    for (std::size_t i = header + 1; i < groupEnd(header); ++i)
        if (keyOf(m_lines[i]) == key)
            return i;
    return std::string::npos;
}

std::vector<std::string> MimeAppsList::keys(const std::string& group) const {
    std::vector<std::string> names;
    const std::size_t header = findGroup(group);
    if (header == std::string::npos)
        return names;
    for (std::size_t i = header + 1; i < groupEnd(header); ++i)
        if (auto key = keyOf(m_lines[i]); !key.empty())
            names.push_back(key);
    return names;
}

std::optional<std::vector<std::string>> MimeAppsList::items(const std::string& group,
                                                            const std::string& key) const {
    const std::size_t line = findKey(group, key);
    if (line == std::string::npos)
        return std::nullopt;
    return KeyFile::parse("[g]\n" + m_lines[line]).list("g", key);
}

void MimeAppsList::setItems(const std::string& group, const std::string& key,
                            const std::vector<std::string>& items) {
    const std::size_t line = findKey(group, key);
    if (items.empty()) {
        if (line != std::string::npos)
            m_lines.erase(m_lines.begin() + static_cast<long>(line));
        return;
    }
    const std::string text = key + "=" + listValue(items);
    if (line != std::string::npos) {
        m_lines[line] = text;
        return;
    }
    std::size_t header = findGroup(group);
    if (header == std::string::npos) {
        if (!m_lines.empty() && !trim(m_lines.back()).empty())
            m_lines.emplace_back();
        m_lines.push_back("[" + group + "]");
        header = m_lines.size() - 1;
    }
    std::size_t at = groupEnd(header);
    while (at > header + 1 && trim(m_lines[at - 1]).empty())
        --at;
    m_lines.insert(m_lines.begin() + static_cast<long>(at), text);
}

void MimeAppsList::removeGroup(const std::string& group) {
    const std::size_t header = findGroup(group);
    if (header == std::string::npos)
        return;
    std::size_t end = groupEnd(header);
    std::size_t begin = header;
    while (begin > 0 && trim(m_lines[begin - 1]).empty())
        --begin;
    m_lines.erase(m_lines.begin() + static_cast<long>(begin),
                  m_lines.begin() + static_cast<long>(end));
}

void MimeAppsList::removeGroupIfEmpty(const std::string& group) {
    const std::size_t header = findGroup(group);
    if (header == std::string::npos)
        return;
    for (std::size_t i = header + 1; i < groupEnd(header); ++i)
        if (!trim(m_lines[i]).empty())
            return;
    removeGroup(group);
}

std::string MimeAppsList::text() const {
    std::string text;
    for (std::size_t i = 0; i < m_lines.size(); ++i) {
        text += m_lines[i];
        if (i + 1 < m_lines.size() || m_finalNewline)
            text += '\n';
    }
    return text;
}

std::optional<DefaultChoice> currentDefault(const XdgDirs& dirs, const std::string& mimeType,
                                            const std::function<bool(const std::string&)>& ignore) {
    const auto order = listsInOrder(dirs);
    for (const auto& type : typeAndAncestors(dirs, mimeType)) {
        if (auto id = explicitDefault(dirs, order, type, ignore))
            return DefaultChoice{*id, type == mimeType};
        if (auto id = firstRegistered(dirs, order, type, ignore))
            return DefaultChoice{*id, false};
    }
    return std::nullopt;
}

std::string updateMimeApps(const XdgDirs& dirs, const std::string& oldText,
                           const MimeWanted& wanted,
                           const std::function<bool(const std::string&)>& replaceable) {
    MimeAppsList list = MimeAppsList::parse(oldText);
    std::set<std::string> types;
    for (const auto& key : list.keys(AddedGroup))
        types.insert(key);
    for (const auto& [mime, ids] : wanted)
        types.insert(mime);
    for (const auto& mime : types) {
        std::vector<std::string> ids;
        for (const auto& [wantedType, wantedIds] : wanted)
            if (wantedType == mime)
                ids.insert(ids.end(), wantedIds.begin(), wantedIds.end());
        setTypeIds(list, mime, ids, replaceable);
    }
    for (const auto& mime : list.keys(PinnedGroup))
        if (!hasBridgeId(list.items(AddedGroup, mime).value_or(std::vector<std::string>{})))
            unpinDefault(list, mime);
    for (const auto& mime : list.keys(AddedGroup))
        if (hasBridgeId(*list.items(AddedGroup, mime)))
            pinDefault(dirs, list, mime);
    for (const char* group : {PinnedGroup, AddedGroup, DefaultGroup})
        list.removeGroupIfEmpty(group);
    return list.text();
}

} // namespace tavisk::desktop

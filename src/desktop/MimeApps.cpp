#include "MimeApps.h"

#include "DesktopEntries.h"
#include "FileUtil.h"
#include "KeyFile.h"

#include <algorithm>
#include <map>
#include <set>

namespace tavisk::desktop {
namespace {

std::string_view trim(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos)
        return {};
    const auto last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

/// The group a header line opens, or nothing for any other line.
std::optional<std::string> headerName(std::string_view line) {
    const std::string_view t = trim(line);
    if (t.size() < 2 || t.front() != '[' || t.back() != ']')
        return std::nullopt;
    return std::string(t.substr(1, t.size() - 2));
}

std::string keyOf(std::string_view line) {
    const auto equals = line.find('=');
    const std::string_view t = trim(line);
    if (equals == std::string_view::npos || t.empty() || t.front() == '#')
        return "";
    return std::string(trim(line.substr(0, equals)));
}

bool isBlank(const std::string& line) {
    return trim(line).empty();
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
bool setTypeIds(MimeAppsList& list, const std::string& mime, const std::vector<std::string>& wanted,
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
    if (kept == ids)
        return false;
    list.setItems(AddedGroup, mime, kept);
    return true;
}

/// Writes down the default the type has without the bridge's ids, unless the
/// user's own list already names one (installed here or not: it is their
/// choice) or the default was chosen explicitly elsewhere.
void pinDefault(DefaultLookup& lookup, MimeAppsList& list, const std::string& mime) {
    if (list.items(PinnedGroup, mime) || list.items(DefaultGroup, mime))
        return;
    const auto ignore = [](const std::string& id) { return isBridgeName(id); };
    auto choice = lookup.choose(mime, ignore);
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
            list.addLine(text.substr(at));
            list.m_finalNewline = false;
            break;
        }
        list.addLine(text.substr(at, end - at));
        at = end + 1;
    }
    return list;
}

void MimeAppsList::addLine(std::string text) {
    if (auto name = headerName(text)) {
        m_sections.push_back({std::move(text), {}, false});
        m_groups[*name].sections.push_back(m_sections.size() - 1);
        return;
    }
    if (m_sections.empty())
        m_sections.push_back({});
    Section& section = m_sections.back();
    std::string key = section.header ? keyOf(text) : std::string();
    if (!key.empty()) {
        GroupIndex& group = m_groups[*headerName(*section.header)];
        auto& places = group.keys[key];
        if (places.empty())
            group.keyOrder.push_back(key);
        places.push_back({m_sections.size() - 1, section.lines.size()});
    }
    section.lines.push_back({std::move(text), std::move(key), false});
}

void MimeAppsList::separateFromLastLine() {
    for (auto section = m_sections.rbegin(); section != m_sections.rend(); ++section) {
        if (section->removed)
            continue;
        for (auto line = section->lines.rbegin(); line != section->lines.rend(); ++line)
            if (!line->removed) {
                if (!isBlank(line->text))
                    section->lines.push_back({});
                return;
            }
        if (section->header)
            section->lines.push_back({});
        return;
    }
}

MimeAppsList::Line* MimeAppsList::lastLine(const std::string& group, const std::string& key) {
    auto found = m_groups.find(group);
    if (found == m_groups.end())
        return nullptr;
    auto places = found->second.keys.find(key);
    if (places == found->second.keys.end() || places->second.empty())
        return nullptr;
    const Place& place = places->second.back();
    return &m_sections[place.section].lines[place.line];
}

std::vector<std::string> MimeAppsList::keys(const std::string& group) const {
    std::vector<std::string> names;
    auto found = m_groups.find(group);
    if (found == m_groups.end())
        return names;
    for (const auto& key : found->second.keyOrder)
        if (!found->second.keys.at(key).empty())
            names.push_back(key);
    return names;
}

std::optional<std::vector<std::string>> MimeAppsList::items(const std::string& group,
                                                            const std::string& key) const {
    const Line* line = const_cast<MimeAppsList*>(this)->lastLine(group, key);
    if (!line)
        return std::nullopt;
    const std::string_view text = line->text;
    std::string_view raw = text.substr(text.find('=') + 1);
    while (!raw.empty() && (raw.front() == ' ' || raw.front() == '\t'))
        raw.remove_prefix(1);
    while (!raw.empty() && (raw.back() == ' ' || raw.back() == '\t' || raw.back() == '\r'))
        raw.remove_suffix(1);
    return listItems(raw);
}

void MimeAppsList::setItems(const std::string& group, const std::string& key,
                            const std::vector<std::string>& items) {
    if (items.empty()) {
        auto found = m_groups.find(group);
        if (found == m_groups.end())
            return;
        auto places = found->second.keys.find(key);
        if (places == found->second.keys.end())
            return;
        for (const Place& place : places->second)
            m_sections[place.section].lines[place.line].removed = true;
        places->second.clear();
        return;
    }
    const std::string text = key + "=" + listValue(items);
    if (Line* line = lastLine(group, key)) {
        line->text = text;
        return;
    }
    GroupIndex& index = m_groups[group];
    if (index.sections.empty()) {
        separateFromLastLine();
        m_sections.push_back({"[" + group + "]", {}, false});
        index.sections.push_back(m_sections.size() - 1);
    }
    // The new line goes after the group's last line that is not blank.
    const std::size_t sectionIndex = index.sections.back();
    auto& lines = m_sections[sectionIndex].lines;
    std::size_t at = lines.size();
    while (at > 0 && (lines[at - 1].removed || isBlank(lines[at - 1].text)))
        --at;
    std::vector<Line> tail(std::make_move_iterator(lines.begin() + static_cast<long>(at)),
                           std::make_move_iterator(lines.end()));
    lines.resize(at);
    lines.push_back({text, key, false});
    for (auto& moved : tail)
        lines.push_back(std::move(moved));
    // Lines after the insertion that carry keys moved one place on.
    for (auto& [name, places] : index.keys)
        for (Place& place : places)
            if (place.section == sectionIndex && place.line >= at)
                ++place.line;
    auto& places = index.keys[key];
    if (places.empty())
        index.keyOrder.push_back(key);
    places.push_back({sectionIndex, at});
}

void MimeAppsList::removeGroup(const std::string& group) {
    auto found = m_groups.find(group);
    if (found == m_groups.end())
        return;
    for (std::size_t s : found->second.sections) {
        m_sections[s].removed = true;
        // The blank lines that separated it from what came before go with it.
        for (std::size_t before = s; before > 0; --before) {
            Section& previous = m_sections[before - 1];
            if (previous.removed)
                continue;
            for (auto line = previous.lines.rbegin();
                 line != previous.lines.rend() && (line->removed || isBlank(line->text)); ++line)
                line->removed = true;
            break;
        }
    }
    m_groups.erase(found);
}

void MimeAppsList::removeGroupIfEmpty(const std::string& group) {
    auto found = m_groups.find(group);
    if (found == m_groups.end())
        return;
    for (std::size_t s : found->second.sections)
        for (const Line& line : m_sections[s].lines)
            if (!line.removed && !isBlank(line.text))
                return;
    removeGroup(group);
}

std::string MimeAppsList::text() const {
    std::string text;
    for (const Section& section : m_sections) {
        if (section.removed)
            continue;
        if (section.header)
            text += *section.header + '\n';
        for (const Line& line : section.lines)
            if (!line.removed)
                text += line.text + '\n';
    }
    if (!m_finalNewline && !text.empty())
        text.pop_back();
    return text;
}

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
                for (const auto& id : file.list(DefaultGroup, mime))
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

std::optional<DefaultChoice> currentDefault(const XdgDirs& dirs, const std::string& mimeType,
                                            const std::function<bool(const std::string&)>& ignore) {
    return DefaultLookup(dirs).choose(mimeType, ignore);
}

std::string updateMimeApps(const XdgDirs& dirs, const std::string& oldText,
                           const MimeWanted& wanted,
                           const std::function<bool(const std::string&)>& replaceable) {
    MimeAppsList list = MimeAppsList::parse(oldText);
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
    auto bridged = [&](const std::string& mime) {
        return hasBridgeId(list.items(AddedGroup, mime).value_or(std::vector<std::string>{}));
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
        list.removeGroupIfEmpty(group);
    return list.text();
}

} // namespace tavisk::desktop

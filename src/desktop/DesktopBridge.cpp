#include "DesktopBridge.h"

#include "CaseFold.h"
#include "ChangedKeys.h"
#include "EntryFormats.h"
#include "FileUtil.h"
#include "KeyFile.h"
#include "MimeApps.h"
#include "RegistryStore.h"
#include "ThunarActions.h"

#include <algorithm>
#include <iostream>
#include <map>
#include <set>

namespace tavisk::desktop {
namespace {

/// One folder of key files, one file per entry.
struct KeyFileFormat {
    FileManager manager;
    std::string dir;
    std::string extension;
    std::string group; ///< the group that holds the marker
    mode_t mode;
    std::string (*render)(const DesktopEntry&);
};

std::vector<KeyFileFormat> keyFileFormats(const XdgDirs& dirs) {
    return {
        {FileManager::OpenWith, dirs.applicationsDir(), ".desktop", "Desktop Entry", 0644,
         desktopEntryFile},
        {FileManager::Nemo, dirs.nemoActionsDir(), ".nemo_action", "Nemo Action", 0644,
         nemoActionFile},
        // KIO runs service menus only when they are executable.
        {FileManager::Kde, dirs.serviceMenusDir(), ".desktop", "Desktop Entry", 0755,
         serviceMenuFile},
        {FileManager::FileManagerActions, dirs.fileManagerActionsDir(), ".desktop", "Desktop Entry",
         0644, fileManagerActionFile},
    };
}

/// Which entries an operation covers: all of the bridge's, or those of some captions.
struct Scope {
    bool all = false;
    std::set<std::string> prefixes; ///< captionPrefix() of each caption

    bool contains(const std::string& name) const {
        if (all)
            return isBridgeName(name);
        return std::any_of(prefixes.begin(), prefixes.end(),
                           [&](const std::string& prefix) { return isBridgeName(name, prefix); });
    }
};

/// A file at an entry's place: absent, the bridge's own (with its text), or someone else's.
struct Existing {
    enum Kind { Missing, Ours, Foreign } kind = Missing;
    std::string text;
};

Existing inspect(const std::string& path, const std::string& group) {
    switch (pathKind(path)) {
    case PathKind::Missing:
        return {};
    case PathKind::Other:
        return {Existing::Foreign, ""};
    case PathKind::RegularFile:
        break;
    }
    std::string text = readFile(path).value_or("");
    if (KeyFile::parse(text).value(group, VerbKey))
        return {Existing::Ours, std::move(text)};
    return {Existing::Foreign, ""};
}

std::string stem(const std::string& name, const std::string& extension) {
    return name.substr(0, name.size() - extension.size());
}

bool endsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() &&
           text.compare(text.size() - end.size(), end.size(), end) == 0;
}

/// Writes, keeps or refuses one entry's file; true when the bridge's file is there afterwards.
bool placeFile(const KeyFileFormat& format, const DesktopEntry& entry, Outcome& outcome) {
    const std::string path = joinPath(format.dir, entry.id + format.extension);
    try {
        const std::string content = format.render(entry);
        const Existing existing = inspect(path, format.group);
        if (existing.kind == Existing::Foreign) {
            outcome.problems.push_back(
                {format.manager, path, "a file Tavisk did not write has this name; left alone"});
            return false;
        }
        if (existing.kind == Existing::Ours && existing.text == content &&
            fileMode(path, 0) == format.mode)
            return true;
        writeFileAtomically(path, content, format.mode);
        outcome.written.push_back(path);
        return true;
    } catch (const std::exception& error) {
        outcome.problems.push_back({format.manager, path, error.what()});
        return false;
    }
}

void removeStaleFiles(const KeyFileFormat& format, const std::set<std::string>& wanted,
                      const Scope& scope, Outcome& outcome) {
    for (const auto& name : listDir(format.dir)) {
        if (!endsWith(name, format.extension))
            continue;
        const std::string id = stem(name, format.extension);
        if (!scope.contains(id) || wanted.count(id))
            continue;
        const std::string path = joinPath(format.dir, name);
        try {
            if (inspect(path, format.group).kind != Existing::Ours)
                continue;
            removeFile(path);
            outcome.removed.push_back(path);
        } catch (const std::exception& error) {
            outcome.problems.push_back({format.manager, path, error.what()});
        }
    }
}

/// Brings one folder in step; returns the ids whose files are the bridge's afterwards.
std::set<std::string> reconcileKeyFiles(const KeyFileFormat& format,
                                        const std::vector<DesktopEntry>& entries,
                                        const Scope& scope, Outcome& outcome) {
    std::set<std::string> wanted;
    std::set<std::string> present;
    for (const auto& entry : entries) {
        if (entry.mimeTypes.empty())
            continue;
        wanted.insert(entry.id);
        if (placeFile(format, entry, outcome))
            present.insert(entry.id);
    }
    try {
        removeStaleFiles(format, wanted, scope, outcome);
    } catch (const std::exception& error) {
        outcome.problems.push_back({format.manager, format.dir, error.what()});
    }
    return present;
}

/// The uca.xml to start from: the user's, else the system's (as Thunar itself
/// does, so that its standard actions stay), else an empty one.
ThunarActionsFile thunarBase(const XdgDirs& dirs, const std::optional<std::string>& userText) {
    if (userText) {
        if (userText->find_first_not_of(" \t\r\n") == std::string::npos)
            return ThunarActionsFile::empty();
        return ThunarActionsFile::parse(*userText);
    }
    for (const auto& dir : dirs.configDirs) {
        try {
            if (auto text = readFile(dir + "/Thunar/uca.xml"))
                return ThunarActionsFile::parse(*text);
        } catch (const std::exception&) {
        }
    }
    return ThunarActionsFile::empty();
}

std::vector<std::pair<std::string, std::string>>
thunarWanted(const std::vector<DesktopEntry>& entries, const std::string& path, Outcome& outcome) {
    std::vector<std::pair<std::string, std::string>> wanted;
    for (const auto& entry : entries) {
        if (thunarPatterns(entry).empty())
            continue;
        try {
            wanted.emplace_back(entry.id, thunarAction(entry));
        } catch (const FormatError& error) {
            outcome.problems.push_back({FileManager::Thunar, path + "#" + entry.id,
                                        std::string("not written: ") + error.what()});
        }
    }
    return wanted;
}

/// True when the file already holds exactly this action.
bool holdsAction(const ThunarActionsFile& file, const std::string& id, const std::string& xml) {
    return std::any_of(file.actions().begin(), file.actions().end(), [&](const auto& action) {
        return action.uniqueId == id &&
               file.text().compare(action.begin, action.end - action.begin, xml) == 0;
    });
}

void reconcileThunar(const XdgDirs& dirs, const std::vector<DesktopEntry>& entries,
                     const Scope& scope, Outcome& outcome) {
    const std::string path = dirs.thunarActionsFile();
    try {
        const auto wanted = thunarWanted(entries, path, outcome);
        const auto userText = readFile(path);
        const ThunarActionsFile base = thunarBase(dirs, userText);
        std::set<std::string> wantedIds;
        for (const auto& [id, xml] : wanted)
            wantedIds.insert(id);
        std::vector<std::string> removed;
        auto remove = [&](const std::string& id) {
            const bool stale = scope.contains(id) && !wantedIds.count(id);
            if (stale)
                removed.push_back(path + "#" + id);
            return stale;
        };
        const std::string text = base.merged(remove, wanted);
        if ((userText && text == *userText) || (!userText && wanted.empty()))
            return;
        writeFileAtomically(path, text, fileMode(path, 0644));
        for (const auto& [id, xml] : wanted)
            if (!holdsAction(base, id, xml))
                outcome.written.push_back(path + "#" + id);
        outcome.removed.insert(outcome.removed.end(), removed.begin(), removed.end());
    } catch (const std::exception& error) {
        outcome.problems.push_back({FileManager::Thunar, path, error.what()});
    }
}

void reconcileMimeApps(const XdgDirs& dirs, const std::vector<DesktopEntry>& entries,
                       const std::set<std::string>& offered, const Scope& scope, Outcome& outcome) {
    const std::string path = dirs.mimeAppsFile();
    try {
        MimeWanted wanted;
        for (const auto& entry : entries)
            if (offered.count(entry.id))
                for (const auto& mime : entry.mimeTypes)
                    wanted.push_back({mime, {entry.id + ".desktop"}});
        auto replaceable = [&](const std::string& id) {
            if (!endsWith(id, ".desktop") || !scope.contains(stem(id, ".desktop")))
                return false;
            return inspect(joinPath(dirs.applicationsDir(), id), "Desktop Entry").kind !=
                   Existing::Foreign;
        };
        const std::string oldText = readFile(path).value_or("");
        const std::string text = updateMimeApps(dirs, oldText, wanted, replaceable);
        if (text == oldText)
            return;
        writeFileAtomically(path, text, fileMode(path, 0644));
        outcome.written.push_back(path);
    } catch (const std::exception& error) {
        outcome.problems.push_back({FileManager::OpenWith, path, error.what()});
    }
}

Outcome reconcile(const XdgDirs& dirs, const std::vector<DesktopEntry>& entries,
                  const Scope& scope) {
    FileLock lock(dirs.lockFile());
    Outcome outcome;
    std::set<std::string> offered;
    for (const auto& format : keyFileFormats(dirs)) {
        auto present = reconcileKeyFiles(format, entries, scope, outcome);
        if (format.manager == FileManager::OpenWith)
            offered = std::move(present);
    }
    reconcileThunar(dirs, entries, scope, outcome);
    reconcileMimeApps(dirs, entries, offered, scope, outcome);
    return outcome;
}

/// What the bridge's own files say about a caption: its spelling and the
/// registry types its entries came from.
struct Record {
    std::string caption;
    std::vector<std::string> types;
};

std::vector<Record> readRecords(const XdgDirs& dirs) {
    std::vector<Record> records;
    for (const auto& format : keyFileFormats(dirs)) {
        std::vector<std::string> names;
        try {
            names = listDir(format.dir);
        } catch (const FileError&) {
            continue;
        }
        for (const auto& name : names) {
            if (!isBridgeName(name) || !endsWith(name, format.extension))
                continue;
            try {
                const Existing file = inspect(joinPath(format.dir, name), format.group);
                if (file.kind != Existing::Ours)
                    continue;
                const KeyFile keys = KeyFile::parse(file.text);
                records.push_back({keys.value(format.group, VerbKey).value_or(""),
                                   keys.list(format.group, TypesKey)});
            } catch (const std::exception&) {
            }
        }
    }
    return records;
}

bool listsType(const Record& record, const std::string& type) {
    return std::any_of(record.types.begin(), record.types.end(),
                       [&](const std::string& t) { return sameName(t, type); });
}

/// Caption (folded) to the types whose verbs of that caption must be read again.
using Candidates = std::map<std::string, std::set<std::string>>;

Candidates candidatesOf(const std::vector<VerbChange>& changes,
                        const std::vector<Record>& records) {
    Candidates candidates;
    for (const auto& change : changes) {
        if (change.caption) {
            candidates[foldCase(*change.caption)].insert(change.type);
            continue;
        }
        if (!change.type.empty())
            for (const auto& verb : verbsOfType(change.type))
                candidates[foldCase(verb.caption)].insert(change.type);
        for (const auto& record : records)
            if (change.type.empty() || listsType(record, change.type))
                candidates[foldCase(record.caption)].insert(change.type);
    }
    for (const auto& record : records) {
        auto found = candidates.find(foldCase(record.caption));
        if (found != candidates.end())
            found->second.insert(record.types.begin(), record.types.end());
    }
    return candidates;
}

std::vector<ShellVerb> verbsOfCandidates(const Candidates& candidates) {
    std::map<std::string, std::vector<ShellVerb>> byType;
    std::vector<ShellVerb> verbs;
    for (const auto& [caption, types] : candidates) {
        std::set<std::string> seen;
        for (const auto& type : types) {
            if (type.empty() || !seen.insert(foldCase(type)).second)
                continue;
            auto [it, added] = byType.try_emplace(foldCase(type));
            if (added)
                it->second = verbsOfType(type);
            for (const auto& verb : it->second)
                if (foldCase(verb.caption) == caption)
                    verbs.push_back(verb);
        }
    }
    return verbs;
}

/// The type map of the last read, kept between changes: reading it takes a pass
/// over every extension key. Changes made in this process that may alter it
/// drop it; another process's changes to extension keys reach it with the next
/// full read (sync, list).
std::optional<TypeMap>& cachedTypeMap() {
    static std::optional<TypeMap> map;
    return map;
}

const TypeMap& freshTypeMap() {
    cachedTypeMap() = TypeMap::read();
    return *cachedTypeMap();
}

/// An extension that names another MIME type or class changes the entries of
/// the verbs on what it named before and on what it names now.
void addMappingChanges(const std::vector<std::string>& extensions,
                       std::vector<VerbChange>& changes) {
    const bool typeAddedOrDeleted = std::any_of(changes.begin(), changes.end(),
                                                [](const VerbChange& c) { return c.type.empty(); });
    if (extensions.empty() && !typeAddedOrDeleted)
        return;
    auto addNames = [&](const std::pair<std::string, std::string>& names) {
        for (const auto& name : {names.first, names.second})
            if (!name.empty())
                changes.push_back({name, std::nullopt});
    };
    for (const auto& extension : extensions)
        if (cachedTypeMap())
            addNames(cachedTypeMap()->namesOf(extension));
    const TypeMap& now = freshTypeMap();
    for (const auto& extension : extensions)
        addNames(now.namesOf(extension));
}

const TypeMap& typeMap() {
    return cachedTypeMap() ? *cachedTypeMap() : freshTypeMap();
}

std::vector<std::string> presentFiles(const XdgDirs& dirs, const DesktopEntry& entry,
                                      const ThunarActionsFile* thunar) {
    std::vector<std::string> files;
    for (const auto& format : keyFileFormats(dirs)) {
        const std::string path = joinPath(format.dir, entry.id + format.extension);
        try {
            if (inspect(path, format.group).kind == Existing::Ours)
                files.push_back(path);
        } catch (const std::exception&) {
        }
    }
    if (thunar)
        for (const auto& action : thunar->actions())
            if (action.uniqueId == entry.id)
                files.push_back(dirs.thunarActionsFile() + "#" + entry.id);
    return files;
}

} // namespace

std::string fileManagerName(FileManager manager) {
    switch (manager) {
    case FileManager::OpenWith:
        return "Open With";
    case FileManager::Nemo:
        return "Nemo";
    case FileManager::Kde:
        return "KDE";
    case FileManager::Thunar:
        return "Thunar";
    case FileManager::FileManagerActions:
        return "Caja/PCManFM-Qt";
    }
    return "?";
}

std::string describe(const Problem& problem) {
    std::string text = fileManagerName(problem.manager) + ": ";
    if (problem.message.find(problem.path) == std::string::npos)
        text += problem.path + ": ";
    return text + problem.message;
}

DesktopBridge::DesktopBridge() : m_dirs(XdgDirs::fromEnvironment()) {}

DesktopBridge::DesktopBridge(XdgDirs dirs) : m_dirs(std::move(dirs)) {}

Outcome DesktopBridge::sync() {
    const EntrySet set = buildEntries(allVerbs(), freshTypeMap());
    return reconcile(m_dirs, set.entries, Scope{true, {}});
}

Outcome DesktopBridge::clean() {
    return reconcile(m_dirs, {}, Scope{true, {}});
}

Outcome DesktopBridge::update(const std::vector<std::string>& changedKeys) {
    auto changes = verbChanges(changedKeys);
    addMappingChanges(changedExtensions(changedKeys), changes);
    if (changes.empty())
        return {};
    const Candidates candidates = candidatesOf(changes, readRecords(m_dirs));
    if (candidates.empty())
        return {};
    Scope scope;
    for (const auto& [caption, types] : candidates)
        scope.prefixes.insert(captionPrefix(caption));
    const EntrySet set = buildEntries(verbsOfCandidates(candidates), typeMap());
    return reconcile(m_dirs, set.entries, scope);
}

Listing DesktopBridge::list() {
    EntrySet set = buildEntries(allVerbs(), freshTypeMap());
    std::optional<ThunarActionsFile> thunar;
    try {
        if (auto text = readFile(m_dirs.thunarActionsFile()))
            thunar = ThunarActionsFile::parse(*text);
    } catch (const std::exception&) {
    }
    Listing listing;
    for (auto& entry : set.entries) {
        auto files = presentFiles(m_dirs, entry, thunar ? &*thunar : nullptr);
        listing.entries.push_back({std::move(entry), std::move(files)});
    }
    listing.skipped = std::move(set.skipped);
    return listing;
}

void installBridge(ProblemReporter report) {
    if (!report)
        report = [](const std::string& message) { std::cerr << message << '\n'; };
    registry::setChangeListener([report](const std::vector<std::string>& changedKeys) {
        try {
            for (const auto& problem : DesktopBridge().update(changedKeys).problems)
                report(describe(problem));
        } catch (const std::exception& error) {
            report(std::string("file manager menus: ") + error.what());
        }
    });
}

void uninstallBridge() {
    registry::setChangeListener({});
}

} // namespace tavisk::desktop

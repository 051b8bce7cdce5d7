#include "DesktopBridge.h"

#include "CaseFold.h"
#include "ChangedKeys.h"
#include "Diagnosis.h"
#include "EntryFormats.h"
#include "FileUtil.h"
#include "KeyFile.h"
#include "MimeApps.h"
#include "NautilusMenu.h"
#include "ProgramIcons.h"
#include "RegistryStore.h"
#include "SyncState.h"
#include "ThunarActions.h"

#include <algorithm>
#include <iostream>
#include <map>
#include <set>
#include <unordered_map>
#include <unordered_set>

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
        const std::string prefix = captionPrefixOf(name);
        return !prefix.empty() && prefixes.count(prefix) != 0;
    }
};

/// A file at an entry's place: absent, the bridge's own (with its text and
/// mode), or someone else's (also a link or anything but a regular file).
struct Existing {
    enum Kind { Missing, Ours, Foreign } kind = Missing;
    std::string text;
    mode_t mode = 0;
};

Existing inspect(const std::string& path, const std::string& group,
                 const std::string* expected = nullptr) {
    std::optional<RegularFile> file;
    try {
        file = readRegularFile(path);
    } catch (const NotRegularFile&) {
        return {Existing::Foreign, "", 0};
    }
    if (!file)
        return {};
    // What the bridge would write carries its marker: the same bytes are its own.
    // An empty file holds nothing of anyone's: one the bridge wrote just
    // before a crash, before the system had its bytes.
    if ((expected && file->text == *expected) || file->text.empty())
        return {Existing::Ours, std::move(file->text), file->mode};
    const auto keys = KeyFile::parse(file->text);
    if (keys && keys->value(group, VerbKey))
        return {Existing::Ours, std::move(file->text), file->mode};
    return {Existing::Foreign, "", 0};
}

std::string stem(const std::string& name, const std::string& extension) {
    return name.substr(0, name.size() - extension.size());
}

bool endsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() &&
           text.compare(text.size() - end.size(), end.size(), end) == 0;
}

/// The files of one reconcile, replaced together at its end; in a dry run
/// only the names are kept. A full sync also keeps what it left in each file
/// (state), so that the next one passes over files nobody touched.
struct Writes {
    bool dryRun = false;
    FileBatch batch;
    std::map<std::string, FileManager> managers; ///< staged path to its file manager
    std::optional<SyncState> state;
    std::unordered_map<std::string, std::string> digests;  ///< inputsDigest() by entry id
    std::vector<std::pair<std::string, std::string>> kept; ///< path and digest, for state

    /// The entry's digest; empty without a state.
    std::string digest(const DesktopEntry& entry) {
        if (!state)
            return {};
        auto [it, added] = digests.try_emplace(entry.id);
        if (added)
            it->second = inputsDigest(entry);
        return it->second;
    }

    /// True (and the file kept) when it is as the last sync left it.
    bool unchanged(const std::string& path, const std::string& digest) {
        if (!state || !state->unchanged(path, digest))
            return false;
        state->carry(path);
        return true;
    }
    /// The file at path holds (or will, once committed) what digest renders.
    void keep(const std::string& path, const std::string& digest) {
        if (state)
            kept.emplace_back(path, digest);
    }

    void stage(FileManager manager, const std::string& path, const std::string& content,
               mode_t mode, FileBatch::Durability durability = FileBatch::Durability::Synced) {
        if (!dryRun)
            batch.stage(path, content, mode, durability);
        managers[path] = manager;
    }

    /// Puts the files in place; the names reported written for a file that
    /// could not be (the file, or "file#id") become a problem instead.
    void commit(Outcome& outcome) {
        batch.commit([&](const std::string& path, const std::string& message) {
            auto& written = outcome.written;
            written.erase(std::remove_if(written.begin(), written.end(),
                                         [&](const std::string& name) {
                                             return name == path || name.rfind(path + "#", 0) == 0;
                                         }),
                          written.end());
            outcome.problems.push_back({managers[path], path, message});
        });
        if (!state)
            return;
        std::set<std::string> failed;
        for (const auto& problem : outcome.problems)
            failed.insert(problem.path);
        for (const auto& [path, digest] : kept)
            if (!failed.count(path))
                state->remember(path, digest);
        state->save();
    }
};

/// Writes, keeps or refuses one entry's file; true when the bridge's file is there afterwards.
bool placeFile(const KeyFileFormat& format, const DesktopEntry& entry, Writes& writes,
               Outcome& outcome) {
    const std::string path = joinPath(format.dir, entry.id + format.extension);
    try {
        const mode_t wanted = withUmask(format.mode);
        const std::string digest = writes.digest(entry) + std::to_string(wanted);
        if (writes.unchanged(path, digest))
            return true;
        const std::string content = format.render(entry);
        const Existing existing = inspect(path, format.group, &content);
        if (existing.kind == Existing::Foreign) {
            outcome.problems.push_back(
                {format.manager, path, "a file Tavisk did not write has this name; left alone"});
            return false;
        }
        writes.keep(path, digest);
        if (existing.kind == Existing::Ours && existing.text == content && existing.mode == wanted)
            return true;
        writes.stage(format.manager, path, content, wanted, FileBatch::Durability::Regenerable);
        outcome.written.push_back(path);
        return true;
    } catch (const std::exception& error) {
        outcome.problems.push_back({format.manager, path, error.what()});
        return false;
    }
}

void removeStaleFiles(const KeyFileFormat& format, const std::set<std::string>& wanted,
                      const Scope& scope, bool dryRun, Outcome& outcome) {
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
            if (!dryRun)
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
                                        const Scope& scope, Writes& writes, Outcome& outcome) {
    std::set<std::string> wanted;
    std::set<std::string> present;
    for (const auto& entry : entries) {
        if (entry.mimeTypes.empty())
            continue;
        wanted.insert(entry.id);
        if (placeFile(format, entry, writes, outcome))
            present.insert(entry.id);
    }
    try {
        removeStaleFiles(format, wanted, scope, writes.dryRun, outcome);
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

/// Merges the entries into uca.xml; returns the ids whose actions it holds
/// afterwards (none when a full sync passed over the file).
std::set<std::string> reconcileThunar(const XdgDirs& dirs, const std::vector<DesktopEntry>& entries,
                                      const Scope& scope, const std::string& digest, Writes& writes,
                                      Outcome& outcome) {
    const std::string path = dirs.thunarActionsFile();
    if (writes.unchanged(path, digest))
        return {}; // only a full sync has a state, and it asks for no ids
    const std::size_t problemsBefore = outcome.problems.size();
    // Kept only when nothing went wrong, so that the next sync says it again.
    const auto keep = [&] {
        if (outcome.problems.size() == problemsBefore)
            writes.keep(path, digest);
    };
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
        if ((userText && text == *userText) || (!userText && wanted.empty())) {
            keep();
            return wantedIds;
        }
        writes.stage(FileManager::Thunar, path, text, fileMode(path, withUmask(0644)));
        for (const auto& [id, xml] : wanted)
            if (!holdsAction(base, id, xml))
                outcome.written.push_back(path + "#" + id);
        outcome.removed.insert(outcome.removed.end(), removed.begin(), removed.end());
        keep();
        return wantedIds;
    } catch (const std::exception& error) {
        outcome.problems.push_back({FileManager::Thunar, path, error.what()});
        return {};
    }
}

void reconcileMimeApps(const XdgDirs& dirs, const std::vector<DesktopEntry>& entries,
                       const std::set<std::string>& offered, const Scope& scope,
                       const std::string& digest, Writes& writes, Outcome& outcome) {
    const std::string path = dirs.mimeAppsFile();
    if (writes.unchanged(path, digest))
        return;
    try {
        MimeWanted wanted;
        for (const auto& entry : entries)
            if (offered.count(entry.id))
                for (const auto& mime : entry.mimeTypes)
                    wanted.push_back({mime, {entry.id + ".desktop"}});
        std::map<std::string, bool> known; // an id is listed under many types
        auto replaceable = [&](const std::string& id) {
            if (!endsWith(id, ".desktop") || !scope.contains(stem(id, ".desktop")))
                return false;
            auto [it, added] = known.try_emplace(id, false);
            if (added)
                it->second = inspect(joinPath(dirs.applicationsDir(), id), "Desktop Entry").kind !=
                             Existing::Foreign;
            return it->second;
        };
        const std::string oldText = readFile(path).value_or("");
        const std::string text = updateMimeApps(dirs, oldText, wanted, replaceable);
        writes.keep(path, digest);
        if (text == oldText)
            return;
        writes.stage(FileManager::OpenWith, path, text, fileMode(path, withUmask(0644)));
        outcome.written.push_back(path);
    } catch (const std::exception& error) {
        outcome.problems.push_back({FileManager::OpenWith, path, error.what()});
    }
}

/// The Nautilus extension and its data file, passed over when both are as the
/// last full sync left them.
void reconcileNautilusFiles(const XdgDirs& dirs, const std::vector<DesktopEntry>& entries,
                            const Scope& scope, const std::string& digest, Writes& writes,
                            Outcome& outcome) {
    const std::string dir = dirs.nautilusExtensionsDir();
    const std::string files[] = {joinPath(dir, NautilusEntriesName),
                                 joinPath(dir, NautilusExtensionName)};
    if (writes.unchanged(files[0], digest) && writes.unchanged(files[1], digest))
        return;
    const std::size_t problemsBefore = outcome.problems.size();
    reconcileNautilus(
        dirs, entries, [&](const std::string& id) { return scope.contains(id); },
        [&](const std::string& path, const std::string& content, mode_t mode) {
            writes.stage(FileManager::Nautilus, path, content, mode,
                         FileBatch::Durability::Regenerable);
        },
        [&](const std::string& path) {
            if (!writes.dryRun)
                removeFile(path);
        },
        outcome);
    if (outcome.problems.size() == problemsBefore)
        for (const auto& file : files)
            writes.keep(file, digest);
}

/// The files (and "uca.xml#id") of the bridge's present for each entry id.
using PresentFiles = std::map<std::string, std::vector<std::string>>;

/// The entries with the icons of the applications that run their programs.
std::vector<DesktopEntry> withIcons(const XdgDirs& dirs, std::vector<DesktopEntry> entries) {
    ProgramIcons icons(dirs);
    for (auto& entry : entries)
        entry.icon = icons.iconFor(entry.command.program);
    return entries;
}

Outcome reconcile(const XdgDirs& dirs, const std::vector<DesktopEntry>& givenEntries,
                  const Scope& scope, bool dryRun = false, PresentFiles* present = nullptr) {
    std::optional<FileLock> lock;
    if (!dryRun)
        lock.emplace(dirs.lockFile());
    Outcome outcome;
    Writes writes;
    writes.dryRun = dryRun;
    const std::vector<DesktopEntry> entries = withIcons(dirs, givenEntries);
    // A full sync passes over the files that are as it left them last time.
    std::string entriesDigest;
    if (scope.all && !dryRun) {
        writes.state.emplace(dirs.stateFile());
        for (const auto& entry : entries)
            entriesDigest += writes.digest(entry);
    }
    std::set<std::string> offered;
    for (const auto& format : keyFileFormats(dirs)) {
        auto ids = reconcileKeyFiles(format, entries, scope, writes, outcome);
        if (present)
            for (const auto& id : ids)
                (*present)[id].push_back(joinPath(format.dir, id + format.extension));
        if (format.manager == FileManager::OpenWith)
            offered = std::move(ids);
    }
    const auto digestOf = [&](const std::string& what) {
        return writes.state ? textDigest(what + entriesDigest) : std::string();
    };
    for (const auto& id :
         reconcileThunar(dirs, entries, scope, digestOf("uca.xml"), writes, outcome))
        if (present)
            (*present)[id].push_back(dirs.thunarActionsFile() + "#" + id);
    std::string offeredIds = "mimeapps.list";
    for (const auto& id : offered)
        offeredIds += id + "\n";
    reconcileMimeApps(dirs, entries, offered, scope, digestOf(offeredIds), writes, outcome);
    const std::string nautilus = haveNautilusPython(dirs) ? "nautilus-python" : "nautilus";
    reconcileNautilusFiles(dirs, entries, scope, digestOf(nautilus + nautilusExtensionSource()),
                           writes, outcome);
    if (!dryRun) {
        writes.commit(outcome);
        outcome.notices = restartNotices(dirs, outcome);
    }
    return outcome;
}

/// The captions (folded) whose entries the changes may alter: those of the
/// changed verbs, and those of every verb on a type that a changed extension
/// named before (previous) or names now.
std::set<std::string> changedCaptions(const std::vector<std::string>& changedKeys,
                                      const TypeMap* previous, const TypeMap& now) {
    std::set<std::string> captions;
    for (const auto& change : verbChanges(changedKeys))
        if (change.caption)
            captions.insert(foldCase(*change.caption));
    std::set<std::string> types;
    for (const auto& extension : changedExtensions(changedKeys)) {
        types.insert(extension);
        for (const TypeMap* map : {previous, &now}) {
            if (!map)
                continue;
            const auto [mimeType, className] = map->namesOf(extension);
            for (const auto& name : {mimeType, className})
                if (!name.empty())
                    types.insert(name);
        }
    }
    for (const auto& type : types)
        for (const auto& verb : verbsOfType(type))
            captions.insert(foldCase(verb.caption));
    return captions;
}

std::optional<ThunarActionsFile> readThunarActions(const XdgDirs& dirs) {
    try {
        if (auto text = readFile(dirs.thunarActionsFile()))
            return ThunarActionsFile::parse(*text);
    } catch (const std::exception&) {
    }
    return std::nullopt;
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
    case FileManager::Nautilus:
        return "Nautilus";
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
    const EntrySet set = buildEntries(allVerbs(), TypeMap::read());
    return reconcile(m_dirs, set.entries, Scope{true, {}});
}

Outcome DesktopBridge::clean() {
    return reconcile(m_dirs, {}, Scope{true, {}});
}

Outcome DesktopBridge::update(const std::vector<std::string>& changedKeys,
                              const TypeMap* previous) {
    return update(changedKeys, previous, TypeMap::read());
}

Outcome DesktopBridge::update(const std::vector<std::string>& changedKeys, const TypeMap* previous,
                              const TypeMap& now) {
    const std::set<std::string> captions = changedCaptions(changedKeys, previous, now);
    if (captions.empty())
        return {};
    Scope scope;
    for (const auto& caption : captions)
        scope.prefixes.insert(captionPrefix(caption));
    const EntrySet set = buildEntries(verbsOfCaptions(captions), now);
    PresentFiles present;
    Outcome outcome = reconcile(m_dirs, set.entries, scope, false, &present);
    if (set.entries.empty())
        return outcome;
    // The user hears at once why an entry just written may not show; that
    // comes before a file manager to restart.
    const Diagnosis diagnosis(m_dirs, Diagnosis::WithoutRestart);
    std::vector<std::string> notices;
    for (const auto& entry : set.entries) {
        const ListedEntry listed{entry, present[entry.id], {}};
        for (const auto& problem : diagnosis.problems(listed))
            notices.push_back(entry.caption + ": " + problem);
    }
    notices.insert(notices.end(), outcome.notices.begin(), outcome.notices.end());
    outcome.notices = std::move(notices);
    return outcome;
}

Outcome DesktopBridge::check() {
    const EntrySet set = buildEntries(allVerbs(), TypeMap::read());
    return reconcile(m_dirs, set.entries, Scope{true, {}}, true);
}

Listing DesktopBridge::list() {
    EntrySet set = buildEntries(allVerbs(), TypeMap::read());
    const Outcome wouldDo = reconcile(m_dirs, set.entries, Scope{true, {}}, true);
    std::set<std::string> drifted(wouldDo.written.begin(), wouldDo.written.end());
    const auto thunar = readThunarActions(m_dirs);
    const Diagnosis diagnosis(m_dirs);
    const auto nautilusIds = nautilusEntryIds(m_dirs);
    Listing listing;
    for (auto& entry : set.entries) {
        ListedEntry listed{std::move(entry), {}, {}};
        listed.files = presentFiles(m_dirs, listed.entry, thunar ? &*thunar : nullptr);
        if (std::find(nautilusIds.begin(), nautilusIds.end(), listed.entry.id) != nautilusIds.end())
            listed.files.push_back(joinPath(m_dirs.nautilusExtensionsDir(), NautilusEntriesName) +
                                   "#" + listed.entry.id);
        std::vector<std::string> drift;
        for (auto it = drifted.begin(); it != drifted.end();)
            if (it->find(listed.entry.id) != std::string::npos) {
                drift.push_back(*it);
                it = drifted.erase(it);
            } else {
                ++it;
            }
        listed.problems = diagnosis.problems(listed, drift);
        listing.entries.push_back(std::move(listed));
    }
    for (const auto& file : drifted)
        listing.problems.push_back("drift: " + file +
                                   " differs from the registry (a sync repairs it)");
    for (const auto& file : wouldDo.removed)
        listing.problems.push_back("stale: " + file + " (its verb is gone; a sync removes it)");
    for (const auto& problem : wouldDo.problems)
        listing.problems.push_back(describe(problem));
    for (auto& problem : diagnosis.general())
        listing.problems.push_back(std::move(problem));
    listing.skipped = std::move(set.skipped);
    return listing;
}

namespace {

/// The installed bridge: the changes committed since its last reconcile, and
/// the type map that reconcile saw (what changed extensions named before).
struct Follower {
    ProblemReporter report;
    std::function<void()> schedule;
    std::vector<std::string> pending;
    std::unordered_set<std::string> seen;
    std::optional<TypeMap> typeMap;
    std::size_t reconciles = 0;
};

std::optional<Follower>& follower() {
    static std::optional<Follower> installed;
    return installed;
}

void collect(const std::vector<std::string>& changedKeys) {
    auto& bridge = follower();
    if (!bridge)
        return;
    const bool first = bridge->pending.empty();
    for (const auto& key : changedKeys)
        if (mayChangeEntries(key) && bridge->seen.insert(key).second)
            bridge->pending.push_back(key);
    if (first && !bridge->pending.empty() && bridge->schedule)
        bridge->schedule();
}

void reportOutcome(const Follower& bridge, const Outcome& outcome) {
    for (const auto& problem : outcome.problems)
        bridge.report(describe(problem));
    for (const auto& notice : outcome.notices)
        bridge.report(notice);
}

} // namespace

void installBridge(ProblemReporter report, std::function<void()> schedule) {
    if (!report)
        report = [](const std::string& message) { std::cerr << message << '\n'; };
    auto& bridge = follower();
    bridge.emplace();
    bridge->report = std::move(report);
    bridge->schedule = std::move(schedule);
    registry::setChangeListener(collect);
}

Outcome syncBridge() {
    Outcome outcome;
    try {
        TypeMap now = TypeMap::read();
        outcome = reconcile(XdgDirs::fromEnvironment(), buildEntries(allVerbs(), now).entries,
                            Scope{true, {}});
        if (auto& bridge = follower())
            bridge->typeMap = std::move(now);
    } catch (const std::exception& error) {
        outcome.problems.push_back({FileManager::OpenWith, "", error.what()});
    }
    const std::size_t repaired = outcome.written.size() + outcome.removed.size();
    if (repaired != 0)
        outcome.notices.insert(outcome.notices.begin(),
                               "Brought " + std::to_string(repaired) +
                                   " file manager file(s) back in step with the registry.");
    if (auto& bridge = follower())
        reportOutcome(*bridge, outcome);
    return outcome;
}

Outcome flushBridge() {
    auto& bridge = follower();
    if (!bridge || bridge->pending.empty())
        return {};
    const std::vector<std::string> changedKeys = std::move(bridge->pending);
    bridge->pending.clear();
    bridge->seen.clear();
    Outcome outcome;
    try {
        TypeMap now = TypeMap::read();
        const TypeMap* previous = bridge->typeMap ? &*bridge->typeMap : nullptr;
        outcome = DesktopBridge().update(changedKeys, previous, now);
        bridge->typeMap = std::move(now);
        ++bridge->reconciles;
    } catch (const std::exception& error) {
        outcome.problems.push_back({FileManager::OpenWith, "", error.what()});
    }
    reportOutcome(*bridge, outcome);
    return outcome;
}

std::size_t bridgeReconciles() {
    return follower() ? follower()->reconciles : 0;
}

void uninstallBridge() {
    registry::setChangeListener({});
    follower().reset();
}

} // namespace tavisk::desktop

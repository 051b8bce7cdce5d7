#pragma once
// Why an entry may not show in a file manager's menu: a program that cannot
// start, a type no file manager knows, no file manager that reads it, one that
// must be restarted to see a change, files that drifted from the registry.
#include "DesktopBridge.h"

#include <cstdint>
#include <string>
#include <sys/types.h>
#include <unordered_set>
#include <vector>

namespace tavisk::desktop {

/// A file manager process of this user that reads the bridge's files only
/// when it starts (Thunar), or keeps offering removed entries (PCManFM-Qt).
struct RunningFileManager {
    std::string name;       ///< "Thunar" or "PCManFM-Qt"
    std::int64_t started;   ///< seconds since the epoch
    std::string configHome; ///< the XDG folders it reads; empty when they cannot be told
    std::string dataHome;

    /// True when it reads the files the bridge writes in dirs (or may: its
    /// folders could not be told).
    bool reads(const XdgDirs& dirs) const;
};

/// Those processes of user uid, found in procRoot (a /proc tree): by the
/// name in each process's comm file, their start from its stat file and the
/// boot time in procRoot/stat, their folders from HOME, XDG_CONFIG_HOME and
/// XDG_DATA_HOME in its environ file. Processes that vanish while read are
/// skipped.
std::vector<RunningFileManager> runningFileManagers(const std::string& procRoot, uid_t uid);

/// What the user must do for a running file manager to show what outcome
/// changed: Thunar re-reads uca.xml only when it starts, PCManFM-Qt forgets a
/// removed action only then. Looks for them in dirs.procRoot only when the
/// outcome changed what they read; never restarts or signals them.
std::vector<std::string> restartNotices(const XdgDirs& dirs, const Outcome& outcome);

/// The problems of entries as listed, looked up once in the environment the
/// folders name: the programs, the MIME database, the installed file managers
/// (found in PATH) and the running ones.
class Diagnosis final {
public:
    /// WithoutRestart leaves out the running file managers (for an outcome
    /// whose restartNotices() already say it).
    enum Restart { WithRestart, WithoutRestart };
    explicit Diagnosis(const XdgDirs& dirs, Restart restart = WithRestart);

    /// One line per problem of the entry; drift lists the files of the
    /// entry that differ from what the registry gives (see DesktopBridge::check).
    std::vector<std::string> problems(const ListedEntry& listed,
                                      const std::vector<std::string>& drift = {}) const;
    /// Problems that belong to no single entry (a file manager to restart).
    std::vector<std::string> general() const;

private:
    std::vector<std::string> programProblems(const CommandLine& command) const;

    XdgDirs m_dirs;
    std::unordered_set<std::string> m_knownMimeTypes; ///< empty when no database was found
    std::vector<std::pair<std::string, std::string>> m_installed; ///< name, program path
    std::vector<RunningFileManager> m_running;
};

} // namespace tavisk::desktop

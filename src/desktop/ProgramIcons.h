#pragma once
// The icon of the installed application that runs a program: the Icon of the
// desktop entry whose Exec starts the same program, found in the applications
// folders of XDG_DATA_HOME and XDG_DATA_DIRS.
#include "XdgDirs.h"

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace tavisk::desktop {

class ProgramIcons final {
public:
    /// path: the PATH to resolve program names through.
    ProgramIcons(XdgDirs dirs, std::string path);
    /// Over the environment's PATH.
    explicit ProgramIcons(XdgDirs dirs);

    /// The icon of the first desktop entry (in the folders' order of
    /// precedence) whose program is the same: the same absolute path, or a
    /// name that resolves through PATH to it. Empty when none has one. The
    /// folders are read on the first call only, and only each entry's main
    /// group; the bridge's own entries are never looked at.
    std::string iconFor(const std::string& program);

private:
    struct Candidate {
        std::string program; ///< as its Exec gives it: a path or a name
        std::string icon;
    };

    void scan();
    void scanDir(const std::string& dir, const std::string& idPrefix, int depth);
    std::string resolve(const std::string& program);

    XdgDirs m_dirs;
    std::vector<std::string> m_path;
    bool m_scanned = false;
    std::set<std::string> m_seenIds;                        ///< desktop-file ids met so far
    std::map<std::string, std::vector<Candidate>> m_byName; ///< candidates by program file name
    std::map<std::string, std::string> m_resolved;          ///< name -> path through PATH
};

/// The program an Exec value starts: its first word, as the desktop entry
/// rules quote it (in double quotes with \", \`, \$ and \\ escaped). Nothing
/// when the value is empty or its quotes do not close.
std::optional<std::string> execProgram(const std::string& exec);

} // namespace tavisk::desktop

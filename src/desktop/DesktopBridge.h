#pragma once
// The desktop bridge: on Linux no shell reads the verbs under
// HKEY_CLASSES_ROOT, so the bridge turns each of them into the files that the
// file managers read, and keeps those files in step with the registry. It
// writes, rewrites and removes only files (and uca.xml actions) that carry its
// marker; a failure for one file manager never stops the others.
#include "DesktopEntries.h"
#include "XdgDirs.h"

#include <functional>
#include <string>
#include <vector>

namespace tavisk::desktop {

/// The file managers' families the bridge writes for.
enum class FileManager {
    OpenWith,           ///< desktop entries and mimeapps.list, read by every freedesktop one
    Nemo,               ///< .nemo_action files
    Kde,                ///< KIO service menus (Dolphin, Konqueror)
    Thunar,             ///< uca.xml
    FileManagerActions, ///< file-manager/actions (Caja, PCManFM-Qt)
};

/// "Open With", "Nemo", "KDE", "Thunar", "Caja/PCManFM-Qt".
std::string fileManagerName(FileManager manager);

struct Problem {
    FileManager manager;
    std::string path;
    std::string message;
};

/// One line: the file manager, the file and what went wrong.
std::string describe(const Problem& problem);

struct Outcome {
    std::vector<std::string> written; ///< files (or "uca.xml#id") written
    std::vector<std::string> removed; ///< files (or "uca.xml#id") removed
    std::vector<Problem> problems;
    bool ok() const { return problems.empty(); }
};

struct ListedEntry {
    DesktopEntry entry;
    std::vector<std::string> files; ///< the bridge's files present for it
};

struct Listing {
    std::vector<ListedEntry> entries;
    std::vector<SkippedVerb> skipped;
};

class DesktopBridge final {
public:
    /// A bridge over the folders the environment names now.
    DesktopBridge();
    explicit DesktopBridge(XdgDirs dirs);

    /// Rebuilds every file from the verbs in the registry and removes the
    /// bridge's files whose verbs are gone.
    Outcome sync();
    /// Removes everything the bridge wrote.
    Outcome clean();
    /// Brings in step only the captions that the changed keys (full names, as
    /// the registry's change listener reports them) touch.
    Outcome update(const std::vector<std::string>& changedKeys);
    /// The entries the registry gives, with the files present for each.
    Listing list();

    const XdgDirs& dirs() const { return m_dirs; }

private:
    XdgDirs m_dirs;
};

using ProblemReporter = std::function<void(const std::string& message)>;

/// Makes this process bring the file managers' files in step after each of its
/// committed registry changes under a Shell key of HKEY_CLASSES_ROOT. Problems
/// go to report (standard error when none is given); they never reach the
/// registry write.
void installBridge(ProblemReporter report = {});

/// Stops it again.
void uninstallBridge();

} // namespace tavisk::desktop

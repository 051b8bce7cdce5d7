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
    Nautilus,           ///< a nautilus-python extension and its data file
};

/// "Open With", "Nemo", "KDE", "Thunar", "Caja/PCManFM-Qt", "Nautilus".
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
    /// What the user should know but is no failure: a file manager to
    /// restart, the problems of the entries an update touched.
    std::vector<std::string> notices;
    bool ok() const { return problems.empty(); }
};

struct ListedEntry {
    DesktopEntry entry;
    std::vector<std::string> files;    ///< the bridge's files present for it
    std::vector<std::string> problems; ///< why it may not show (see Diagnosis)
};

struct Listing {
    std::vector<ListedEntry> entries;
    std::vector<SkippedVerb> skipped;
    /// Problems of no single entry: stale files a sync would remove, a
    /// shared file that drifted, a file manager to restart.
    std::vector<std::string> problems;
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
    /// What sync() would do, without doing it: the files that drifted from
    /// the registry (missing or different) as written, the stale ones as removed.
    Outcome check();
    /// Brings in step only the captions that the changed keys (full names, as
    /// the registry's change listener reports them) touch: each changed verb's
    /// caption, and the captions of the verbs on every type that a changed
    /// extension key names now or named in previous.
    Outcome update(const std::vector<std::string>& changedKeys, const TypeMap* previous = nullptr);
    Outcome update(const std::vector<std::string>& changedKeys, const TypeMap* previous,
                   const TypeMap& now);
    /// The entries the registry gives, with the files present for each and
    /// their problems, drift included.
    Listing list();

    const XdgDirs& dirs() const { return m_dirs; }

private:
    XdgDirs m_dirs;
};

using ProblemReporter = std::function<void(const std::string& message)>;

/// Makes this process bring the file managers' files in step with its own
/// committed registry changes, once per user action: the changes are
/// collected, and flushBridge() reconciles them all at once. schedule, when
/// given, is called when the first change after a reconcile arrives (the
/// program posts flushBridge() to its event loop there, so that it runs when
/// the operation has returned); without it the caller flushes when its action
/// ends. Problems go to report (standard error when none is given); they never
/// reach the registry write.
void installBridge(ProblemReporter report = {}, std::function<void()> schedule = {});

/// Reconciles the changes collected since the last flush, in one pass, and
/// reports its problems. Nothing to do when nothing changed.
Outcome flushBridge();

/// A full sync, as the program runs it when it starts (to repair what a crash
/// between a write and its reconcile left behind); its problems go to the
/// installed bridge's report. The installed bridge keeps the type map it read.
Outcome syncBridge();

/// How many reconciles the installed bridge has run.
std::size_t bridgeReconciles();

/// Stops it again; changes not yet flushed are dropped.
void uninstallBridge();

} // namespace tavisk::desktop

#pragma once
// The stand-in registry's own controls: which file backs the registry API of
// StandInRegistry.h in this process, transactions for bulk changes, and a
// listener for committed changes. One store is open per process.
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace tavisk::registry {

enum class OpenStatus {
    Opened,   ///< an existing store, writable
    Created,  ///< the file did not exist and was made empty just now
    ReadOnly, ///< an existing store this process may read but not write
    Failed,   ///< no store: see OpenResult::message
};

struct OpenResult {
    OpenStatus status = OpenStatus::Failed;
    std::string path;
    std::string message;   ///< for Failed: names the file and the problem
    std::string details{}; ///< for a damaged file: the whole integrity report
    bool ok() const { return status != OpenStatus::Failed; }
};

/// The file named by TAVISK_REGISTRY, else $XDG_DATA_HOME/tavisk/registry.db
/// (~/.local/share when XDG_DATA_HOME is unset).
std::string defaultStorePath();

/// Opens (or creates) the store at path and makes it the one the registry API
/// uses in this process, closing any store opened before. When it fails, the
/// registry API has no store (every call fails with ERROR_BADDB) until the
/// next openStore or closeStore. Refused inside a transaction's body or a
/// change listener.
OpenResult openStore(const std::string& path);

/// openStore(defaultStorePath()).
OpenResult openDefaultStore();

/// Closes the process's store; the next registry call opens the default store.
/// Does nothing inside a transaction's body or a change listener.
void closeStore();

/// Closes the process's store when it goes out of scope, whatever way the
/// scope is left.
struct StoreSession final {
    StoreSession() = default;
    StoreSession(const StoreSession&) = delete;
    StoreSession& operator=(const StoreSession&) = delete;
    ~StoreSession() { closeStore(); }
};

/// True when the open store can only be read.
bool storeIsReadOnly();

/// Handles the registry API has given out and not yet closed.
std::size_t openHandleCount();

/// Runs body with every registry write it makes inside one transaction: all of
/// them are committed (and synced) together when body returns true; when it
/// returns false or throws, or the commit fails, none of them is kept (what
/// body throws is caught; its message becomes the error). Another process's
/// writers wait until it ends. A call inside body nests: its writes are
/// dropped alone when it fails, and kept only if the outer call commits.
/// Returns whether the changes were committed; error receives the reason. When
/// the store's file was deleted or replaced since it was opened, nothing is
/// written (body does not run, or its changes are not committed) and the
/// reason names the file and says to start the program again.
bool runInTransaction(const std::function<bool()>& body, std::string* error = nullptr);

/// Full names ("HKEY_LOCAL_MACHINE\SOFTWARE\Classes\text/plain\Shell\...") of
/// the keys whose values or subkeys changed in one committed write, and of the
/// keys it deleted. HKEY_CLASSES_ROOT is reported by its true place under
/// HKEY_LOCAL_MACHINE\SOFTWARE\Classes. A change more than 512 levels (MaxKeyDepth)
/// down (a tree left by a version without the limit) is reported by its
/// ancestor at that depth, so that no name is longer than the limit allows.
using ChangeListener = std::function<void(const std::vector<std::string>& changedKeys)>;

/// Installs the listener called after each commit made by this process
/// (none to remove it). It runs on the thread that wrote, with the store's
/// lock held, and may itself use the registry; what it throws is ignored.
void setChangeListener(ChangeListener listener);

} // namespace tavisk::registry

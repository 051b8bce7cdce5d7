#pragma once
// One open store: the connection, the keys in memory, the open handles, and
// the registry operations over them. The registry API (StandInRegistry.cpp)
// forwards every call here under the process-wide lock.
#include "KeyTree.h"
#include "RegistryNames.h"
#include "RegistryStore.h"
#include "SqliteDb.h"
#include "StandInRegistry.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace tavisk::registry::detail {

class Store final {
public:
    /// Opens the store at path; store is set when the result is not Failed.
    static OpenResult open(const std::string& path, std::unique_ptr<Store>& store);
    /// The key a predefined root handle stands for, or 0 for other handles.
    static std::int64_t predefinedKey(HKEY handle);
    ~Store();
    Store(const Store&) = delete;
    Store& operator=(const Store&) = delete;

    bool readOnly() const { return m_readOnly; }
    std::size_t handleCount() const { return m_handles.size(); }
    /// True while a transaction's body or a change listener runs: the store
    /// must not be closed under them.
    bool inUse() const { return m_transactionDepth > 0 || m_notifying; }
    void setChangeListener(ChangeListener listener) { m_listener = std::move(listener); }

    /// sameHandleForEmpty: an empty sub key gives back the handle passed in
    /// (RegOpenKeyA), else a new handle to the same key (RegOpenKeyExA).
    LONG openKey(HKEY parent, const char* subKey, REGSAM access, bool sameHandleForEmpty,
                 HKEY* result);
    LONG createKey(HKEY parent, const char* subKey, HKEY* result);
    LONG queryValue(HKEY handle, const char* name, DWORD* type, BYTE* data, DWORD* size);
    LONG enumKey(HKEY handle, DWORD index, char* name, DWORD nameSize);
    LONG enumValue(HKEY handle, DWORD index, char* name, DWORD* nameSize, DWORD* type, BYTE* data,
                   DWORD* dataSize);
    LONG setValue(HKEY handle, const char* name, DWORD type, const BYTE* data, DWORD size);
    LONG deleteKey(HKEY handle, const char* subKey);
    LONG deleteValue(HKEY handle, const char* name);
    LONG flushKey(HKEY handle);
    LONG closeKey(HKEY handle);

    bool runInTransaction(const std::function<bool()>& body, std::string* error);

private:
    struct Handle {
        std::int64_t keyId = 0;
        REGSAM access = 0;
        Key* key = nullptr;           ///< the key, while generation is the tree's
        std::uint64_t generation = 0; ///< of the tree when key was found
    };
    using Header = std::array<std::uint32_t, 24>;

    Store(Connection connection, std::string path, bool readOnly);

    template <class Operation> LONG guarded(Operation&& operation);
    template <class Change> LONG write(Change&& change);

    void refresh();
    void reload();
    void invalidate();
    bool readHeader(Header& header) const;
    std::int64_t dataVersion();

    LONG resolve(HKEY handle, REGSAM needed, Key*& key);
    Key* keyOf(Handle& handle);
    Key* walk(Key& from, const std::vector<NamePart>& parts) const;
    HKEY newHandle(Key& key, REGSAM access);
    void changed(const Key& key);
    void removed(const Key& key);
    const Key& reportedKey(const Key& key);
    void notify();
    /// The reason no change may be written, when the file was deleted or
    /// replaced since the store was opened; empty when it is in place.
    std::string fileProblem();
    void execQuietly(const char* sql);

    LONG createMissing(HKEY parent, const std::vector<NamePart>& parts, Key*& key);
    LONG removeKey(HKEY handle, const std::vector<NamePart>& parts);
    bool finishTransaction(bool keep, std::string reason, std::string* error);

    Connection m_connection;
    std::string m_path;
    bool m_readOnly;
    KeyTree m_tree;
    bool m_loaded = false;
    /// Changes whenever a key leaves the tree, so that handles look theirs up again.
    std::uint64_t m_generation = 1;
    Handle m_roots[3];

    const volatile std::uint32_t* m_walIndex = nullptr; ///< the shared WAL-index header
    Header m_seenHeader{};
    std::int64_t m_dataVersion = -1;

    std::unordered_map<std::uintptr_t, Handle> m_handles;
    std::uintptr_t m_nextHandle = 0x10000;

    int m_transactionDepth = 0; ///< runInTransaction calls under way
    bool m_transactionBroken = false;
    std::string m_brokenReason;
    /// A key changed by the pending commit: a key of the tree by its id, or a
    /// key deleted meanwhile by the full name it had.
    struct PendingChange {
        std::int64_t id = 0;
        std::string name;
    };
    std::vector<PendingChange> m_changes;
    /// Keys deeper than MaxKeyDepth, by id, with the ancestor at that depth
    /// that reports them (filled while a commit is pending).
    std::unordered_map<std::int64_t, const Key*> m_reportedAncestor;
    ChangeListener m_listener;
    bool m_notifying = false;

    Statement m_dataVersionQuery;
    Statement m_begin;
    Statement m_commit;
    Statement m_insertKey;
    Statement m_deleteKey;
    Statement m_upsertValue;
    Statement m_deleteValue;
    Statement m_deleteValues;
};

} // namespace tavisk::registry::detail

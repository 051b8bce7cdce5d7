#include "Store.h"

#include "StoreFile.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <unordered_set>

namespace tavisk::registry::detail {
namespace {

/// Rights that change the store; a read-only store refuses handles asking for them.
constexpr REGSAM WriteAccess = KEY_SET_VALUE | KEY_CREATE_SUB_KEY | 0x00010000 /* DELETE */ |
                               0x00040000 /* WRITE_DAC */ | 0x00080000 /* WRITE_OWNER */;

/// Size of the first region of SQLite's shared WAL index.
constexpr int WalIndexRegion = 32 * 1024;

LONG errorCode(const SqliteError& error) {
    switch (error.primary()) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
    case SQLITE_READONLY:
    case SQLITE_PERM:
    case SQLITE_AUTH:
        return ERROR_ACCESS_DENIED;
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
        return ERROR_BADDB;
    case SQLITE_FULL:
        return ERROR_DISK_FULL;
    case SQLITE_NOMEM:
        return ERROR_OUTOFMEMORY;
    default:
        return ERROR_REGISTRY_IO_FAILED;
    }
}

/// Why the store failed, in words: SQLite's own text, except for a full disk,
/// which it calls "database or disk is full".
std::string reasonOf(const SqliteError& error) {
    if (error.primary() == SQLITE_FULL) {
        return "the disk is full: make room on it and try again";
    }
    return error.what();
}

/// The header of SQLite's WAL index, shared by every process that has the
/// store open. Every commit changes it, so comparing it with the copy seen
/// last tells whether anything may have changed, at the cost of reading a
/// few words of memory. Nothing when the connection has no such memory.
const volatile std::uint32_t* mapWalIndex(sqlite3* db) {
    sqlite3_file* file = nullptr;
    if (sqlite3_file_control(db, "main", SQLITE_FCNTL_FILE_POINTER, &file) != SQLITE_OK || !file ||
        !file->pMethods || file->pMethods->iVersion < 2 || !file->pMethods->xShmMap) {
        return nullptr;
    }
    volatile void* region = nullptr;
    if (file->pMethods->xShmMap(file, 0, WalIndexRegion, 0, &region) != SQLITE_OK) {
        return nullptr;
    }
    return static_cast<const volatile std::uint32_t*>(region);
}

bool isProtected(const Key& key) {
    return !key.parent || key.id == SoftwareId || key.id == ClassesId;
}

} // namespace

Store::Store(Connection connection, std::string path, bool readOnly)
    : m_connection(std::move(connection)), m_path(std::move(path)),
      m_readOnly(readOnly), m_roots{{ClassesId, KEY_ALL_ACCESS},
                                    {CurrentUserId, KEY_ALL_ACCESS},
                                    {LocalMachineId, KEY_ALL_ACCESS}},
      m_dataVersionQuery(m_connection, "PRAGMA data_version"),
      m_begin(m_connection, "BEGIN IMMEDIATE"), m_commit(m_connection, "COMMIT"),
      m_insertKey(m_connection, "INSERT INTO keys(parent, name, fold) VALUES (?1, ?2, ?3)"),
      m_deleteKey(m_connection, "DELETE FROM keys WHERE id = ?1"),
      m_upsertValue(m_connection,
                    "INSERT INTO vals(key, name, fold, type, data) VALUES (?1, ?2, ?3, ?4, ?5) "
                    "ON CONFLICT (key, fold) DO UPDATE SET type = excluded.type, "
                    "data = excluded.data"),
      m_deleteValue(m_connection, "DELETE FROM vals WHERE key = ?1 AND fold = ?2"),
      m_deleteValues(m_connection, "DELETE FROM vals WHERE key = ?1") {}

Store::~Store() {
    if (m_transactionDepth > 0) {
        execQuietly("ROLLBACK");
    }
}

OpenResult Store::open(const std::string& path, std::unique_ptr<Store>& store) {
    OpenedFile file = openStoreFile(path);
    if (!file.result.ok()) {
        return file.result;
    }
    try {
        std::unique_ptr<Store> opened(new Store(std::move(file.connection), path,
                                                file.result.status == OpenStatus::ReadOnly));
        opened->refresh();
        store = std::move(opened);
    } catch (const SqliteError& error) {
        return {OpenStatus::Failed, path,
                "The registry store \"" + path + "\" cannot be read: " + error.what() + "."};
    }
    return file.result;
}

std::int64_t Store::predefinedKey(HKEY handle) {
    const auto value = reinterpret_cast<std::uintptr_t>(handle);
    const auto high = static_cast<std::uint64_t>(value) >> 32;
    if (high != 0 && high != 0xFFFFFFFFu) {
        return 0;
    }
    switch (static_cast<std::uint32_t>(value)) {
    case 0x80000000u:
        return ClassesId;
    case 0x80000001u:
        return CurrentUserId;
    case 0x80000002u:
        return LocalMachineId;
    default:
        return 0;
    }
}

// --- keeping the keys in memory true -------------------------------------

void Store::execQuietly(const char* sql) {
    sqlite3_exec(m_connection.handle(), sql, nullptr, nullptr, nullptr);
}

bool Store::readHeader(Header& header) const {
    if (!m_walIndex) {
        return false;
    }
    for (std::size_t i = 0; i < header.size(); ++i) {
        header[i] = m_walIndex[i];
    }
    return true;
}

std::int64_t Store::dataVersion() {
    ResetOnExit reset(m_dataVersionQuery);
    return m_dataVersionQuery.step() ? m_dataVersionQuery.integer(0) : -1;
}

/// Makes the keys in memory match the file. The WAL-index header is read
/// first: when it is as seen last, nobody has committed since. Otherwise the
/// connection's data version tells whether another connection committed (our
/// own commits are already in memory), and only then is everything re-read.
void Store::refresh() {
    Header header{};
    const bool haveHeader = readHeader(header);
    if (m_loaded && haveHeader && header == m_seenHeader) {
        return;
    }
    if (!m_loaded || dataVersion() != m_dataVersion) {
        reload();
    }
    if (haveHeader) {
        m_seenHeader = header;
    }
}

void Store::reload() {
    const bool ownTransaction = sqlite3_get_autocommit(m_connection.handle()) != 0;
    m_loaded = false;
    ++m_generation;
    try {
        if (ownTransaction) {
            m_connection.exec("BEGIN");
        }
        m_dataVersion = dataVersion();
        m_tree.load(m_connection);
        if (ownTransaction) {
            m_connection.exec("COMMIT");
        }
    } catch (...) {
        if (ownTransaction) {
            execQuietly("ROLLBACK");
        }
        m_tree.clear();
        throw;
    }
    m_loaded = true;
    if (!m_walIndex && !m_readOnly) {
        m_walIndex = mapWalIndex(m_connection.handle());
    }
}

void Store::invalidate() {
    m_loaded = false;
    m_reportedAncestor.clear();
    m_tree.clear();
    ++m_generation;
}

// --- handles and paths ---------------------------------------------------

Key* Store::keyOf(Handle& handle) {
    if (handle.generation != m_generation) {
        handle.key = m_tree.find(handle.keyId);
        handle.generation = m_generation;
    }
    return handle.key;
}

LONG Store::resolve(HKEY handle, REGSAM needed, Key*& key) {
    Handle* found = nullptr;
    const std::int64_t root = predefinedKey(handle);
    if (root != 0) {
        found = &m_roots[root == ClassesId ? 0 : root == CurrentUserId ? 1 : 2];
    } else {
        const auto entry = m_handles.find(reinterpret_cast<std::uintptr_t>(handle));
        if (entry == m_handles.end()) {
            return ERROR_INVALID_HANDLE;
        }
        found = &entry->second;
    }
    if ((needed & found->access) != needed) {
        return ERROR_ACCESS_DENIED;
    }
    key = keyOf(*found);
    if (!key) {
        return root != 0 ? ERROR_BADDB : ERROR_KEY_DELETED;
    }
    return ERROR_SUCCESS;
}

Key* Store::walk(Key& from, const std::vector<NamePart>& parts) const {
    Key* key = &from;
    for (const auto& part : parts) {
        key = KeyTree::child(*key, part.fold);
        if (!key) {
            return nullptr;
        }
    }
    return key;
}

HKEY Store::newHandle(Key& key, REGSAM access) {
    if (access == MAXIMUM_ALLOWED) {
        access = m_readOnly ? KEY_READ : KEY_ALL_ACCESS;
    }
    const std::uintptr_t value = m_nextHandle;
    m_nextHandle += 16;
    m_handles[value] = Handle{key.id, access, &key, m_generation};
    return reinterpret_cast<HKEY>(value);
}

// --- writing -------------------------------------------------------------

/// The key a change is reported by: the key itself, or for a key deeper than
/// MaxKeyDepth its ancestor at that depth. Found without recursion and
/// remembered for every key on the way, so that the keys of a deep chain
/// cost a bounded number of steps each and no change's name is longer than
/// MaxKeyDepth names: the change list stays linear in the keys changed.
const Key& Store::reportedKey(const Key& key) {
    if (key.depth <= registry::MaxKeyDepth) {
        return key;
    }
    std::vector<const Key*> chain;
    const Key* current = &key;
    const Key* reported = nullptr;
    while (!reported) {
        if (current->depth == registry::MaxKeyDepth) {
            reported = current;
        } else if (const auto found = m_reportedAncestor.find(current->id);
                   found != m_reportedAncestor.end()) {
            reported = found->second;
        } else {
            chain.push_back(current);
            current = current->parent;
        }
    }
    for (const Key* below : chain) {
        m_reportedAncestor.emplace(below->id, reported);
    }
    return *reported;
}

/// Notes a change of the key's values or subkeys; its name is made when the
/// commit is reported.
void Store::changed(const Key& key) {
    m_changes.push_back({reportedKey(key).id, {}});
}

/// Notes the deletion of a key, by the name it has now: it is gone when the
/// commit is reported.
void Store::removed(const Key& key) {
    const Key& reported = reportedKey(key);
    if (&reported == &key) {
        m_changes.push_back({0, KeyTree::fullName(key)});
    } else {
        m_changes.push_back({reported.id, {}});
    }
}

void Store::notify() {
    m_reportedAncestor.clear();
    if (!m_listener) {
        m_changes.clear();
        return;
    }
    std::vector<std::string> changes;
    std::unordered_set<std::string> seen;
    std::unordered_set<std::int64_t> seenIds;
    for (auto& change : m_changes) {
        if (change.id != 0) {
            // A key deleted later in the commit is reported by its deletion.
            const Key* key = seenIds.insert(change.id).second ? m_tree.find(change.id) : nullptr;
            if (!key) {
                continue;
            }
            change.name = KeyTree::fullName(*key);
        }
        if (seen.insert(change.name).second) {
            changes.push_back(std::move(change.name));
        }
    }
    m_changes.clear();
    if (!changes.empty()) {
        const bool outerNotice = !m_notifying;
        m_notifying = true;
        try {
            m_listener(changes);
        } catch (...) {
            // A listener's failure must not turn a committed write into an error.
        }
        m_notifying = !outerNotice;
    }
}

/// Runs an operation and turns the store's failures into error codes.
template <class Operation> LONG Store::guarded(Operation&& operation) {
    try {
        return operation();
    } catch (const SqliteError& error) {
        if (m_transactionDepth > 0 && !m_transactionBroken) {
            m_transactionBroken = true;
            m_brokenReason = reasonOf(error);
        }
        invalidate();
        return errorCode(error);
    } catch (const std::bad_alloc&) {
        return ERROR_OUTOFMEMORY;
    }
}

/// Runs one change inside a write transaction: the caller's, when
/// runInTransaction is under way, else one of its own that is committed (and
/// synced) before this returns. The change re-checks everything it relies on,
/// since the keys in memory are brought up to date once the lock is held.
template <class Change> LONG Store::write(Change&& change) {
    if (m_readOnly) {
        return ERROR_ACCESS_DENIED;
    }
    if (m_transactionDepth > 0) {
        return m_transactionBroken ? ERROR_ACCESS_DENIED : change();
    }
    m_begin.run();
    try {
        if (!fileProblem().empty()) {
            m_connection.exec("ROLLBACK");
            return ERROR_REGISTRY_IO_FAILED;
        }
        refresh();
        const LONG result = change();
        if (result != ERROR_SUCCESS) {
            m_connection.exec("ROLLBACK");
            m_changes.clear();
            return result;
        }
        m_commit.run();
    } catch (...) {
        execQuietly("ROLLBACK");
        m_changes.clear();
        invalidate();
        throw;
    }
    notify();
    return ERROR_SUCCESS;
}

LONG Store::createMissing(HKEY parent, const std::vector<NamePart>& parts, Key*& key) {
    Key* current = nullptr;
    if (const LONG result = resolve(parent, KEY_CREATE_SUB_KEY, current)) {
        return result;
    }
    if (current->depth + parts.size() > registry::MaxKeyDepth) {
        return ERROR_BAD_PATHNAME;
    }
    for (const auto& part : parts) {
        Key* next = KeyTree::child(*current, part.fold);
        if (!next) {
            m_insertKey.bind(1, current->id).bind(2, part.name).bind(3, part.fold).run();
            changed(*current);
            next = &m_tree.addKey(sqlite3_last_insert_rowid(m_connection.handle()), *current,
                                  std::string(part.name), part.fold);
            changed(*next);
        }
        current = next;
    }
    key = current;
    return ERROR_SUCCESS;
}

LONG Store::removeKey(HKEY handle, const std::vector<NamePart>& parts) {
    Key* base = nullptr;
    if (const LONG result = resolve(handle, 0, base)) {
        return result;
    }
    Key* key = walk(*base, parts);
    if (!key) {
        return ERROR_FILE_NOT_FOUND;
    }
    if (isProtected(*key) || !key->children.empty()) {
        return ERROR_ACCESS_DENIED;
    }
    m_deleteValues.bind(1, key->id).run();
    m_deleteKey.bind(1, key->id).run();
    removed(*key);
    changed(*key->parent);
    m_tree.removeKey(*key);
    ++m_generation;
    return ERROR_SUCCESS;
}

// --- the registry operations ---------------------------------------------

LONG Store::openKey(HKEY parent, const char* subKey, REGSAM access, bool sameHandleForEmpty,
                    HKEY* result) {
    if (!result) {
        return ERROR_INVALID_PARAMETER;
    }
    *result = nullptr;
    std::vector<NamePart> parts;
    if (const LONG split = splitKeyPath(subKey, parts)) {
        return split;
    }
    return guarded([&] {
        refresh();
        Key* base = nullptr;
        if (const LONG resolved = resolve(parent, 0, base)) {
            return resolved;
        }
        Key* key = walk(*base, parts);
        if (!key) {
            return ERROR_FILE_NOT_FOUND;
        }
        if (m_readOnly && access != MAXIMUM_ALLOWED && (access & WriteAccess)) {
            return ERROR_ACCESS_DENIED;
        }
        *result = parts.empty() && sameHandleForEmpty ? parent : newHandle(*key, access);
        return ERROR_SUCCESS;
    });
}

LONG Store::createKey(HKEY parent, const char* subKey, HKEY* result) {
    if (!result) {
        return ERROR_INVALID_PARAMETER;
    }
    *result = nullptr;
    std::vector<NamePart> parts;
    if (const LONG split = splitKeyPath(subKey, parts)) {
        return split;
    }
    return guarded([&] {
        refresh();
        Key* base = nullptr;
        if (const LONG resolved = resolve(parent, 0, base)) {
            return resolved;
        }
        if (parts.empty()) {
            *result = parent;
            return ERROR_SUCCESS;
        }
        Key* key = walk(*base, parts);
        if (!key) {
            if (base->depth + parts.size() > registry::MaxKeyDepth) {
                return ERROR_BAD_PATHNAME;
            }
            if (const LONG created = write([&] { return createMissing(parent, parts, key); })) {
                return created;
            }
        }
        *result = newHandle(*key, MAXIMUM_ALLOWED);
        return ERROR_SUCCESS;
    });
}

LONG Store::queryValue(HKEY handle, const char* name, DWORD* type, BYTE* data, DWORD* size) {
    std::string fold;
    if (const LONG checked = checkValueName(name, fold)) {
        return checked;
    }
    if (data && !size) {
        return ERROR_INVALID_PARAMETER;
    }
    return guarded([&] {
        refresh();
        Key* key = nullptr;
        if (const LONG resolved = resolve(handle, KEY_QUERY_VALUE, key)) {
            return resolved;
        }
        const auto found = key->values.find(fold);
        if (found == key->values.end()) {
            return ERROR_FILE_NOT_FOUND;
        }
        const Value& value = found->second;
        const auto needed = static_cast<DWORD>(value.data.size());
        LONG result = ERROR_SUCCESS;
        if (data && *size < needed) {
            result = ERROR_MORE_DATA;
        } else if (data) {
            std::memcpy(data, value.data.data(), needed);
        }
        if (type) {
            *type = value.type;
        }
        if (size) {
            *size = needed;
        }
        return result;
    });
}

LONG Store::enumKey(HKEY handle, DWORD index, char* name, DWORD nameSize) {
    if (!name) {
        return ERROR_INVALID_PARAMETER;
    }
    return guarded([&] {
        refresh();
        Key* key = nullptr;
        if (const LONG resolved = resolve(handle, KEY_ENUMERATE_SUB_KEYS, key)) {
            return resolved;
        }
        const Key* subkey = key->enumerated(index);
        if (!subkey) {
            return ERROR_NO_MORE_ITEMS;
        }
        const std::string& found = subkey->name;
        if (found.size() >= nameSize) {
            return ERROR_MORE_DATA;
        }
        std::memcpy(name, found.c_str(), found.size() + 1);
        return ERROR_SUCCESS;
    });
}

LONG Store::enumValue(HKEY handle, DWORD index, char* name, DWORD* nameSize, DWORD* type,
                      BYTE* data, DWORD* dataSize) {
    if (!name || !nameSize || (data && !dataSize)) {
        return ERROR_INVALID_PARAMETER;
    }
    return guarded([&] {
        refresh();
        Key* key = nullptr;
        if (const LONG resolved = resolve(handle, KEY_QUERY_VALUE, key)) {
            return resolved;
        }
        const auto& values = key->orderedValues();
        if (index >= values.size()) {
            return ERROR_NO_MORE_ITEMS;
        }
        const Value& value = values[index]->second;
        if (value.name.size() >= *nameSize) {
            return ERROR_MORE_DATA;
        }
        const auto needed = static_cast<DWORD>(value.data.size());
        if (data && *dataSize < needed) {
            *dataSize = needed;
            return ERROR_MORE_DATA;
        }
        std::memcpy(name, value.name.c_str(), value.name.size() + 1);
        *nameSize = static_cast<DWORD>(value.name.size());
        if (data) {
            std::memcpy(data, value.data.data(), needed);
        }
        if (dataSize) {
            *dataSize = needed;
        }
        if (type) {
            *type = value.type;
        }
        return ERROR_SUCCESS;
    });
}

LONG Store::setValue(HKEY handle, const char* name, DWORD type, const BYTE* data, DWORD size) {
    std::string fold;
    if (const LONG checked = checkValueName(name, fold)) {
        return checked;
    }
    if (!data && size > 0) {
        return ERROR_INVALID_PARAMETER;
    }
    const std::string spelling = name ? name : "";
    return guarded([&] {
        refresh();
        Key* key = nullptr;
        if (const LONG resolved = resolve(handle, KEY_SET_VALUE, key)) {
            return resolved;
        }
        return write([&] {
            if (const LONG resolved = resolve(handle, KEY_SET_VALUE, key)) {
                return resolved;
            }
            m_upsertValue.bind(1, key->id)
                .bind(2, spelling)
                .bind(3, fold)
                .bind(4, std::int64_t{type})
                .bindBlob(5, data, size)
                .run();
            Value& value = key->setValue(fold);
            if (value.name.empty()) {
                value.name = spelling;
            }
            value.type = type;
            value.data =
                data ? std::string(reinterpret_cast<const char*>(data), size) : std::string();
            changed(*key);
            return ERROR_SUCCESS;
        });
    });
}

LONG Store::deleteKey(HKEY handle, const char* subKey) {
    if (!subKey) {
        return ERROR_INVALID_PARAMETER;
    }
    std::vector<NamePart> parts;
    if (const LONG split = splitKeyPath(subKey, parts)) {
        return split;
    }
    return guarded([&] {
        refresh();
        Key* base = nullptr;
        if (const LONG resolved = resolve(handle, 0, base)) {
            return resolved;
        }
        const Key* key = walk(*base, parts);
        if (!key) {
            return ERROR_FILE_NOT_FOUND;
        }
        if (isProtected(*key) || !key->children.empty()) {
            return ERROR_ACCESS_DENIED;
        }
        return write([&] { return removeKey(handle, parts); });
    });
}

LONG Store::deleteValue(HKEY handle, const char* name) {
    std::string fold;
    if (const LONG checked = checkValueName(name, fold)) {
        return checked;
    }
    return guarded([&] {
        refresh();
        Key* key = nullptr;
        if (const LONG resolved = resolve(handle, KEY_SET_VALUE, key)) {
            return resolved;
        }
        if (!key->values.count(fold)) {
            return ERROR_FILE_NOT_FOUND;
        }
        return write([&] {
            if (const LONG resolved = resolve(handle, KEY_SET_VALUE, key)) {
                return resolved;
            }
            if (!key->eraseValue(fold)) {
                return ERROR_FILE_NOT_FOUND;
            }
            m_deleteValue.bind(1, key->id).bind(2, fold).run();
            changed(*key);
            return ERROR_SUCCESS;
        });
    });
}

LONG Store::flushKey(HKEY handle) {
    // Every write is committed and synced before it returns; a flush only
    // checks its handle.
    return guarded([&] {
        refresh();
        Key* key = nullptr;
        return resolve(handle, 0, key);
    });
}

LONG Store::closeKey(HKEY handle) {
    if (predefinedKey(handle)) {
        return ERROR_SUCCESS;
    }
    return m_handles.erase(reinterpret_cast<std::uintptr_t>(handle)) ? ERROR_SUCCESS
                                                                     : ERROR_INVALID_HANDLE;
}

// --- transactions --------------------------------------------------------

/// SQLite tells whether the file it has open is still the one at the store's
/// path (same inode, not unlinked). A change written to a file that was
/// deleted or replaced would be acknowledged and then lost: no other process
/// reads that file again.
std::string Store::fileProblem() {
    int moved = 0;
    if (sqlite3_file_control(m_connection.handle(), "main", SQLITE_FCNTL_HAS_MOVED, &moved) !=
            SQLITE_OK ||
        !moved) {
        return {};
    }
    return "The registry store \"" + m_path +
           "\" was deleted or replaced by another program after it was opened, so changes "
           "written to it now would be lost. Nothing was saved: start the program again to "
           "open the file that is at that place now.";
}

bool Store::runInTransaction(const std::function<bool()>& body, std::string* error) {
    const auto fail = [&](const std::string& reason) {
        if (error) {
            *error = reason;
        }
        return false;
    };
    if (m_readOnly) {
        return fail("The registry store \"" + m_path + "\" is read-only.");
    }
    const bool outer = m_transactionDepth == 0;
    const std::size_t changesBefore = m_changes.size();
    try {
        if (outer) {
            m_connection.exec("BEGIN IMMEDIATE");
            if (const std::string problem = fileProblem(); !problem.empty()) {
                execQuietly("ROLLBACK");
                return fail(problem);
            }
            m_transactionBroken = false;
            m_brokenReason.clear();
            m_changes.clear();
            refresh();
        } else {
            m_connection.exec("SAVEPOINT nested");
        }
    } catch (const SqliteError& failure) {
        if (outer) {
            execQuietly("ROLLBACK");
            invalidate();
        }
        return fail("The registry store \"" + m_path +
                    "\" cannot be changed: " + reasonOf(failure) + ".");
    }
    ++m_transactionDepth;
    bool keep = false;
    std::string reason = "The changes were abandoned.";
    try {
        keep = body();
    } catch (const std::exception& thrown) {
        reason = thrown.what();
    } catch (...) {
        reason = "The changes failed.";
    }
    --m_transactionDepth;
    if (m_transactionBroken) {
        keep = false;
        reason = "The registry store \"" + m_path + "\" failed: " + m_brokenReason + ".";
    }
    if (!outer) {
        if (!keep) {
            execQuietly("ROLLBACK TO nested");
            m_changes.resize(changesBefore);
            invalidate();
        }
        execQuietly("RELEASE nested");
        return keep || fail(reason);
    }
    return finishTransaction(keep, reason, error);
}

bool Store::finishTransaction(bool keep, std::string reason, std::string* error) {
    if (keep) {
        if (std::string problem = fileProblem(); !problem.empty()) {
            keep = false;
            reason = std::move(problem);
        }
    }
    if (keep) {
        try {
            m_connection.exec("COMMIT");
        } catch (const SqliteError& failure) {
            keep = false;
            reason = "The registry store \"" + m_path +
                     "\" could not commit: " + reasonOf(failure) + ".";
        }
    }
    if (!keep) {
        execQuietly("ROLLBACK");
        m_changes.clear();
        invalidate();
        if (error) {
            *error = reason;
        }
        return false;
    }
    notify();
    return true;
}

} // namespace tavisk::registry::detail

#include "StoreFile.h"

#include <sqlite3.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace tavisk::registry::detail {
namespace {

constexpr const char* Schema = R"sql(
CREATE TABLE keys(
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    parent INTEGER NOT NULL,  -- 0 for HKEY_LOCAL_MACHINE and HKEY_CURRENT_USER
    name TEXT NOT NULL,       -- as first written
    fold TEXT NOT NULL,       -- as compared: each character in simple upper case
    UNIQUE (parent, fold));
CREATE TABLE vals(
    key INTEGER NOT NULL,
    name TEXT NOT NULL,
    fold TEXT NOT NULL,
    type INTEGER NOT NULL,
    data BLOB NOT NULL,
    PRIMARY KEY (key, fold)) WITHOUT ROWID;
INSERT INTO keys(id, parent, name, fold) VALUES
    (1, 0, 'HKEY_LOCAL_MACHINE', 'HKEY_LOCAL_MACHINE'),
    (2, 0, 'HKEY_CURRENT_USER', 'HKEY_CURRENT_USER'),
    (3, 1, 'SOFTWARE', 'SOFTWARE'),
    (4, 3, 'Classes', 'CLASSES');
)sql";

std::string errnoText(int error) {
    return std::error_code(error, std::generic_category()).message();
}

OpenedFile failure(const std::string& path, const std::string& problem,
                   const std::string& details = {}) {
    OpenedFile file;
    file.result = {OpenStatus::Failed, path, "The registry store \"" + path + "\" " + problem + ".",
                   details};
    return file;
}

std::string parentFolder(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::uint32_t bigEndian32(const unsigned char* bytes) {
    return (std::uint32_t{bytes[0]} << 24) | (std::uint32_t{bytes[1]} << 16) |
           (std::uint32_t{bytes[2]} << 8) | std::uint32_t{bytes[3]};
}

/// Reads the database header with plain file reads, so that SQLite never
/// opens (and perhaps recovers or converts) a file that is not ours. Gives
/// the problem, or nothing for a header of ours.
std::optional<std::string> headerProblem(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return "cannot be read: " + errnoText(errno);
    }
    std::array<unsigned char, 100> header{};
    const ssize_t got = ::pread(fd, header.data(), header.size(), 0);
    const int readError = errno;
    ::close(fd);
    if (got < 0) {
        return "cannot be read: " + errnoText(readError);
    }
    if (got == 0) {
        return std::string("is not a registry store of Tavisk: the file is empty");
    }
    if (got < 100 || std::memcmp(header.data(), "SQLite format 3", 16) != 0) {
        return std::string("is not a registry store of Tavisk: it is not an SQLite database");
    }
    if (bigEndian32(&header[68]) != ApplicationId) {
        return std::string("is not a registry store of Tavisk: it is another program's database");
    }
    const std::uint32_t version = bigEndian32(&header[60]);
    if (version > SchemaVersion) {
        return "was written by a newer version of Tavisk (store version " +
               std::to_string(version) + ", this version reads up to " +
               std::to_string(SchemaVersion) + ")";
    }
    if (version < 1) {
        return std::string("is damaged: it has no store version");
    }
    return std::nullopt;
}

bool canWriteFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    ::close(fd);
    return true;
}

/// Whether a writer can keep its write-ahead log beside the file: the folder
/// must take new files, unless the log and its index are there already.
bool canKeepLog(const std::string& path) {
    if (::faccessat(AT_FDCWD, parentFolder(path).c_str(), W_OK | X_OK, AT_EACCESS) == 0) {
        return true;
    }
    return canWriteFile(path + "-wal") && canWriteFile(path + "-shm");
}

/// Creates each missing folder of path with mode 0700; folders that exist
/// are left as they are.
std::optional<std::string> makeFolders(const std::string& folder) {
    std::size_t pos = 0;
    while (pos != std::string::npos) {
        pos = folder.find('/', pos + 1);
        const std::string prefix = folder.substr(0, pos);
        struct stat info {};
        if (::stat(prefix.c_str(), &info) == 0) {
            if (!S_ISDIR(info.st_mode)) {
                return "cannot be created: \"" + prefix + "\" is not a folder";
            }
            continue;
        }
        if (::mkdir(prefix.c_str(), 0700) != 0 && errno != EEXIST) {
            return "cannot be created: folder \"" + prefix + "\": " + errnoText(errno);
        }
        ::chmod(prefix.c_str(), 0700);
    }
    return std::nullopt;
}

bool syncPath(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    const bool synced = ::fsync(fd) == 0;
    ::close(fd);
    return synced;
}

void removeWithLog(const std::string& path) {
    ::unlink(path.c_str());
    ::unlink((path + "-wal").c_str());
    ::unlink((path + "-shm").c_str());
}

/// Writes a complete empty store into a fresh file beside path.
std::optional<std::string> writeEmptyStore(const std::string& file) {
    try {
        Connection connection(file, SQLITE_OPEN_READWRITE);
        connection.exec("PRAGMA journal_mode=WAL; PRAGMA synchronous=FULL; BEGIN;");
        connection.exec(Schema);
        const std::string header = "PRAGMA application_id=" + std::to_string(ApplicationId) +
                                   "; PRAGMA user_version=" + std::to_string(SchemaVersion) + ";";
        connection.exec(header.c_str());
        connection.exec("COMMIT;");
    } catch (const SqliteError& error) {
        return "cannot be created: " + std::string(error.what());
    }
    return syncPath(file) ? std::nullopt
                          : std::optional<std::string>("cannot be created: " + errnoText(errno));
}

/// Puts file in place of path unless path exists by now; true when it did.
bool moveIntoPlace(const std::string& file, const std::string& path) {
    if (::renameat2(AT_FDCWD, file.c_str(), AT_FDCWD, path.c_str(), RENAME_NOREPLACE) == 0) {
        return true;
    }
    if (errno != EINVAL && errno != ENOSYS) {
        return false;
    }
    const bool linked = ::link(file.c_str(), path.c_str()) == 0;
    ::unlink(file.c_str());
    return linked;
}

/// Makes a new empty store at path. The store is written to a temporary file
/// and moved into place whole, so path never holds half a store; when another
/// process made one first, that one is kept. created tells which happened.
std::optional<std::string> createStore(const std::string& path, bool& created) {
    const std::string folder = parentFolder(path);
    if (auto problem = makeFolders(folder)) {
        return problem;
    }
    std::string temp = path + ".new-XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) {
        return "cannot be created: " + errnoText(errno);
    }
    ::fchmod(fd, 0600);
    ::close(fd);
    if (auto problem = writeEmptyStore(temp)) {
        removeWithLog(temp);
        return problem;
    }
    const int moveError = moveIntoPlace(temp, path) ? 0 : errno;
    removeWithLog(temp);
    created = moveError == 0;
    if (moveError != 0 && moveError != EEXIST) {
        return "cannot be created: " + errnoText(moveError);
    }
    syncPath(folder);
    return std::nullopt;
}

std::string describe(const SqliteError& error) {
    switch (error.primary()) {
    case SQLITE_NOTADB:
        return "is not a registry store of Tavisk: it is not an SQLite database";
    case SQLITE_CORRUPT:
        return std::string("is damaged: ") + error.what();
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return "is locked by another process";
    default:
        return std::string("cannot be opened: ") + error.what();
    }
}

/// The whole report of SQLite's quick integrity check, one problem a line
/// ("ok" alone for a sound file), and how many problems it names.
std::string integrityReport(Connection& connection, std::size_t& problems) {
    Statement check(connection, "PRAGMA quick_check");
    std::string report;
    problems = 0;
    while (check.step()) {
        const std::string row = check.text(0);
        report += row + '\n';
        std::size_t start = 0;
        while (start < row.size()) {
            const std::size_t end = std::min(row.find('\n', start), row.size());
            const std::string line = row.substr(start, end - start);
            // "*** in database main ***" only heads the lines that follow it.
            if (!line.starts_with("*** ") && line != "ok") {
                ++problems;
            }
            start = end + 1;
        }
    }
    return report;
}

/// Checks, through SQLite, what the header check could not see. details
/// receives the whole integrity report of a damaged file.
std::optional<std::string> contentProblem(Connection& connection, std::string& details) {
    const std::int64_t version = connection.queryInteger("PRAGMA user_version");
    if (connection.queryInteger("PRAGMA application_id") != ApplicationId) {
        return std::string("is not a registry store of Tavisk: it is another program's database");
    }
    if (version > SchemaVersion) {
        return "was written by a newer version of Tavisk (store version " +
               std::to_string(version) + ", this version reads up to " +
               std::to_string(SchemaVersion) + ")";
    }
    std::size_t problems = 0;
    const std::string report = integrityReport(connection, problems);
    if (report != "ok\n") {
        details = report;
        return "is damaged: its integrity check found " + std::to_string(problems) +
               (problems == 1 ? " problem" : " problems");
    }
    if (connection.queryInteger("SELECT count(*) FROM sqlite_schema WHERE type = 'table' AND "
                                "name IN ('keys', 'vals')") != 2 ||
        connection.queryInteger("SELECT count(*) FROM keys WHERE id IN (1, 2, 3, 4)") != 4) {
        return std::string("is damaged: its tables are incomplete");
    }
    return std::nullopt;
}

bool exists(const std::string& path) {
    return ::access(path.c_str(), F_OK) == 0;
}

/// A URI that opens path as an unchanging file: no log or index files are
/// looked for or made beside it.
std::string snapshotUri(const std::string& path) {
    std::string uri = "file:";
    for (const char c : path) {
        if (c == '%' || c == '?' || c == '#') {
            char escaped[4];
            std::snprintf(escaped, sizeof escaped, "%%%02X", static_cast<unsigned char>(c));
            uri += escaped;
        } else {
            uri += c;
        }
    }
    return uri + "?immutable=1";
}

/// How this process can use an existing store.
enum class Access {
    ReadWrite,
    ReadOnly, ///< through the log files a writer keeps beside it, so changes are seen
    Snapshot, ///< no log files and none may be made: the file as it is now
};

Access accessTo(const std::string& path) {
    if (canWriteFile(path) && canKeepLog(path)) {
        return Access::ReadWrite;
    }
    // Log files made by a reader would belong to the reader and could lock
    // the store's owner out of writing; without them the file is complete.
    return exists(path + "-wal") && exists(path + "-shm") ? Access::ReadOnly : Access::Snapshot;
}

Connection connect(const std::string& path, Access access) {
    switch (access) {
    case Access::ReadWrite:
        return Connection(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX);
    case Access::ReadOnly:
        return Connection(path, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX);
    case Access::Snapshot:
        break;
    }
    return Connection(snapshotUri(path),
                      SQLITE_OPEN_READONLY | SQLITE_OPEN_URI | SQLITE_OPEN_NOMUTEX);
}

OpenedFile openExisting(const std::string& path) {
    if (auto problem = headerProblem(path)) {
        return failure(path, *problem);
    }
    const Access access = accessTo(path);
    OpenedFile file;
    try {
        file.connection = connect(path, access);
        sqlite3_busy_timeout(file.connection.handle(), BusyTimeoutMs);
        file.connection.exec("PRAGMA synchronous=FULL");
        std::string details;
        if (auto problem = contentProblem(file.connection, details)) {
            return failure(path, *problem, details);
        }
        if (access == Access::ReadWrite &&
            file.connection.queryText("PRAGMA journal_mode") != "wal") {
            file.connection.exec("PRAGMA journal_mode=WAL");
        }
    } catch (const SqliteError& error) {
        return failure(path, describe(error));
    }
    if (access == Access::ReadWrite) {
        file.result = {OpenStatus::Opened, path, {}};
    } else {
        file.result = {OpenStatus::ReadOnly, path,
                       "The registry store \"" + path + "\" is read-only" +
                           (access == Access::Snapshot
                                ? "; changes that other programs make to it are seen only when "
                                  "it is opened again."
                                : ".")};
    }
    return file;
}

} // namespace

OpenedFile openStoreFile(const std::string& path) {
    if (path.empty()) {
        return failure(path, "has no name");
    }
    struct stat info {};
    bool created = false;
    if (::stat(path.c_str(), &info) != 0) {
        if (errno != ENOENT) {
            return failure(path, "cannot be reached: " + errnoText(errno));
        }
        if (auto problem = createStore(path, created)) {
            return failure(path, *problem);
        }
    } else if (!S_ISREG(info.st_mode)) {
        return failure(path, "is not a file");
    }
    OpenedFile file = openExisting(path);
    if (created && file.result.status == OpenStatus::Opened) {
        file.result.status = OpenStatus::Created;
    }
    return file;
}

} // namespace tavisk::registry::detail

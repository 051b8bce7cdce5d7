#pragma once
// Small file operations the bridge needs, each either done whole or not at all.
// Failures throw FileError with a message that names the file and the cause.
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <sys/types.h>
#include <vector>

namespace tavisk::desktop {

class FileError final : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

enum class PathKind { Missing, RegularFile, Other };

/// What is at path, without following a symbolic link.
PathKind pathKind(const std::string& path);

/// Thrown for a symbolic link, a FIFO or anything else that is not a regular file.
class NotRegularFile final : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct RegularFile {
    std::string text;
    mode_t mode; ///< its permission bits
};

/// The whole file with its permission bits, or nothing when it does not
/// exist. A symbolic link or anything but a regular file is refused with
/// NotRegularFile (never opened for reading: a FIFO would block); other
/// failures throw FileError.
std::optional<RegularFile> readRegularFile(const std::string& path);

/// readRegularFile's text alone.
std::optional<std::string> readFile(const std::string& path);

/// Creates dir and every missing folder above it.
void makeDirs(const std::string& dir);

/// mode less the bits the process's umask takes away, as a file made with open() gets.
mode_t withUmask(mode_t mode);

/// "the disk is full; ..." for ENOSPC, else the system's text for the error.
std::string describeError(int error);

/// What the bridge says when a file it reads or replaces is a symbolic link.
inline constexpr const char* SymlinkRefusal =
    "it is a symbolic link, and the bridge does not follow links where it writes "
    "(another user's link could redirect the write); replace the link by the file";

/// Several files replaced atomically: each is written to a temporary file in
/// its folder when staged, and commit() renames each over its target, so
/// that readers see each file whole, old or new. A file staged Synced (one
/// that holds the user's data) is synced before its rename; a Regenerable one
/// (the bridge's own entries, which a sync writes again) is not, which spares
/// thousands of syncs in a full sync: after a crash such a file may be empty,
/// and an empty file where the bridge writes counts as its own. Temporaries
/// not committed are removed.
class FileBatch final {
public:
    using Failed = std::function<void(const std::string& path, const std::string& message)>;

    FileBatch() = default;
    ~FileBatch();
    FileBatch(const FileBatch&) = delete;
    FileBatch& operator=(const FileBatch&) = delete;

    enum class Durability { Synced, Regenerable };

    /// Writes the temporary file; throws FileError, leaving nothing behind.
    void stage(const std::string& path, const std::string& content, mode_t mode,
               Durability durability = Durability::Synced);
    /// Puts every staged file in place; each that cannot be is reported to failed.
    void commit(const Failed& failed);

private:
    struct Staged {
        std::string path;
        std::string temp;
    };
    std::vector<Staged> m_files;
};

/// The permission bits of an existing file, or fallback.
mode_t fileMode(const std::string& path, mode_t fallback);

/// Removes one file; a file already gone is no error.
void removeFile(const std::string& path);

/// Names in dir (not "." or ".."); none when dir does not exist.
std::vector<std::string> listDir(const std::string& dir);

/// dir + "/" + name.
std::string joinPath(const std::string& dir, const std::string& name);

/// The folder part of path.
std::string parentDir(const std::string& path);

/// An exclusive lock on a file held for the object's life, shared by every
/// process that runs the bridge, so that two of them never merge the same
/// file at once. Taking it never fails the caller: without it work goes on.
class FileLock final {
public:
    explicit FileLock(const std::string& path);
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

private:
    int m_fd = -1;
};

} // namespace tavisk::desktop

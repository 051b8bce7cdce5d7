#include "FileUtil.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <set>

namespace tavisk::desktop {

std::string describeError(int error) {
    if (error == ENOSPC || error == EDQUOT)
        return "the disk is full; free some space and run \"tavisk-shell sync\"";
    return std::strerror(error);
}

namespace {

[[noreturn]] void fail(const std::string& what, const std::string& path, int error) {
    throw FileError(what + " " + path + ": " + describeError(error));
}

/// Closes a descriptor when it goes out of scope.
class Descriptor final {
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    ~Descriptor() {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return m_fd; }
    int release() {
        int fd = m_fd;
        m_fd = -1;
        return fd;
    }

private:
    int m_fd;
};

void writeAll(int fd, const std::string& content, const std::string& path) {
    std::size_t done = 0;
    while (done < content.size()) {
        ssize_t n = ::write(fd, content.data() + done, content.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            fail("cannot write", path, errno);
        done += static_cast<std::size_t>(n);
    }
}

void syncDir(const std::string& dir) {
    Descriptor fd(::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.get() >= 0)
        ::fsync(fd.get());
}

} // namespace

PathKind pathKind(const std::string& path) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0)
        return PathKind::Missing;
    return S_ISREG(info.st_mode) ? PathKind::RegularFile : PathKind::Other;
}

std::optional<RegularFile> readRegularFile(const std::string& path) {
    // Not blocking: a FIFO put where a file belongs must not hang the bridge.
    Descriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
    if (fd.get() < 0) {
        if (errno == ENOENT)
            return std::nullopt;
        if (errno == ELOOP)
            throw NotRegularFile("cannot read " + path + ": " + SymlinkRefusal);
        fail("cannot read", path, errno);
    }
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0)
        fail("cannot read", path, errno);
    if (!S_ISREG(info.st_mode))
        throw NotRegularFile("cannot read " + path +
                             ": it is not a regular file; move it away and try again");
    RegularFile file{std::string(), info.st_mode & 07777};
    // One read takes a file whose size fstat told; more only when it grew.
    std::string& content = file.text;
    content.resize(static_cast<std::size_t>(info.st_size) + 1);
    std::size_t done = 0;
    for (;;) {
        if (done == content.size())
            content.resize(content.size() * 2);
        ssize_t n = ::read(fd.get(), content.data() + done, content.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            fail("cannot read", path, errno);
        if (n == 0)
            break;
        done += static_cast<std::size_t>(n);
        if (done < content.size())
            break;
    }
    content.resize(done);
    return file;
}

std::optional<std::string> readFile(const std::string& path) {
    auto file = readRegularFile(path);
    if (!file)
        return std::nullopt;
    return std::move(file->text);
}

void makeDirs(const std::string& dir) {
    if (dir.empty())
        return;
    struct stat info {};
    if (::stat(dir.c_str(), &info) == 0) {
        if (!S_ISDIR(info.st_mode))
            throw FileError("cannot create folder " + dir + ": a file is in the way");
        return;
    }
    makeDirs(parentDir(dir));
    if (::mkdir(dir.c_str(), 0755) != 0 && errno != EEXIST)
        fail("cannot create folder", dir, errno);
}

mode_t withUmask(mode_t mode) {
    // Read once: the umask can only be read by setting it, and a process
    // does not change its own while the bridge runs.
    static const mode_t mask = [] {
        const mode_t value = ::umask(0);
        ::umask(value);
        return value;
    }();
    return mode & ~mask;
}

FileBatch::~FileBatch() {
    for (const auto& file : m_files)
        ::unlink(file.temp.c_str());
}

void FileBatch::stage(const std::string& path, const std::string& content, mode_t mode,
                      Durability durability) {
    makeDirs(parentDir(path));
    std::string temp = path + ".tavisk-XXXXXX";
    Descriptor fd(::mkostemp(temp.data(), O_CLOEXEC));
    if (fd.get() < 0)
        fail("cannot write", path, errno);
    try {
        writeAll(fd.get(), content, path);
        if (::fchmod(fd.get(), mode) != 0)
            fail("cannot set the mode of", path, errno);
        if (durability == Durability::Synced && ::fsync(fd.get()) != 0)
            fail("cannot write", path, errno);
        if (::close(fd.release()) != 0)
            fail("cannot write", path, errno);
    } catch (...) {
        ::unlink(temp.c_str());
        throw;
    }
    m_files.push_back({path, std::move(temp)});
}

void FileBatch::commit(const Failed& failed) {
    std::set<std::string> dirs;
    auto files = std::move(m_files);
    m_files.clear();
    for (std::size_t i = 0; i < files.size(); ++i) {
        const auto& file = files[i];
        if (::rename(file.temp.c_str(), file.path.c_str()) != 0) {
            const int error = errno;
            ::unlink(file.temp.c_str());
            try {
                failed(file.path, "cannot replace " + file.path + ": " + describeError(error));
            } catch (...) {
                for (std::size_t j = i + 1; j < files.size(); ++j)
                    ::unlink(files[j].temp.c_str());
                throw;
            }
            continue;
        }
        dirs.insert(parentDir(file.path));
    }
    for (const auto& dir : dirs)
        syncDir(dir);
}

mode_t fileMode(const std::string& path, mode_t fallback) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        return fallback;
    return info.st_mode & 07777;
}

void removeFile(const std::string& path) {
    if (::unlink(path.c_str()) != 0 && errno != ENOENT)
        fail("cannot remove", path, errno);
}

std::vector<std::string> listDir(const std::string& dir) {
    std::vector<std::string> names;
    DIR* handle = ::opendir(dir.c_str());
    if (!handle) {
        if (errno == ENOENT || errno == ENOTDIR)
            return names;
        fail("cannot read folder", dir, errno);
    }
    while (const dirent* entry = ::readdir(handle)) {
        std::string name = entry->d_name;
        if (name != "." && name != "..")
            names.push_back(std::move(name));
    }
    ::closedir(handle);
    return names;
}

std::string joinPath(const std::string& dir, const std::string& name) {
    if (dir.empty() || dir.back() == '/')
        return dir + name;
    return dir + "/" + name;
}

std::string parentDir(const std::string& path) {
    auto slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

FileLock::FileLock(const std::string& path) {
    try {
        makeDirs(parentDir(path));
    } catch (const FileError&) {
        return;
    }
    m_fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (m_fd >= 0)
        while (::flock(m_fd, LOCK_EX) != 0 && errno == EINTR) {
        }
}

FileLock::~FileLock() {
    if (m_fd >= 0)
        ::close(m_fd);
}

} // namespace tavisk::desktop

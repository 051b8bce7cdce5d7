#include "SyncState.h"

#include "FileUtil.h"

#include <cstdint>
#include <cstdio>
#include <sys/stat.h>

namespace tavisk::desktop {
namespace {

/// Raise it whenever a format's output changes for the same entry, so that
/// the files of an older version are rendered again.
constexpr int FormatVersion = 1;
constexpr const char* Header = "tavisk-desktop-bridge-state 1\n";

std::uint64_t fnv1a(const std::string& text) {
    std::uint64_t hash = 14695981039346656037ull;
    for (const unsigned char c : text) {
        hash ^= c;
        hash *= 1099511628211ull;
    }
    return hash;
}

/// Size, change time (nanoseconds) and inode of the file; empty when it is
/// missing or not a regular file.
std::string stampOf(const std::string& path) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return {};
    return std::to_string(info.st_size) + ":" + std::to_string(info.st_ctim.tv_sec) + "." +
           std::to_string(info.st_ctim.tv_nsec) + ":" + std::to_string(info.st_ino) + ":" +
           std::to_string(info.st_mode & 07777);
}

} // namespace

std::string inputsDigest(const DesktopEntry& entry) {
    std::string text = std::to_string(FormatVersion);
    const auto add = [&text](const std::string& field) {
        text += '\0';
        text += field;
    };
    for (const auto* field : {&entry.id, &entry.caption, &entry.storedCommand, &entry.icon})
        add(*field);
    for (const auto* list : {&entry.types, &entry.mimeTypes, &entry.extensions}) {
        add("\x01");
        for (const auto& item : *list)
            add(item);
    }
    return textDigest(text);
}

std::string textDigest(const std::string& text) {
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(fnv1a(text)));
    return hex;
}

SyncState::SyncState(std::string path) : m_path(std::move(path)) {
    std::string text;
    try {
        text = readFile(m_path).value_or("");
    } catch (const std::exception&) {
        return;
    }
    if (text.rfind(Header, 0) != 0)
        return;
    // One line per file: digest, stamp and path, separated by tabs.
    std::size_t start = std::char_traits<char>::length(Header);
    while (start < text.size()) {
        const std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            break;
        const std::string line = text.substr(start, end - start);
        start = end + 1;
        const std::size_t first = line.find('\t');
        const std::size_t second = first == std::string::npos ? first : line.find('\t', first + 1);
        if (second == std::string::npos)
            continue;
        m_read[line.substr(second + 1)] = {line.substr(0, first),
                                           line.substr(first + 1, second - first - 1)};
    }
}

bool SyncState::unchanged(const std::string& path, const std::string& digest) const {
    const auto found = m_read.find(path);
    return found != m_read.end() && found->second.digest == digest &&
           !found->second.stamp.empty() && found->second.stamp == stampOf(path);
}

void SyncState::remember(const std::string& path, const std::string& digest) {
    if (path.find_first_of("\t\n") != std::string::npos)
        return;
    std::string stamp = stampOf(path);
    if (!stamp.empty())
        m_remembered[path] = {digest, std::move(stamp)};
}

void SyncState::carry(const std::string& path) {
    if (const auto found = m_read.find(path); found != m_read.end())
        m_remembered[path] = found->second;
}

void SyncState::save() const {
    if (m_remembered == m_read)
        return;
    std::string text = Header;
    for (const auto& [path, seen] : m_remembered)
        text += seen.digest + "\t" + seen.stamp + "\t" + path + "\n";
    try {
        makeDirs(parentDir(m_path));
        FileBatch batch;
        batch.stage(m_path, text, withUmask(0600), FileBatch::Durability::Regenerable);
        batch.commit([](const std::string&, const std::string&) {});
    } catch (const std::exception&) {
    }
}

} // namespace tavisk::desktop

#pragma once
// What the last full sync left in each file, so that the next one can tell an
// unchanged file without rendering its entry again: per file, a digest of the
// entry it was written from and the file's size, change time and inode as
// they were after the sync. A file that anyone touched since differs in those
// and is rendered and compared as usual. The state is a cache: lost, damaged
// or from another version, it is simply rebuilt.
#include "DesktopEntries.h"

#include <string>
#include <unordered_map>

namespace tavisk::desktop {

/// A digest of everything the formats read from an entry, and of the formats'
/// version: equal digests render equal files.
std::string inputsDigest(const DesktopEntry& entry);

/// A digest of any text (of several digests, for a file shared by entries).
std::string textDigest(const std::string& text);

class SyncState final {
public:
    /// Reads the state kept at path; an empty state when there is none.
    explicit SyncState(std::string path);

    /// True when the file at path is as the last sync left it, from these inputs.
    bool unchanged(const std::string& path, const std::string& digest) const;
    /// Records the file at path as it is now, written from these inputs.
    void remember(const std::string& path, const std::string& digest);
    /// Records a file that unchanged() found as the last sync left it.
    void carry(const std::string& path);
    /// Writes the files remembered (and only those) when they differ from
    /// what was read. Never throws: without a state the next sync is slower.
    void save() const;

private:
    struct Seen {
        std::string digest;
        std::string stamp; ///< size, change time and inode
        bool operator==(const Seen&) const = default;
    };

    std::string m_path;
    std::unordered_map<std::string, Seen> m_read;
    std::unordered_map<std::string, Seen> m_remembered;
};

} // namespace tavisk::desktop

#pragma once
// The entries the bridge offers to file managers: one per caption and command,
// with every MIME type and extension of the types whose verbs carry them.
#include "ClassesRoot.h"
#include "CommandLine.h"

#include <string>
#include <vector>

namespace tavisk::desktop {

struct DesktopEntry {
    std::string id; ///< file name stem, "tavisk-" + caption hash [+ "_" + command hash] + "-" +
                    ///< slug; each hash is 128 bits of SHA-256
    std::string caption; ///< as the first of its verbs spells it
    std::string storedCommand;
    CommandLine command;
    std::vector<std::string> types;      ///< the registry keys it comes from
    std::vector<std::string> mimeTypes;  ///< sorted, no duplicates
    std::vector<std::string> extensions; ///< ".txt", sorted, no duplicates
    std::string icon; ///< the icon of the application that runs its program; empty when unknown
};

/// A verb that gives no entry, and why.
struct SkippedVerb {
    ShellVerb verb;
    std::string reason;
};

struct EntrySet {
    std::vector<DesktopEntry> entries; ///< sorted by id
    std::vector<SkippedVerb> skipped;
};

/// Groups verbs by caption (without regard to case) and command: one caption
/// with several types is one entry with all their MIME types; the same caption
/// with different commands gives one entry per command.
EntrySet buildEntries(const std::vector<ShellVerb>& verbs, const TypeMap& types);

/// The start shared by the ids of every entry of a caption: "tavisk-" and the
/// caption's hash.
std::string captionPrefix(const std::string& caption);

/// The captionPrefix() part of a file name or id of the bridge's; empty for
/// any other name.
std::string captionPrefixOf(const std::string& name);

/// True when name (a file name or an id) belongs to the bridge; prefix, when
/// not empty, must also match it (see captionPrefix).
bool isBridgeName(const std::string& name, const std::string& prefix = {});

/// The prefix every name the bridge writes starts with.
inline constexpr const char* NamePrefix = "tavisk-";

} // namespace tavisk::desktop

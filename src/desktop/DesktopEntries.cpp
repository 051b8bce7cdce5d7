#include "DesktopEntries.h"

#include "CaseFold.h"
#include "EntryFormats.h"

#include <algorithm>
#include <glib.h>
#include <map>
#include <optional>
#include <unordered_map>

namespace tavisk::desktop {
namespace {

constexpr std::size_t SlugLength = 40;
constexpr std::size_t HashLength = 32;

/// The first 128 bits of the text's SHA-256, in hex: names that no other
/// caption or command can be made to share.
std::string hash128(const std::string& text) {
    GChecksum* checksum = g_checksum_new(G_CHECKSUM_SHA256);
    g_checksum_update(checksum, reinterpret_cast<const guchar*>(text.data()),
                      static_cast<gssize>(text.size()));
    std::string hex = g_checksum_get_string(checksum);
    g_checksum_free(checksum);
    return hex.substr(0, HashLength);
}

/// The caption's letters and digits in lower case, other runs as one "-".
std::string slug(const std::string& caption) {
    std::string text;
    for (unsigned char c : caption) {
        const bool keep = (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
        if (keep || (c >= 'A' && c <= 'Z'))
            text += static_cast<char>(keep ? c : c + 32);
        else if (!text.empty() && text.back() != '-')
            text += '-';
        if (text.size() >= SlugLength)
            break;
    }
    while (!text.empty() && text.back() == '-')
        text.pop_back();
    return text;
}

void insertSorted(std::vector<std::string>& list, const std::string& item) {
    auto at = std::lower_bound(list.begin(), list.end(), item);
    if (at == list.end() || *at != item)
        list.insert(at, item);
}

struct Group {
    DesktopEntry entry;
    std::string commandKey;
};

std::string entryId(const DesktopEntry& entry, bool severalCommands, const std::string& key) {
    std::string id = captionPrefix(entry.caption);
    if (severalCommands)
        id += "_" + hash128(key);
    const std::string name = slug(entry.caption);
    return name.empty() ? id : id + "-" + name;
}

void addVerb(Group& group, const ShellVerb& verb, const TypeMap::Meaning& meaning) {
    group.entry.types.push_back(verb.type);
    for (const auto& mime : meaning.mimeTypes)
        insertSorted(group.entry.mimeTypes, mime);
    for (const auto& extension : meaning.extensions)
        insertSorted(group.entry.extensions, extension);
}

} // namespace

std::string captionPrefix(const std::string& caption) {
    return NamePrefix + hash128(foldCase(caption));
}

std::string captionPrefixOf(const std::string& name) {
    const std::size_t length = std::char_traits<char>::length(NamePrefix) + HashLength;
    if (name.size() < length || name.rfind(NamePrefix, 0) != 0)
        return {};
    const char next = name.size() > length ? name[length] : '\0';
    if (next != '\0' && next != '-' && next != '_' && next != '.')
        return {};
    return name.substr(0, length);
}

bool isBridgeName(const std::string& name, const std::string& prefix) {
    if (name.rfind(NamePrefix, 0) != 0)
        return false;
    if (prefix.empty())
        return true;
    if (name.rfind(prefix, 0) != 0)
        return false;
    const char next = name.size() > prefix.size() ? name[prefix.size()] : '\0';
    return next == '\0' || next == '-' || next == '_' || next == '.';
}

EntrySet buildEntries(const std::vector<ShellVerb>& verbs, const TypeMap& types) {
    EntrySet set;
    std::map<std::pair<std::string, std::string>, Group> groups;
    std::map<std::string, std::size_t> commandsPerCaption;
    // Many verbs share a caption, a command and a type: each is read once.
    struct Command {
        std::optional<std::string> problem;
        std::optional<CommandLine> line;
        std::string key;
    };
    std::unordered_map<std::string, std::pair<std::optional<std::string>, std::string>> captions;
    std::unordered_map<std::string, Command> commands;
    std::unordered_map<std::string, TypeMap::Meaning> meanings;
    for (const auto& verb : verbs) {
        auto caption = captions.find(verb.caption);
        if (caption == captions.end())
            caption =
                captions
                    .try_emplace(verb.caption, textProblem(verb.caption), foldCase(verb.caption))
                    .first;
        if (const auto& problem = caption->second.first) {
            set.skipped.push_back({verb, "its caption cannot be shown: " + *problem});
            continue;
        }
        auto command = commands.find(verb.command);
        if (command == commands.end()) {
            Command read{textProblem(verb.command), std::nullopt, {}};
            if (!read.problem && (read.line = parseCommand(verb.command)))
                read.key = launchLine(*read.line, "%f");
            command = commands.try_emplace(verb.command, std::move(read)).first;
        }
        if (const auto& problem = command->second.problem) {
            set.skipped.push_back({verb, "its command cannot be written: " + *problem});
            continue;
        }
        if (!command->second.line) {
            set.skipped.push_back({verb, "its command names no program"});
            continue;
        }
        const std::string& key = command->second.key;
        auto [it, added] = groups.try_emplace({caption->second.second, key});
        if (added) {
            it->second.entry.caption = verb.caption;
            it->second.entry.storedCommand = verb.command;
            it->second.entry.command = *command->second.line;
            it->second.commandKey = key;
            ++commandsPerCaption[it->first.first];
        }
        auto meaning = meanings.find(verb.type);
        if (meaning == meanings.end())
            meaning = meanings.try_emplace(verb.type, types.resolve(verb.type)).first;
        addVerb(it->second, verb, meaning->second);
    }
    for (auto& [key, group] : groups) {
        group.entry.id = entryId(group.entry, commandsPerCaption[key.first] > 1, group.commandKey);
        set.entries.push_back(std::move(group.entry));
    }
    std::sort(set.entries.begin(), set.entries.end(),
              [](const DesktopEntry& a, const DesktopEntry& b) { return a.id < b.id; });
    return set;
}

} // namespace tavisk::desktop

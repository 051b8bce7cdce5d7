#include "NautilusMenu.h"

#include "EntryFormats.h"
#include "FileUtil.h"
#include "KeyFile.h"

#include <map>
#include <optional>
#include <sys/stat.h>

namespace tavisk::desktop {
namespace {

/// The module python3-nautilus installs for Nautilus 43 and later.
constexpr const char* PythonModule = "nautilus/extensions-4/libnautilus-python.so";
/// Marks the extension's text as the bridge's (it is in its first lines).
constexpr const char* ExtensionMarker = "X-Tavisk-Bridge";
constexpr const char* EntryGroup = "Entry ";

/// One of the two files: absent, the bridge's (with its text) or someone else's.
struct Found {
    enum Kind { Missing, Ours, Foreign } kind = Missing;
    std::string text;
};

Found inspectFile(const std::string& path, bool (*ours)(const std::string& text)) {
    std::optional<std::string> text;
    try {
        text = readFile(path);
    } catch (const NotRegularFile&) {
        return {Found::Foreign, ""};
    }
    if (!text)
        return {};
    // An empty file is one the bridge wrote just before a crash.
    if (text->empty() || ours(*text))
        return {Found::Ours, std::move(*text)};
    return {Found::Foreign, ""};
}

bool isOurExtension(const std::string& text) {
    return text.compare(0, 200, nautilusExtensionSource(), 0, 200) == 0 ||
           text.substr(0, 200).find(ExtensionMarker) != std::string::npos;
}

bool isOurEntries(const std::string& text) {
    const auto file = KeyFile::parse(text);
    return file && file->hasGroup(NautilusHeaderGroup);
}

/// An argument as the extension reads it: %f in the file's place, %% for %.
std::string encodeArgument(const Argument& argument) {
    std::string text;
    for (std::size_t i = 0; i < argument.pieces.size(); ++i) {
        if (i > 0)
            text += "%f";
        for (char c : argument.pieces[i])
            text += c == '%' ? "%%" : std::string(1, c);
    }
    return text;
}

void addEntry(KeyFile& file, const DesktopEntry& entry) {
    const std::string group = EntryGroup + entry.id;
    file.setString(group, "Name", entry.caption);
    file.setString(group, "Icon", iconOf(entry));
    file.setList(group, "MimeType", entry.mimeTypes);
    file.setString(group, "Program", entry.command.program);
    std::vector<std::string> arguments;
    for (const auto& argument : entry.command.arguments)
        arguments.push_back(encodeArgument(argument));
    file.setList(group, "Arguments", arguments);
    file.setRaw(group, "Multiple", acceptsSeveralFiles(entry.command) ? "true" : "false");
    file.setString(group, VerbKey, entry.caption);
}

void copyGroup(KeyFile& to, const KeyFile& from, const std::string& group) {
    for (const auto& key : from.keys(group))
        to.setRaw(group, key, from.rawValue(group, key).value_or(""));
}

/// The data file's text: the kept groups and the new entries, by id.
std::string entriesText(const KeyFile* old, const std::vector<std::string>& keptIds,
                        const std::vector<DesktopEntry>& entries) {
    std::map<std::string, const DesktopEntry*> byId;
    for (const auto& id : keptIds)
        byId[id] = nullptr;
    for (const auto& entry : entries)
        byId[entry.id] = &entry;
    KeyFile file;
    file.setRaw(NautilusHeaderGroup, "Version", "1");
    for (const auto& [id, entry] : byId) {
        if (entry)
            addEntry(file, *entry);
        else if (old)
            copyGroup(file, *old, EntryGroup + id);
    }
    return file.text();
}

std::vector<std::string> idsIn(const KeyFile& file) {
    std::vector<std::string> ids;
    const std::string prefix = EntryGroup;
    for (const auto& group : file.groups())
        if (group.rfind(prefix, 0) == 0)
            ids.push_back(group.substr(prefix.size()));
    return ids;
}

void removeOurs(const std::string& path, const Found& found, const RemoveFile& remove,
                Outcome& outcome) {
    if (found.kind != Found::Ours)
        return;
    remove(path);
    outcome.removed.push_back(path);
}

bool exists(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0;
}

} // namespace

bool haveNautilusPython(const XdgDirs& dirs) {
    for (const auto& dir : dirs.libDirs)
        if (exists(dir + "/" + PythonModule))
            return true;
    return false;
}

std::vector<std::string> nautilusEntryIds(const XdgDirs& dirs) {
    try {
        const auto text = readFile(joinPath(dirs.nautilusExtensionsDir(), NautilusEntriesName));
        if (!text)
            return {};
        const auto file = KeyFile::parse(*text);
        if (file && file->hasGroup(NautilusHeaderGroup))
            return idsIn(*file);
    } catch (const std::exception&) {
    }
    return {};
}

void reconcileNautilus(const XdgDirs& dirs, const std::vector<DesktopEntry>& entries,
                       const std::function<bool(const std::string& id)>& inScope,
                       const StageFile& stage, const RemoveFile& remove, Outcome& outcome) {
    const std::string dir = dirs.nautilusExtensionsDir();
    const std::string extensionPath = joinPath(dir, NautilusExtensionName);
    const std::string entriesPath = joinPath(dir, NautilusEntriesName);
    try {
        const Found extension = inspectFile(extensionPath, isOurExtension);
        const Found data = inspectFile(entriesPath, isOurEntries);
        for (const auto* foreign : {&extension, &data})
            if (foreign->kind == Found::Foreign) {
                outcome.problems.push_back(
                    {FileManager::Nautilus, foreign == &extension ? extensionPath : entriesPath,
                     "a file Tavisk did not write has this name; left alone"});
                return;
            }
        std::vector<DesktopEntry> wanted;
        std::vector<std::string> kept;
        std::optional<KeyFile> old = KeyFile::parse(data.text);
        if (haveNautilusPython(dirs)) {
            for (const auto& entry : entries)
                if (!entry.mimeTypes.empty())
                    wanted.push_back(entry);
            if (old)
                for (const auto& id : idsIn(*old))
                    if (!inScope(id))
                        kept.push_back(id);
        }
        if (wanted.empty() && kept.empty()) {
            removeOurs(extensionPath, extension, remove, outcome);
            removeOurs(entriesPath, data, remove, outcome);
            return;
        }
        const std::string text = entriesText(old ? &*old : nullptr, kept, wanted);
        if (data.kind != Found::Ours || data.text != text) {
            stage(entriesPath, text, withUmask(0644));
            outcome.written.push_back(entriesPath);
        }
        if (extension.kind != Found::Ours || extension.text != nautilusExtensionSource()) {
            stage(extensionPath, nautilusExtensionSource(), withUmask(0644));
            outcome.written.push_back(extensionPath);
        }
    } catch (const std::exception& error) {
        outcome.problems.push_back({FileManager::Nautilus, dir, error.what()});
    }
}

} // namespace tavisk::desktop

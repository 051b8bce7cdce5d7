#include "ProgramIcons.h"

#include "DesktopEntries.h"
#include "FileUtil.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace tavisk::desktop {
namespace {

/// Subfolders of an applications folder are looked into this deep at most.
constexpr int MaxDepth = 3;

std::vector<std::string> splitPath(const std::string& path) {
    std::vector<std::string> dirs;
    std::stringstream stream(path);
    for (std::string dir; std::getline(stream, dir, ':');)
        if (!dir.empty())
            dirs.push_back(dir);
    return dirs;
}

std::string baseName(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool isDir(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

/// A key file's string escapes undone (\s, \n, \t, \r, \\).
std::string unescapeValue(const std::string& value) {
    std::string text;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '\\' || i + 1 == value.size()) {
            text += value[i];
            continue;
        }
        const char next = value[++i];
        text += next == 's'   ? ' '
                : next == 'n' ? '\n'
                : next == 't' ? '\t'
                : next == 'r' ? '\r'
                              : next;
    }
    return text;
}

std::string trim(const std::string& text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

/// The keys of the main group that matter here.
struct MainGroup {
    std::string type, exec, icon;
    bool hidden = false;
};

/// Reads lines up to the end of the [Desktop Entry] group, which comes first.
std::optional<MainGroup> readMainGroup(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    MainGroup group;
    bool inside = false;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty() || line[0] == '#')
            continue;
        if (line[0] == '[') {
            if (inside)
                break;
            if (line != "[Desktop Entry]")
                return std::nullopt;
            inside = true;
            continue;
        }
        const auto equals = line.find('=');
        if (!inside || equals == std::string::npos)
            continue;
        const std::string key = trim(line.substr(0, equals));
        const std::string value = unescapeValue(trim(line.substr(equals + 1)));
        if (key == "Type")
            group.type = value;
        else if (key == "Exec")
            group.exec = value;
        else if (key == "Icon")
            group.icon = value;
        else if (key == "Hidden")
            group.hidden = value == "true";
    }
    if (!inside)
        return std::nullopt;
    return group;
}

} // namespace

std::optional<std::string> execProgram(const std::string& exec) {
    std::size_t at = exec.find_first_not_of(" \t");
    if (at == std::string::npos)
        return std::nullopt;
    if (exec[at] != '"')
        return exec.substr(at, exec.find_first_of(" \t", at) - at);
    std::string program;
    for (++at; at < exec.size(); ++at) {
        if (exec[at] == '"')
            return program;
        if (exec[at] == '\\' && at + 1 < exec.size())
            ++at;
        program += exec[at];
    }
    return std::nullopt;
}

ProgramIcons::ProgramIcons(XdgDirs dirs, std::string path)
    : m_dirs(std::move(dirs)), m_path(splitPath(path)) {}

ProgramIcons::ProgramIcons(XdgDirs dirs)
    : ProgramIcons(std::move(dirs), std::getenv("PATH") ? std::getenv("PATH") : "") {}

void ProgramIcons::scan() {
    m_scanned = true;
    scanDir(m_dirs.applicationsDir(), "", 0);
    for (const auto& dir : m_dirs.dataDirs)
        scanDir(dir + "/applications", "", 0);
}

void ProgramIcons::scanDir(const std::string& dir, const std::string& idPrefix, int depth) {
    std::vector<std::string> names;
    try {
        names = listDir(dir);
    } catch (const std::exception&) {
        return; // an unreadable folder offers no icons; the generic one stands
    }
    for (const auto& name : names) {
        const std::string path = joinPath(dir, name);
        const std::string id = idPrefix + name;
        const bool desktopFile =
            name.size() > 8 && name.compare(name.size() - 8, 8, ".desktop") == 0;
        if (!desktopFile) {
            if (depth < MaxDepth && isDir(path))
                scanDir(path, id + "-", depth + 1);
            continue;
        }
        // An id met before is shadowed here; the bridge's own entries never count.
        if (id.rfind(NamePrefix, 0) == 0 || !m_seenIds.insert(id).second)
            continue;
        const auto group = readMainGroup(path);
        if (!group || group->hidden || group->type != "Application" || group->icon.empty())
            continue;
        const auto program = execProgram(group->exec);
        if (program && !program->empty())
            m_byName[baseName(*program)].push_back({*program, group->icon});
    }
}

std::string ProgramIcons::resolve(const std::string& program) {
    if (program.find('/') != std::string::npos)
        return program;
    const auto known = m_resolved.find(program);
    if (known != m_resolved.end())
        return known->second;
    std::string found = program; // not on PATH: compared by name
    for (const auto& dir : m_path) {
        const std::string candidate = dir + "/" + program;
        if (::access(candidate.c_str(), X_OK) == 0 && !isDir(candidate)) {
            found = candidate;
            break;
        }
    }
    return m_resolved[program] = found;
}

std::string ProgramIcons::iconFor(const std::string& program) {
    if (program.empty())
        return {};
    if (!m_scanned)
        scan();
    const std::string target = resolve(program);
    const auto bucket = m_byName.find(baseName(target));
    if (bucket == m_byName.end())
        return {};
    for (const auto& candidate : bucket->second)
        if (resolve(candidate.program) == target)
            return candidate.icon;
    return {};
}

} // namespace tavisk::desktop

#include "XdgDirs.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <pwd.h>
#include <unistd.h>

namespace tavisk::desktop {
namespace {

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

std::string homeDir() {
    std::string home = environment("HOME");
    if (!home.empty())
        return home;
    const passwd* entry = getpwuid(getuid());
    return entry && entry->pw_dir ? entry->pw_dir : "/";
}

bool isAbsolute(const std::string& path) {
    return !path.empty() && path.front() == '/';
}

std::string stripTrailingSlashes(std::string path) {
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

std::vector<std::string> split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::string::size_type start = 0;
    while (start <= text.size()) {
        auto end = text.find(separator, start);
        if (end == std::string::npos)
            end = text.size();
        parts.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

std::string baseDir(const char* variable, const std::string& fallback) {
    std::string value = environment(variable);
    return isAbsolute(value) ? stripTrailingSlashes(value) : fallback;
}

std::vector<std::string> dirList(const char* variable, const std::string& fallback) {
    std::string value = environment(variable);
    if (value.empty())
        value = fallback;
    std::vector<std::string> dirs;
    for (auto& dir : split(value, ':'))
        if (isAbsolute(dir))
            dirs.push_back(stripTrailingSlashes(dir));
    return dirs;
}

std::vector<std::string> currentDesktops() {
    std::vector<std::string> names;
    for (auto name : split(environment("XDG_CURRENT_DESKTOP"), ':')) {
        std::transform(name.begin(), name.end(), name.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        if (!name.empty())
            names.push_back(name);
    }
    return names;
}

/// The lib folders beside each ".../share" data folder.
std::vector<std::string> libDirsOf(const std::vector<std::string>& dataDirs) {
    const std::string share = "/share";
    std::vector<std::string> dirs;
    for (const auto& dir : dataDirs) {
        if (dir.size() <= share.size() ||
            dir.compare(dir.size() - share.size(), share.size(), share))
            continue;
        const std::string prefix = dir.substr(0, dir.size() - share.size());
#ifdef TAVISK_MULTIARCH
        dirs.push_back(prefix + "/lib/" TAVISK_MULTIARCH);
#endif
        dirs.push_back(prefix + "/lib");
    }
    return dirs;
}

} // namespace

XdgDirs XdgDirs::fromEnvironment() {
    const std::string home = stripTrailingSlashes(homeDir());
    XdgDirs dirs;
    dirs.dataHome = baseDir("XDG_DATA_HOME", home + "/.local/share");
    dirs.configHome = baseDir("XDG_CONFIG_HOME", home + "/.config");
    dirs.dataDirs = dirList("XDG_DATA_DIRS", "/usr/local/share:/usr/share");
    dirs.configDirs = dirList("XDG_CONFIG_DIRS", "/etc/xdg");
    dirs.desktops = currentDesktops();
    dirs.path = dirList("PATH", "/usr/local/bin:/usr/bin:/bin");
    // Another tree in the form of /proc, for tests that stage running processes.
    dirs.procRoot = baseDir("TAVISK_PROC", "/proc");
    dirs.libDirs = libDirsOf(dirs.dataDirs);
    return dirs;
}

} // namespace tavisk::desktop

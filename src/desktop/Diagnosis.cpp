#include "Diagnosis.h"

#include "FileUtil.h"

#include <algorithm>
#include <cstdlib>
#include <sstream>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace tavisk::desktop {
namespace {

constexpr const char* ThunarName = "Thunar";
constexpr const char* PcmanfmQtName = "PCManFM-Qt";

std::optional<std::string> readSmallFile(const std::string& path) {
    try {
        return readFile(path);
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

std::int64_t bootTime(const std::string& procRoot) {
    std::istringstream stat(readSmallFile(procRoot + "/stat").value_or(""));
    std::string word;
    while (stat >> word)
        if (word == "btime" && stat >> word)
            return std::strtoll(word.c_str(), nullptr, 10);
    return 0;
}

/// The process's start in clock ticks after boot: the 22nd field of its stat
/// file, counted after the name in parentheses (which may hold blanks).
std::optional<long long> startTicks(const std::string& statText) {
    const auto close = statText.rfind(')');
    if (close == std::string::npos)
        return std::nullopt;
    std::istringstream fields(statText.substr(close + 1));
    std::string field;
    for (int number = 3; fields >> field; ++number)
        if (number == 22)
            return std::strtoll(field.c_str(), nullptr, 10);
    return std::nullopt;
}

std::int64_t modified(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? info.st_mtim.tv_sec : 0;
}

bool isExecutableFile(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
           ::access(path.c_str(), X_OK) == 0;
}

bool startsWith(const std::string& text, const std::string& start) {
    return text.compare(0, start.size(), start) == 0;
}

/// The places whose files each file manager reads: the desktop entries (its
/// "Open With"), and its own action files.
struct FileManagerPlaces {
    const char* name;
    const char* program;
    std::vector<std::string> places;
};

std::vector<FileManagerPlaces> fileManagerPlaces(const XdgDirs& dirs) {
    const std::string apps = dirs.applicationsDir() + "/";
    return {
        {ThunarName, "thunar", {apps, dirs.thunarActionsFile() + "#"}},
        {"Nemo", "nemo", {apps, dirs.nemoActionsDir() + "/"}},
        {"Caja", "caja", {apps, dirs.fileManagerActionsDir() + "/"}},
        {PcmanfmQtName, "pcmanfm-qt", {apps, dirs.fileManagerActionsDir() + "/"}},
        {"Dolphin", "dolphin", {apps, dirs.serviceMenusDir() + "/"}},
        {"Nautilus", "nautilus", {apps}},
    };
}

/// The first word of each line: the types of a MIME database's types file,
/// the aliases of its aliases file.
void addKnownTypes(const std::string& path, std::unordered_set<std::string>& known) {
    const std::string text = readSmallFile(path).value_or("");
    std::string_view rest(text);
    while (!rest.empty()) {
        const auto end = rest.find('\n');
        const std::string_view line = rest.substr(0, end);
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
        const std::string_view word = line.substr(0, line.find(' '));
        if (!word.empty())
            known.emplace(word);
    }
}

/// The XDG folder a process reads: variable's value when absolute, else
/// under its HOME; empty when neither is set.
std::string folderOf(const std::string& environ, const std::string& variable,
                     const std::string& underHome) {
    std::string home;
    std::string value;
    std::size_t start = 0;
    while (start < environ.size()) {
        const std::size_t end = std::min(environ.find('\0', start), environ.size());
        const std::string_view item(environ.data() + start, end - start);
        if (item.rfind("HOME=", 0) == 0)
            home = item.substr(5);
        else if (item.rfind(variable + "=", 0) == 0)
            value = item.substr(variable.size() + 1);
        start = end + 1;
    }
    while (home.size() > 1 && home.back() == '/')
        home.pop_back();
    std::string folder = !value.empty() && value.front() == '/' ? value
                         : home.empty()                         ? std::string()
                                                                : home + "/" + underHome;
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    return folder;
}

} // namespace

bool RunningFileManager::reads(const XdgDirs& dirs) const {
    const std::string& mine = name == ThunarName ? configHome : dataHome;
    return mine.empty() || mine == (name == ThunarName ? dirs.configHome : dirs.dataHome);
}

std::vector<RunningFileManager> runningFileManagers(const std::string& procRoot, uid_t uid) {
    std::vector<RunningFileManager> running;
    const std::int64_t boot = bootTime(procRoot);
    const long ticks = std::max(1L, ::sysconf(_SC_CLK_TCK));
    for (const auto& name : listDir(procRoot)) {
        if (name.find_first_not_of("0123456789") != std::string::npos)
            continue;
        const std::string dir = procRoot + "/" + name;
        struct stat info {};
        if (::stat(dir.c_str(), &info) != 0 || info.st_uid != uid)
            continue;
        std::string comm = readSmallFile(dir + "/comm").value_or("");
        if (!comm.empty() && comm.back() == '\n')
            comm.pop_back();
        const char* manager = comm == "thunar"       ? ThunarName
                              : comm == "pcmanfm-qt" ? PcmanfmQtName
                                                     : nullptr;
        if (!manager)
            continue;
        const auto start = startTicks(readSmallFile(dir + "/stat").value_or(""));
        if (!start)
            continue;
        const std::string environ = readSmallFile(dir + "/environ").value_or("");
        running.push_back({manager, boot + *start / ticks,
                           folderOf(environ, "XDG_CONFIG_HOME", ".config"),
                           folderOf(environ, "XDG_DATA_HOME", ".local/share")});
    }
    return running;
}

std::vector<std::string> restartNotices(const XdgDirs& dirs, const Outcome& outcome) {
    const auto touched = [&](const std::vector<std::string>& files, const std::string& place) {
        return std::any_of(files.begin(), files.end(),
                           [&](const std::string& file) { return startsWith(file, place); });
    };
    const std::string uca = dirs.thunarActionsFile();
    const bool thunarChanged = touched(outcome.written, uca) || touched(outcome.removed, uca);
    const bool actionRemoved = touched(outcome.removed, dirs.fileManagerActionsDir() + "/");
    if (!thunarChanged && !actionRemoved)
        return {};
    const auto running = runningFileManagers(dirs.procRoot, ::getuid());
    const auto runs = [&](const std::string& name) {
        return std::any_of(running.begin(), running.end(), [&](const RunningFileManager& process) {
            return process.name == name && process.reads(dirs);
        });
    };
    std::vector<std::string> notices;
    if (thunarChanged && runs(ThunarName))
        notices.push_back("Thunar is running and reads its custom actions only when it starts: "
                          "quit it (thunar -q) and start it again to see the change.");
    if (actionRemoved && runs(PcmanfmQtName))
        notices.push_back("PCManFM-Qt is running and offers a removed entry until it starts "
                          "again: quit it and start it again.");
    return notices;
}

Diagnosis::Diagnosis(const XdgDirs& dirs, Restart restart) : m_dirs(dirs) {
    if (restart == WithRestart)
        m_running = runningFileManagers(dirs.procRoot, ::getuid());
    std::vector<std::string> mimeDirs{dirs.dataHome};
    mimeDirs.insert(mimeDirs.end(), dirs.dataDirs.begin(), dirs.dataDirs.end());
    for (const auto& dir : mimeDirs) {
        addKnownTypes(dir + "/mime/types", m_knownMimeTypes);
        addKnownTypes(dir + "/mime/aliases", m_knownMimeTypes);
    }
    for (const auto& manager : fileManagerPlaces(dirs))
        for (const auto& dir : dirs.path)
            if (isExecutableFile(dir + "/" + manager.program)) {
                m_installed.emplace_back(manager.name, dir + "/" + manager.program);
                break;
            }
}

std::vector<std::string> Diagnosis::programProblems(const CommandLine& command) const {
    const auto resolve = [&](const std::string& program) -> std::string {
        if (program.find('/') != std::string::npos)
            return program;
        for (const auto& dir : m_dirs.path)
            if (isExecutableFile(dir + "/" + program))
                return dir + "/" + program;
        return {};
    };
    const std::string& program = command.program;
    const std::string found = resolve(program);
    if (!found.empty() && isExecutableFile(found))
        return {};
    struct stat info {};
    if (!found.empty() && ::stat(found.c_str(), &info) == 0)
        return {"program not executable: " + program +
                " (make it executable, or choose the program that opens it)"};
    // "/opt/viewer --new-window" typed as the executable: its first words name a program.
    for (auto blank = program.find(' '); blank != std::string::npos;
         blank = program.find(' ', blank + 1)) {
        const std::string part = program.substr(0, blank);
        const std::string partFound = resolve(part);
        if (!partFound.empty() && isExecutableFile(partFound))
            return {"program missing: " + program + " (but " + part +
                    " exists: the executable box holds arguments; give the program alone)"};
    }
    return {"program missing: " + program +
            " (install it, or change the application's executable)"};
}

std::vector<std::string> Diagnosis::problems(const ListedEntry& listed,
                                             const std::vector<std::string>& drift) const {
    const DesktopEntry& entry = listed.entry;
    std::vector<std::string> found = programProblems(entry.command);
    if (!m_knownMimeTypes.empty())
        for (const auto& mime : entry.mimeTypes)
            if (!m_knownMimeTypes.count(mime))
                found.push_back("type unknown to the MIME database: " + mime +
                                " (no file manager gives a file this type)");
    std::vector<std::string> showing;
    for (const auto& manager : fileManagerPlaces(m_dirs)) {
        const bool installed =
            std::any_of(m_installed.begin(), m_installed.end(),
                        [&](const auto& item) { return item.first == manager.name; });
        const bool reads =
            std::any_of(listed.files.begin(), listed.files.end(), [&](const auto& file) {
                return std::any_of(
                    manager.places.begin(), manager.places.end(),
                    [&](const std::string& place) { return startsWith(file, place); });
            });
        if (installed && reads)
            showing.push_back(manager.name);
    }
    if (showing.empty())
        found.push_back(m_installed.empty()
                            ? "no file manager that shows it is installed (Thunar, Nemo, Caja, "
                              "PCManFM-Qt, Dolphin, Nautilus)"
                            : "no installed file manager shows it: its files for them are missing");
    const std::string uca = m_dirs.thunarActionsFile();
    const bool inThunar = std::find(listed.files.begin(), listed.files.end(),
                                    uca + "#" + entry.id) != listed.files.end();
    for (const auto& process : m_running)
        if (inThunar && process.name == ThunarName && process.reads(m_dirs) &&
            modified(uca) > process.started) {
            found.push_back("Thunar must be restarted: uca.xml changed after it started "
                            "(quit it with thunar -q and start it again)");
            break;
        }
    for (const auto& file : drift)
        found.push_back("drift: " + file + " differs from the registry (a sync repairs it)");
    return found;
}

std::vector<std::string> Diagnosis::general() const {
    std::vector<std::string> found;
    const std::string actions = m_dirs.fileManagerActionsDir();
    for (const auto& process : m_running)
        if (process.name == PcmanfmQtName && process.reads(m_dirs) &&
            modified(actions) > process.started) {
            found.push_back("PCManFM-Qt must be restarted: an entry was added or removed after "
                            "it started, and it offers a removed one until it starts again");
            break;
        }
    return found;
}

} // namespace tavisk::desktop

#pragma once
// Helpers of the desktop bridge's tests: a temporary HOME with its own XDG
// folders and registry store per test, a small "system" folder with one text
// editor, verbs written as the program writes them, and external programs run
// with their output caught.
#include "DesktopBridge.h"
#include "RegistryStore.h"
#include "modRegistry.h"
#include "modStoreLayout.h"

#include <glib.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace tavisk::desktop::testing {

namespace fs = std::filesystem;

inline std::string readText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return std::move(text).str();
}

inline void writeText(const fs::path& path, const std::string& text) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

/// True when a program of that name is on PATH.
inline bool haveProgram(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::stringstream dirs(path ? path : "");
    for (std::string dir; std::getline(dirs, dir, ':');)
        if (!dir.empty() && ::access((fs::path(dir) / name).c_str(), X_OK) == 0)
            return true;
    return false;
}

/// A command line split into words by shell rules, as GLib splits it;
/// "<unparsable>" alone when it cannot be.
inline std::vector<std::string> shellWords(const std::string& line) {
    gint argc = 0;
    gchar** argv = nullptr;
    if (!g_shell_parse_argv(line.c_str(), &argc, &argv, nullptr))
        return {"<unparsable>"};
    std::vector<std::string> words(argv, argv + argc);
    g_strfreev(argv);
    return words;
}

struct RunResult {
    int status = -1;
    std::string out;
    std::string err;
};

/// Runs a program (no shell) and waits for it, catching its output.
inline RunResult run(const std::vector<std::string>& argv, const fs::path& scratch) {
    const fs::path outFile = scratch / "run.out";
    const fs::path errFile = scratch / "run.err";
    const pid_t child = ::fork();
    if (child == 0) {
        if (!std::freopen(outFile.c_str(), "w", stdout) ||
            !std::freopen(errFile.c_str(), "w", stderr))
            ::_exit(126);
        std::vector<char*> args;
        for (const auto& arg : argv)
            args.push_back(const_cast<char*>(arg.c_str()));
        args.push_back(nullptr);
        ::execvp(args[0], args.data());
        ::_exit(127);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, readText(outFile), readText(errFile)};
}

/// Waits up to a few seconds for a file to appear (programs started by gio run detached).
inline bool waitForFile(const fs::path& path) {
    for (int i = 0; i < 100; ++i) {
        if (fs::exists(path) && fs::file_size(path) > 0)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

/// What the recorder program wrote: one NUL-terminated item per argument, argv[0] first.
inline std::vector<std::string> recordedArguments(const fs::path& path) {
    std::vector<std::string> items;
    const std::string text = readText(path);
    std::string::size_type start = 0;
    for (auto end = text.find('\0'); end != std::string::npos; end = text.find('\0', start)) {
        items.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return items;
}

/// A test with its own HOME, XDG folders, store and system folder.
class BridgeTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "tavisk-desktop-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        m_root = pattern;
        setEnv("HOME", home());
        setEnv("XDG_DATA_HOME", dataHome());
        setEnv("XDG_CONFIG_HOME", configHome());
        setEnv("XDG_CACHE_HOME", (m_root / "cache").string());
        setEnv("XDG_DATA_DIRS", systemData().string());
        setEnv("XDG_CONFIG_DIRS", (m_root / "sysconfig").string());
        setEnv("XDG_CURRENT_DESKTOP", "");
        setEnv("TAVISK_REGISTRY", (m_root / "registry.db").string());
        setEnv("REC_OUT", recording().string());
        setEnv("TAVISK_PROC", procRoot().string());
        fs::create_directories(home());
        writeSystemEditor();
        ASSERT_TRUE(registry::openStore((m_root / "registry.db").string()).ok());
        writeFileTypes();
    }

    void TearDown() override {
        uninstallBridge();
        registry::closeStore();
        for (const auto& [name, value] : m_savedEnv)
            value ? ::setenv(name.c_str(), value->c_str(), 1) : ::unsetenv(name.c_str());
        std::error_code ignored;
        fs::permissions(m_root, fs::perms::owner_all, fs::perm_options::add, ignored);
        for (auto& entry : fs::recursive_directory_iterator(m_root, ignored))
            fs::permissions(entry.path(), fs::perms::owner_all, fs::perm_options::add, ignored);
        fs::remove_all(m_root, ignored);
    }

    void setEnv(const std::string& name, const std::string& value) {
        if (!m_savedEnv.count(name)) {
            const char* old = std::getenv(name.c_str());
            m_savedEnv[name] = old ? std::optional<std::string>(old) : std::nullopt;
        }
        ::setenv(name.c_str(), value.c_str(), 1);
    }

    fs::path root() const { return m_root; }
    std::string home() const { return (m_root / "home").string(); }
    std::string dataHome() const { return (m_root / "home/.local/share").string(); }
    std::string configHome() const { return (m_root / "home/.config").string(); }
    fs::path systemData() const { return m_root / "system"; }
    fs::path recording() const { return m_root / "recorded"; }
    /// Where the bridge looks for running file managers (empty unless a test stages some).
    fs::path procRoot() const { return m_root / "proc"; }
    fs::path applications() const { return fs::path(dataHome()) / "applications"; }
    fs::path ucaXml() const { return fs::path(configHome()) / "Thunar/uca.xml"; }
    fs::path mimeApps() const { return fs::path(configHome()) / "mimeapps.list"; }

    /// The recorder program copied to a path of our choice (blanks, quotes, ...).
    fs::path installRecorder(const std::string& relativePath) {
        const fs::path target = m_root / relativePath;
        fs::create_directories(target.parent_path());
        fs::copy_file(TAVISK_ARG_RECORDER, target, fs::copy_options::overwrite_existing);
        return target;
    }

    /// The files of every format for one entry id, as the bridge names them.
    std::map<std::string, fs::path> filesOf(const std::string& id) const {
        const fs::path data = dataHome();
        return {{"Open With", data / "applications" / (id + ".desktop")},
                {"Nemo", data / "nemo/actions" / (id + ".nemo_action")},
                {"KDE", data / "kio/servicemenus" / (id + ".desktop")},
                {"Caja/PCManFM-Qt", data / "file-manager/actions" / (id + ".desktop")}};
    }

    /// A verb as the program writes it: command, marker and date on the Command key.
    static void addVerb(const std::string& type, const std::string& caption,
                        const std::string& command) {
        const std::string key = modStoreLayout::CommandKey(type, caption);
        modRegistry::WriteRegValue(modRegistry::HKCR, key, "", 1, command);
        modRegistry::WriteRegValue(modRegistry::HKCR, key, modStoreLayout::MarkerName, 1,
                                   std::string(modStoreLayout::MarkerData));
        modRegistry::WriteRegValue(modRegistry::HKCR, key, modStoreLayout::CreatedValue, 1,
                                   std::string("06 December 2026"));
    }

    /// A verb removed as the program removes it: Command key, then verb key.
    static void deleteVerb(const std::string& type, const std::string& caption) {
        modRegistry::DeleteRegKey(modRegistry::HKCR, modStoreLayout::CommandKey(type, caption));
        modRegistry::DeleteRegKey(modRegistry::HKCR, modStoreLayout::VerbKey(type, caption));
    }

private:
    /// A "system" folder with one editor for text/plain and a parent for C source.
    void writeSystemEditor() {
        const fs::path editor = installRecorder("system-bin/editor");
        writeText(systemData() / "applications/editor.desktop",
                  "[Desktop Entry]\nType=Application\nName=Editor\nExec=" + editor.string() +
                      " %f\nMimeType=text/plain;\n");
        writeText(systemData() / "applications/mimeinfo.cache",
                  "[MIME Cache]\ntext/plain=editor.desktop;\n");
        writeText(systemData() / "mime/subclasses", "text/x-csrc text/plain\n");
    }

    /// Types as the MIME fill writes them: a key per MIME type, a key per extension.
    static void writeFileTypes() {
        using modRegistry::HKCR;
        for (const char* mime : {"text/plain", "text/x-csrc", "image/png"})
            modRegistry::WriteRegValue(HKCR, std::string(mime) + "\\DefaultIcon", "", 1,
                                       std::string(mime));
        const std::pair<const char*, const char*> extensions[] = {
            {".txt", "text/plain"}, {".c", "text/x-csrc"}, {".png", "image/png"}};
        for (const auto& [extension, mime] : extensions) {
            modRegistry::WriteRegValue(HKCR, extension, "", 1, std::string(mime));
            modRegistry::WriteRegValue(HKCR, extension, "Content Type", 1, std::string(mime));
        }
    }

    fs::path m_root;
    std::map<std::string, std::optional<std::string>> m_savedEnv;
};

} // namespace tavisk::desktop::testing

#pragma once
// Helpers for the tests of the stand-in store and of the console tools:
// temporary folders, file contents, environment and umask restored after a
// test, the store's file written directly, and a second process running
// tavisk_registry_child.
#include "RegistryStore.h"

#include <gtest/gtest.h>

#include <csignal>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <vector>

/// A new folder under the system's temporary folder, removed with its contents.
class TempFolder final {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::string& path() const { return m_path; }
    std::string operator/(const std::string& name) const { return m_path + "/" + name; }

private:
    std::string m_path;
};

std::string fileBytes(const std::string& path);
void writeFile(const std::string& path, const std::string& bytes);
unsigned fileMode(const std::string& path);
/// The names in a folder, sorted.
std::vector<std::string> folderNames(const std::string& path);

/// Sets or clears environment variables and restores them at the end.
class ScopedEnv final {
public:
    ScopedEnv() = default;
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;
    void set(const std::string& name, const std::optional<std::string>& value);

private:
    std::vector<std::pair<std::string, std::optional<std::string>>> m_saved;
};

/// Sets the process's umask and puts the earlier one back.
class ScopedUmask final {
public:
    explicit ScopedUmask(mode_t mask) : m_old(::umask(mask)) {}
    ~ScopedUmask() { ::umask(m_old); }
    ScopedUmask(const ScopedUmask&) = delete;
    ScopedUmask& operator=(const ScopedUmask&) = delete;

private:
    mode_t m_old;
};

/// True when tests can run a second process as another user (they run as root).
bool canSwitchUser();

/// tavisk_registry_child with the given arguments, its standard input and
/// output connected to this process. Killed and reaped at the end if still running.
class ChildProcess final {
public:
    explicit ChildProcess(const std::vector<std::string>& arguments, bool asNobody = false);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    /// The next line it printed, waiting at most timeoutMs; nothing at the
    /// end of its output or on timeout.
    std::optional<std::string> readLine(int timeoutMs = 10000);
    void writeLine(const std::string& line);
    void kill(int signal = SIGKILL);
    /// Its exit status, or 128 + the signal that ended it.
    int wait();

private:
    int m_pid = -1;
    int m_out = -1;
    int m_in = -1;
    std::string m_pending;
    bool m_reaped = false;
    int m_status = 0;
};

/// Runs a query on the file with a connection of its own and returns the
/// first column of the first row.
std::string querySqlite(const std::string& path, const std::string& sql);
/// Runs statements on the file with a connection of its own; fails the test
/// with SQLite's message when one fails.
void execSqlite(const std::string& path, const std::string& sql);

/// "k\k\...\k", levels names long.
std::string keyChain(int levels);
/// Puts HKEY_CURRENT_USER\Deep with a chain of levels - 1 keys "k" below it
/// straight into the store's file (which no connection of this process may
/// hold open), as a version without a depth limit could leave it.
void plantDeepChain(const std::string& store, int levels);

/// A store of the test's own in a temporary folder, opened for each test,
/// with the keys of every change notice it gives, notice by notice.
class NoticedStoreTest : public ::testing::Test {
protected:
    TempFolder folder;
    std::vector<std::vector<std::string>> notices;

    void SetUp() override {
        ASSERT_TRUE(tavisk::registry::openStore(folder / "registry.db").ok());
        tavisk::registry::setChangeListener(
            [this](const std::vector<std::string>& keys) { notices.push_back(keys); });
    }
    void TearDown() override {
        tavisk::registry::setChangeListener({});
        tavisk::registry::closeStore();
    }
};

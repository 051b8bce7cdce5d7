#include "StandInSupport.h"

#include <sqlite3.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <grp.h>
#include <poll.h>
#include <sstream>
#include <stdexcept>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

TempFolder::TempFolder() {
    std::string folder = (std::filesystem::temp_directory_path() / "tavisk-store-XXXXXX").string();
    if (!::mkdtemp(folder.data())) {
        throw std::runtime_error("cannot make a temporary folder");
    }
    m_path = folder;
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
}

std::vector<std::string> folderNames(const std::string& path) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(path)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::string fileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

void writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

unsigned fileMode(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? (info.st_mode & 07777) : 0;
}

ScopedEnv::~ScopedEnv() {
    for (auto it = m_saved.rbegin(); it != m_saved.rend(); ++it) {
        if (it->second) {
            ::setenv(it->first.c_str(), it->second->c_str(), 1);
        } else {
            ::unsetenv(it->first.c_str());
        }
    }
}

void ScopedEnv::set(const std::string& name, const std::optional<std::string>& value) {
    const char* old = std::getenv(name.c_str());
    m_saved.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
    if (value) {
        ::setenv(name.c_str(), value->c_str(), 1);
    } else {
        ::unsetenv(name.c_str());
    }
}

bool canSwitchUser() {
    return ::geteuid() == 0;
}

ChildProcess::ChildProcess(const std::vector<std::string>& arguments, bool asNobody) {
    int out[2];
    int in[2];
    if (::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(in, O_CLOEXEC) != 0) {
        throw std::runtime_error("pipe failed");
    }
    std::vector<std::string> args = {TAVISK_REGISTRY_CHILD};
    args.insert(args.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (auto& arg : args) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    m_pid = ::fork();
    if (m_pid == 0) {
        ::dup2(out[1], 1);
        ::dup2(in[0], 0);
        if (asNobody &&
            (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0)) {
            ::_exit(126);
        }
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(out[1]);
    ::close(in[0]);
    m_out = out[0];
    m_in = in[1];
}

ChildProcess::~ChildProcess() {
    if (!m_reaped && m_pid > 0) {
        kill();
        wait();
    }
    ::close(m_out);
    ::close(m_in);
}

std::optional<std::string> ChildProcess::readLine(int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        const auto newline = m_pending.find('\n');
        if (newline != std::string::npos) {
            std::string line = m_pending.substr(0, newline);
            m_pending.erase(0, newline + 1);
            return line;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd wanted{m_out, POLLIN, 0};
        if (left.count() <= 0 || ::poll(&wanted, 1, static_cast<int>(left.count())) <= 0) {
            return std::nullopt;
        }
        char buffer[4096];
        const ssize_t got = ::read(m_out, buffer, sizeof buffer);
        if (got <= 0) {
            return std::nullopt;
        }
        m_pending.append(buffer, static_cast<std::size_t>(got));
    }
}

void ChildProcess::writeLine(const std::string& line) {
    const std::string text = line + "\n";
    [[maybe_unused]] const auto written = ::write(m_in, text.data(), text.size());
}

void ChildProcess::kill(int signal) {
    if (!m_reaped) {
        ::kill(m_pid, signal);
    }
}

int ChildProcess::wait() {
    if (!m_reaped) {
        int status = 0;
        while (::waitpid(m_pid, &status, 0) < 0 && errno == EINTR) {
        }
        m_status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        m_reaped = true;
    }
    return m_status;
}

std::string querySqlite(const std::string& path, const std::string& sql) {
    sqlite3* db = nullptr;
    std::string result;
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK) {
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr) == SQLITE_OK &&
            sqlite3_step(statement) == SQLITE_ROW) {
            const auto* text = sqlite3_column_text(statement, 0);
            result = text ? reinterpret_cast<const char*>(text) : "";
        }
        sqlite3_finalize(statement);
    }
    sqlite3_close(db);
    return result;
}

void execSqlite(const std::string& path, const std::string& sql) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr), SQLITE_OK);
    char* message = nullptr;
    const int status = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &message);
    const std::string error = message ? message : "";
    sqlite3_free(message);
    sqlite3_close(db);
    ASSERT_EQ(status, SQLITE_OK) << error;
}

std::string keyChain(int levels) {
    std::string path;
    for (int i = 0; i < levels; ++i) {
        path += i ? "\\k" : "k";
    }
    return path;
}

void plantDeepChain(const std::string& store, int levels) {
    execSqlite(store, "WITH RECURSIVE c(n) AS (SELECT 1 UNION ALL SELECT n + 1 FROM c WHERE n < " +
                          std::to_string(levels) +
                          ") INSERT INTO keys(id, parent, name, fold) SELECT 100000 + n, "
                          "CASE n WHEN 1 THEN 2 ELSE 100000 + n - 1 END, "
                          "CASE n WHEN 1 THEN 'Deep' ELSE 'k' END, "
                          "CASE n WHEN 1 THEN 'DEEP' ELSE 'K' END FROM c");
}

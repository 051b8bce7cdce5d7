// tavisk-reg's console conventions: "-" for standard output, exit status 2
// for every usage error, and "check", which reports a store's integrity.
#include "RegTool.h"
#include "ToolTestSupport.h"

#include <gtest/gtest.h>

#include <sqlite3.h>
#include <sys/wait.h>

#include <algorithm>
#include <sstream>

using tavisk::regtool::runRegTool;
using tavisk::testing::EnvironmentGuard;
using tavisk::testing::fixture;
using tavisk::testing::readBytes;
using tavisk::testing::TempDir;

namespace {

struct ToolResult {
    int status = -1;
    std::string out;
    std::string err;
};

class RegToolConventions : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::create_directory(m_dir.path() / "empty");
        m_environment.set("TAVISK_REGISTRY", store());
        m_environment.set("XDG_DATA_HOME", m_dir.file("empty"));
        m_environment.set("XDG_DATA_DIRS", m_dir.file("empty"));
    }

    std::string store() const { return m_dir.file("registry.db"); }

    static ToolResult run(const std::vector<std::string>& args) {
        std::ostringstream out;
        std::ostringstream err;
        const int status = runRegTool(args, out, err);
        return {status, out.str(), err.str()};
    }

    /// The executable, its standard output and error in files.
    ToolResult runExecutable(const std::string& args) const {
        const std::string out = m_dir.file("stdout");
        const std::string err = m_dir.file("stderr");
        const int raw =
            std::system((std::string("cd '") + m_dir.path().string() + "' && '" +
                         TAVISK_REG_EXECUTABLE + "' " + args + " >'" + out + "' 2>'" + err + "'")
                            .c_str());
        return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, readBytes(out), readBytes(err)};
    }

    TempDir m_dir;
    EnvironmentGuard m_environment;
};

TEST_F(RegToolConventions, EveryUsageErrorExitsWithTwo) {
    const std::vector<std::vector<std::string>> cases = {
        {"query", "HKEY_USERS\\x"}, {"add", "HKXX\\a", "-v", "v"},
        {"delete", "Software\\a"},  {"export", "HKU\\a", "-"},
        {"check", "extra"},         {"check", "--bogus"},
    };
    for (const auto& args : cases) {
        const ToolResult result = run(args);
        EXPECT_EQ(result.status, 2) << args[0] << ' ' << args[1];
        EXPECT_TRUE(result.err.starts_with("tavisk-reg " + args[0] + ": ")) << result.err;
        EXPECT_NE(result.err.find("--help' for more information"), std::string::npos);
        EXPECT_TRUE(result.out.empty());
    }
    EXPECT_NE(run({"query", "HKEY_USERS\\x"}).err.find("unknown root key"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(store()));
    EXPECT_EQ(runExecutable("query 'HKEY_USERS\\x'").status, 2);
}

TEST_F(RegToolConventions, ExportToADashWritesStandardOutput) {
    const std::string golden = fixture("reg/golden-regedit4.reg");
    ASSERT_EQ(run({"import", golden}).status, 0);
    const ToolResult exported = run({"export", "HKLM\\SOFTWARE\\Golden4", "-", "--regedit4"});
    EXPECT_EQ(exported.status, 0) << exported.err;
    EXPECT_EQ(exported.out, readBytes(golden));

    const std::string goldenV5 = fixture("reg/golden-v5.reg");
    ASSERT_EQ(run({"import", goldenV5}).status, 0);
    const ToolResult binary = runExecutable("export 'HKCU\\Software\\Golden' -");
    EXPECT_EQ(binary.status, 0) << binary.err;
    EXPECT_EQ(binary.out, readBytes(goldenV5));
    EXPECT_FALSE(std::filesystem::exists(m_dir.file("-")));
    EXPECT_EQ(run({"export", "HKCU\\Nowhere", "-"}).status, 1);
}

TEST_F(RegToolConventions, CheckPrintsTheWholeReportAndChangesNothing) {
    const ToolResult missing = run({"check"});
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find("no registry store at " + store()), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(store()));

    std::string filler = "REGEDIT4\r\n";
    for (int i = 0; i < 300; ++i) {
        filler += "\r\n[HKEY_CURRENT_USER\\Filler\\key" + std::to_string(i) + "]\r\n\"v\"=\"" +
                  std::string(100, 'x') + "\"\r\n";
    }
    tavisk::testing::writeBytes(m_dir.file("filler.reg"), filler);
    ASSERT_EQ(run({"import", m_dir.file("filler.reg")}).status, 0);
    const ToolResult sound = run({"check"});
    EXPECT_EQ(sound.status, 0) << sound.err;
    EXPECT_EQ(sound.out, store() + ": ok\n");

    // Two tables share one root page: the check finds pages used twice and
    // pages used by nothing.
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(store().c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db,
                           "PRAGMA writable_schema=ON; UPDATE sqlite_schema SET rootpage = "
                           "(SELECT rootpage FROM sqlite_schema WHERE name='vals') WHERE "
                           "name='sqlite_autoindex_keys_1';",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(db);
    const std::string before = readBytes(store());

    const ToolResult damaged = run({"check"});
    EXPECT_EQ(damaged.status, 1);
    EXPECT_NE(damaged.out.find("*** in database main ***\n"), std::string::npos) << damaged.out;
    EXPECT_NE(damaged.out.find("is never used\n"), std::string::npos) << damaged.out;
    const auto lines = std::count(damaged.out.begin(), damaged.out.end(), '\n');
    EXPECT_GE(lines, 3) << damaged.out;
    EXPECT_EQ(std::count(damaged.err.begin(), damaged.err.end(), '\n'), 1) << damaged.err;
    EXPECT_NE(damaged.err.find("is damaged: its integrity check found " +
                               std::to_string(lines - 1) + " problems"),
              std::string::npos)
        << damaged.err;
    EXPECT_EQ(readBytes(store()), before);
}

} // namespace

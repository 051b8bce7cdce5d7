// tavisk-reg as users and scripts run it: in-process through runRegTool, and
// as the executable for exit statuses and messages. Each test has its own
// store and an empty MIME database unless it names the fixture.
#include "RegAccess.h"
#include "RegTool.h"
#include "RegistryStore.h"
#include "ToolTestSupport.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <sstream>

using tavisk::regtool::runRegTool;
using tavisk::testing::EnvironmentGuard;
using tavisk::testing::fixture;
using tavisk::testing::readBytes;
using tavisk::testing::TempDir;
using tavisk::testing::writeBytes;

namespace {

struct ToolRun {
    int status = -1;
    std::string out;
    std::string err;
};

class RegToolTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::create_directory(m_dir.path() / "empty");
        useStore("registry.db");
        m_environment.set("XDG_DATA_HOME", m_dir.file("empty"));
        m_environment.set("XDG_DATA_DIRS", m_dir.file("empty"));
        m_environment.set("LC_ALL", "C");
    }

    void useStore(const std::string& name) {
        m_environment.set("TAVISK_REGISTRY", m_dir.file(name));
    }

    static ToolRun run(const std::vector<std::string>& args) {
        std::ostringstream out;
        std::ostringstream err;
        ToolRun result;
        result.status = runRegTool(args, out, err);
        result.out = out.str();
        result.err = err.str();
        return result;
    }

    /// Runs the executable itself with the test's environment.
    ToolRun runExecutable(const std::string& args) const {
        const std::string out = m_dir.file("stdout");
        const std::string err = m_dir.file("stderr");
        const std::string command = std::string("'") + TAVISK_REG_EXECUTABLE + "' " + args + " >'" +
                                    out + "' 2>'" + err + "'";
        const int raw = std::system(command.c_str());
        return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, readBytes(out), readBytes(err)};
    }

    /// Everything under HKEY_CURRENT_USER and HKEY_LOCAL_MACHINE, as an export.
    std::string snapshot() {
        std::string all;
        for (const char* root : {"HKCU", "HKLM"}) {
            const std::string file = m_dir.file("snapshot.reg");
            EXPECT_EQ(run({"export", root, file}).status, 0);
            all += readBytes(file);
        }
        return all;
    }

    TempDir m_dir;
    EnvironmentGuard m_environment;
};

std::string version5(const std::string& lines) {
    // The tool reads a UTF-8 file with the current header as well; the
    // golden-file tests cover the UTF-16LE encoding.
    return "Windows Registry Editor Version 5.00\r\n" + lines;
}

} // namespace

TEST_F(RegToolTest, GoldenFilesGoThroughTheStoreUnchanged) {
    for (const auto& [golden, key, flag] :
         std::vector<std::tuple<std::string, std::string, std::string>>{
             {"reg/golden-v5.reg", "HKCU\\Software\\Golden", ""},
             {"reg/golden-regedit4.reg", "HKLM\\SOFTWARE\\Golden4", "--regedit4"}}) {
        SCOPED_TRACE(golden);
        useStore(golden + ".db");
        ASSERT_EQ(run({"import", fixture(golden)}).status, 0);
        std::vector<std::string> exportArgs = {"export", key, m_dir.file("first.reg")};
        if (!flag.empty()) {
            exportArgs.push_back(flag);
        }
        ASSERT_EQ(run(exportArgs).status, 0);
        EXPECT_EQ(readBytes(m_dir.file("first.reg")), readBytes(fixture(golden)));

        // Export, import into a fresh store, export again: byte-identical.
        useStore(golden + ".fresh.db");
        ASSERT_EQ(run({"import", m_dir.file("first.reg")}).status, 0);
        exportArgs[2] = m_dir.file("second.reg");
        ASSERT_EQ(run(exportArgs).status, 0);
        EXPECT_EQ(readBytes(m_dir.file("second.reg")), readBytes(m_dir.file("first.reg")));
    }
}

TEST_F(RegToolTest, ValuesMadeByAddSurviveARoundTripInBothFormats) {
    ASSERT_EQ(run({"add", "HKCU\\T\\sub key", "--value", "text", "--data", "a \"q\" \\ b"}).status,
              0);
    ASSERT_EQ(run({"add", "HKCU\\T", "--default", "--data", "D\xC3\xA9"}).status, 0);
    ASSERT_EQ(run({"add", "HKCU\\T", "-v", "n", "-t", "REG_DWORD", "-d", "0x10"}).status, 0);
    ASSERT_EQ(run({"add", "HKCU\\T", "--value=m", "--type=REG_MULTI_SZ", "--data=a\\0b"}).status,
              0);
    ASSERT_EQ(run({"add", "HKCU\\T", "--value=e", "--type=reg_expand_sz", "--data=%HOME%"}).status,
              0);
    ASSERT_EQ(run({"add", "HKCU\\T", "--value=b", "--type=REG_BINARY", "--data=00ff10"}).status, 0);
    ASSERT_EQ(run({"add", "HKCU\\T", "--value=q", "--type=0xb", "--data=0102030405060708"}).status,
              0);
    ASSERT_EQ(run({"add", "HKCU\\T\\empty"}).status, 0);
    for (const bool regedit4 : {false, true}) {
        SCOPED_TRACE(regedit4);
        const std::string first = m_dir.file("first.reg");
        const std::string second = m_dir.file("second.reg");
        std::vector<std::string> args = {"export", "HKCU\\T", first};
        if (regedit4) {
            args.push_back("--regedit4");
        }
        ASSERT_EQ(run(args).status, 0);
        useStore(regedit4 ? "fresh4.db" : "fresh5.db");
        ASSERT_EQ(run({"import", first}).status, 0);
        args[2] = second;
        ASSERT_EQ(run(args).status, 0);
        EXPECT_EQ(readBytes(second), readBytes(first));
        useStore("registry.db");
    }
}

TEST_F(RegToolTest, QueryShowsValuesThenSubkeys) {
    ASSERT_EQ(run({"add", "HKLM\\SOFTWARE\\Q\\Beta"}).status, 0);
    ASSERT_EQ(run({"add", "HKLM\\SOFTWARE\\Q\\alpha", "--value", "x", "--data", "1"}).status, 0);
    ASSERT_EQ(run({"add", "HKLM\\SOFTWARE\\Q", "--default", "--data", "hello"}).status, 0);
    ASSERT_EQ(
        run({"add", "HKLM\\SOFTWARE\\Q", "-v", "Count", "-t", "REG_DWORD", "-d", "26"}).status, 0);
    ASSERT_EQ(
        run({"add", "HKLM\\SOFTWARE\\Q", "-v", "Bin", "-t", "REG_BINARY", "-d", "00ab"}).status, 0);
    ASSERT_EQ(run({"add", "HKLM\\SOFTWARE\\Q", "-v", "Multi", "-t", "REG_MULTI_SZ", "-d", "a\\0b"})
                  .status,
              0);
    ASSERT_EQ(run({"add", "HKLM\\SOFTWARE\\Q", "-v", "Odd", "-t", "42", "-d", "01"}).status, 0);
    ASSERT_EQ(run({"add", "HKLM\\SOFTWARE\\Q", "-v", "None", "-t", "REG_NONE"}).status, 0);

    const ToolRun query = run({"query", "hklm\\SOFTWARE\\Q\\"});
    EXPECT_EQ(query.status, 0) << query.err;
    EXPECT_EQ(query.out, "HKEY_LOCAL_MACHINE\\SOFTWARE\\Q\n"
                         "    (Default)    REG_SZ    hello\n"
                         "    Bin    REG_BINARY    00AB\n"
                         "    Count    REG_DWORD    0x1a\n"
                         "    Multi    REG_MULTI_SZ    a\\0b\n"
                         "    None    REG_NONE    \n"
                         "    Odd    0x2a    01\n"
                         "HKEY_LOCAL_MACHINE\\SOFTWARE\\Q\\alpha\n"
                         "HKEY_LOCAL_MACHINE\\SOFTWARE\\Q\\Beta\n");

    EXPECT_EQ(run({"query", "HKLM\\SOFTWARE\\Q", "--value", "count"}).out,
              "HKEY_LOCAL_MACHINE\\SOFTWARE\\Q\n    Count    REG_DWORD    0x1a\n");
    EXPECT_EQ(run({"query", "HKLM\\SOFTWARE\\Q", "--default"}).out,
              "HKEY_LOCAL_MACHINE\\SOFTWARE\\Q\n    (Default)    REG_SZ    hello\n");
    EXPECT_EQ(run({"query", "HKLM\\SOFTWARE\\Q", "--recursive", "--value", "X"}).out,
              "HKEY_LOCAL_MACHINE\\SOFTWARE\\Q\\alpha\n    x    REG_SZ    1\n");
    const ToolRun recursive = run({"query", "HKLM\\SOFTWARE\\Q", "-r"});
    EXPECT_NE(recursive.out.find("    Odd    0x2a    01\n"
                                 "HKEY_LOCAL_MACHINE\\SOFTWARE\\Q\\alpha\n"
                                 "    x    REG_SZ    1\n"
                                 "HKEY_LOCAL_MACHINE\\SOFTWARE\\Q\\Beta\n"),
              std::string::npos)
        << recursive.out;
    // HKEY_CLASSES_ROOT is HKEY_LOCAL_MACHINE\SOFTWARE\Classes.
    ASSERT_EQ(run({"add", "HKCR\\.abc", "--data", "x"}).status, 0);
    EXPECT_EQ(run({"query", "HKLM\\SOFTWARE\\Classes\\.abc", "--default"}).status, 0);
}

TEST_F(RegToolTest, MissingKeysAndValuesExitWithOne) {
    ASSERT_EQ(run({"add", "HKCU\\Here", "-v", "v", "-d", "1"}).status, 0);
    const std::vector<std::vector<std::string>> cases = {
        {"query", "HKCU\\Nowhere"},
        {"query", "HKCU\\Here", "--value", "missing"},
        {"query", "HKCU\\Here", "--default"},
        {"query", "HKCU\\Here", "--recursive", "--value", "missing"},
        {"query", "HKEY_USERS\\x"},
        {"delete", "HKCU\\Nowhere"},
        {"delete", "HKCU\\Here", "--value", "missing"},
        {"export", "HKCU\\Nowhere", m_dir.file("x.reg")},
        {"import", m_dir.file("no-such-file.reg")},
        {"import-mime", m_dir.file("empty")},
    };
    for (const auto& args : cases) {
        const ToolRun result = run(args);
        EXPECT_EQ(result.status, 1) << args[0] << ' ' << args[1];
        EXPECT_TRUE(result.err.starts_with("tavisk-reg: ")) << result.err;
        EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
        EXPECT_TRUE(result.out.empty());
    }
    EXPECT_NE(run({"query", "HKCU\\Nowhere"}).err.find("HKEY_CURRENT_USER\\Nowhere"),
              std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(m_dir.file("x.reg")));
}

TEST_F(RegToolTest, WrongUsageExitsWithTwoAndChangesNothing) {
    const std::vector<std::vector<std::string>> cases = {
        {},
        {"frobnicate"},
        {"query"},
        {"query", "HKCU\\A", "HKCU\\B"},
        {"query", "HKCU\\A", "--bogus"},
        {"query", "HKCU\\A", "--value"},
        {"query", "HKCU\\A", "--value", "x", "--default"},
        {"query", "HKCU\\A", "--recursive=yes"},
        {"add", "HKCU\\A", "--type", "REG_FLOAT"},
        {"add", "HKCU\\A", "--d", "x"}, // ambiguous: --data, --default
        {"delete", "HKCU\\A", "--value", "x", "--recursive"},
        {"export", "HKCU\\A"},
        {"import"},
        {"import", "a.reg", "b.reg"},
    };
    for (const auto& args : cases) {
        const ToolRun result = run(args);
        EXPECT_EQ(result.status, 2) << (args.empty() ? "(none)" : args[0]) << ' ' << args.size();
        EXPECT_NE(result.err.find("tavisk-reg"), std::string::npos);
    }
    // No store was even created.
    EXPECT_FALSE(std::filesystem::exists(m_dir.file("registry.db")));
}

TEST_F(RegToolTest, EveryCommandHasHelp) {
    EXPECT_EQ(run({"--help"}).status, 0);
    for (const char* command : {"query", "add", "delete", "export", "import", "import-mime"}) {
        const ToolRun help = run({command, "--help"});
        EXPECT_EQ(help.status, 0) << command;
        EXPECT_TRUE(help.out.starts_with(std::string("Usage: tavisk-reg ") + command)) << help.out;
        EXPECT_EQ(run({command, "-h"}).out, help.out);
    }
}

TEST_F(RegToolTest, VersionIsTheProjects) {
    const ToolRun version = runExecutable("--version");
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "tavisk-reg " TAVISK_PROJECT_VERSION "\n");
    EXPECT_EQ(version.err, "");
}

TEST_F(RegToolTest, BadDataIsRefusedWithNothingWritten) {
    for (const auto& [type, data] :
         std::vector<std::pair<std::string, std::string>>{{"REG_DWORD", "4294967296"},
                                                          {"REG_DWORD", "-1"},
                                                          {"REG_DWORD", "12abc"},
                                                          {"REG_BINARY", "abc"},
                                                          {"REG_BINARY", "zz"}}) {
        const ToolRun result = run({"add", "HKCU\\Bad", "-v", "x", "-t", type, "-d", data});
        EXPECT_EQ(result.status, 1) << type << ' ' << data;
    }
    EXPECT_EQ(run({"query", "HKCU\\Bad"}).status, 1);
    EXPECT_EQ(run({"add", "HKCU\\A\\\\B", "-v", "x"}).status, 1); // empty path component
    EXPECT_EQ(run({"query", "HKCU\\A"}).status, 1);
}

TEST_F(RegToolTest, DeleteRefusesAKeyWithSubkeysUnlessRecursive) {
    ASSERT_EQ(run({"add", "HKCU\\D\\E\\F", "-v", "x", "-d", "1"}).status, 0);
    ASSERT_EQ(run({"add", "HKCU\\D", "-v", "y", "-d", "1"}).status, 0);
    const ToolRun refused = run({"delete", "HKCU\\D"});
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.err.find("--recursive"), std::string::npos);
    EXPECT_EQ(run({"query", "HKCU\\D\\E\\F", "--value", "x"}).status, 0);

    EXPECT_EQ(run({"delete", "HKCU\\D", "--value", "y"}).status, 0);
    EXPECT_EQ(run({"query", "HKCU\\D", "--value", "y"}).status, 1);
    EXPECT_EQ(run({"delete", "HKCU\\D\\E\\F"}).status, 0);
    EXPECT_EQ(run({"add", "HKCU\\D\\E\\G"}).status, 0);
    EXPECT_EQ(run({"delete", "HKCU\\d", "--recursive"}).status, 0);
    EXPECT_EQ(run({"query", "HKCU\\D"}).status, 1);
    EXPECT_EQ(run({"delete", "HKCU", "--recursive"}).status, 1);
}

TEST_F(RegToolTest, AFaultyImportChangesNothingAndNamesItsLine) {
    ASSERT_EQ(run({"import", fixture("reg/golden-v5.reg")}).status, 0);
    const std::string before = snapshot();
    const std::string good = "[HKEY_CURRENT_USER\\Software\\Golden]\r\n"
                             "\"Count\"=dword:00000001\r\n"
                             "[-HKEY_CURRENT_USER\\Software\\Golden\\Beta]\r\n"
                             "[HKEY_CURRENT_USER\\Software\\New]\r\n"
                             "@=\"new\"\r\n";
    const std::string tooLong(300, 'k');
    struct Case {
        const char* what;
        std::string file;
        int line;
    };
    const std::vector<Case> cases = {
        {"bad header", "Windows Registry Editor Version 4.00\r\n\r\n" + good, 1},
        {"unterminated string", version5(good + "\"a\"=\"b\r\n"), 7},
        {"bad hex", version5(good + "\"a\"=hex:01,\\\r\n  02,xy\r\n"), 8},
        {"unknown root", version5(good + "[HKEY_PERFORMANCE_DATA\\x]\r\n"), 7},
        {"a value before any key", version5("\"a\"=\"b\"\r\n" + good), 2},
        {"a name the store refuses", version5(good + "[HKCU\\" + tooLong + "]\r\n"), 7},
        {"an empty path component", version5(good + "\"x\"=\"y\"\r\n[HKCU\\a\\\\b]\r\n"), 8},
    };
    for (const auto& c : cases) {
        const std::string file = m_dir.file("bad.reg");
        writeBytes(file, c.file);
        const ToolRun result = run({"import", file});
        EXPECT_EQ(result.status, 1) << c.what;
        EXPECT_TRUE(result.err.starts_with(file + ":" + std::to_string(c.line) + ": "))
            << c.what << ": " << result.err;
        EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
        EXPECT_EQ(snapshot(), before) << c.what;
    }
    // The same file without its fault is carried out whole.
    writeBytes(m_dir.file("good.reg"), version5(good));
    EXPECT_EQ(run({"import", m_dir.file("good.reg")}).status, 0);
    EXPECT_EQ(run({"query", "HKCU\\Software\\New", "--default"}).status, 0);
    EXPECT_EQ(run({"query", "HKCU\\Software\\Golden\\Beta"}).status, 1);
}

TEST_F(RegToolTest, Regedit4RefusalPointsToTheDefaultFormatAndWritesNoFile) {
    ASSERT_EQ(run({"add", "HKCU\\G", "-v", "greek", "-d", "\xCE\xA9"}).status, 0);
    const std::string file = m_dir.file("old.reg");
    writeBytes(file, "earlier");
    const ToolRun refused = run({"export", "HKCU\\G", file, "--regedit4"});
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.err.find("U+03A9"), std::string::npos) << refused.err;
    EXPECT_NE(refused.err.find("default format"), std::string::npos) << refused.err;
    EXPECT_EQ(readBytes(file), "earlier");
    EXPECT_EQ(run({"export", "HKCU\\G", file}).status, 0);
    EXPECT_NE(readBytes(file), "earlier");
}

TEST_F(RegToolTest, ANewStoreIsFilledFromTheMimeDatabaseOnce) {
    m_environment.set("XDG_DATA_DIRS", fixture("mime-system"));
    const ToolRun first = run({"query", "HKCR\\text/plain"});
    EXPECT_EQ(first.status, 0) << first.err;
    EXPECT_EQ(first.out, "HKEY_CLASSES_ROOT\\text/plain\n"
                         "    (Default)    REG_SZ    plain text document\n"
                         "HKEY_CLASSES_ROOT\\text/plain\\DefaultIcon\n");
    ASSERT_EQ(run({"delete", "HKCR\\.png"}).status, 0);
    EXPECT_EQ(run({"query", "HKCR\\.png"}).status, 1); // opening it again fills nothing
}

TEST_F(RegToolTest, ImportMimeKeepsShellVerbs) {
    const std::string verb = "HKCR\\text/plain\\Shell\\Viewer\\Command";
    ASSERT_EQ(run({"add", verb, "--default", "--data", "view %1"}).status, 0);
    ASSERT_EQ(run({"add", verb, "--value", "AUTHENTIC", "--data", "quorvane"}).status, 0);
    m_environment.set("LC_ALL", "de_DE.UTF-8");
    // A data folder stands for its mime folder.
    const ToolRun imported = run({"import-mime", fixture("mime-system")});
    EXPECT_EQ(imported.status, 0) << imported.err;
    EXPECT_NE(imported.out.find("8 file types and 9 extensions"), std::string::npos)
        << imported.out;
    EXPECT_NE(imported.out.find("application/x-nodescription"), std::string::npos) << imported.out;
    EXPECT_EQ(run({"query", verb, "--value", "AUTHENTIC"}).out,
              "HKEY_CLASSES_ROOT\\text/plain\\Shell\\Viewer\\Command\n"
              "    AUTHENTIC    REG_SZ    quorvane\n");
    EXPECT_EQ(run({"query", "HKCR\\text/plain", "--default"}).out,
              "HKEY_CLASSES_ROOT\\text/plain\n    (Default)    REG_SZ    Textdokument\n");
}

TEST_F(RegToolTest, TheExecutableReportsLikeTheLibrary) {
    const std::string file = m_dir.file("bad file.reg");
    writeBytes(file, version5("[HKCU\\x]\r\n\"a\"=hex:0z\r\n"));
    const ToolRun bad = runExecutable("import '" + file + "'");
    EXPECT_EQ(bad.status, 1);
    EXPECT_EQ(bad.err, file +
                           ":3: bad hex data: \"0z\" is not a byte (one or two hex digits between "
                           "commas)\n");
    EXPECT_EQ(runExecutable("").status, 2);
    EXPECT_EQ(runExecutable("query --frob").status, 2);
    EXPECT_EQ(runExecutable("query 'HKCU\\nothing'").status, 1);
    EXPECT_EQ(runExecutable("add 'HKCU\\x' --value v --data 'with space'").status, 0);
    const ToolRun query = runExecutable("query 'HKCU\\x'");
    EXPECT_EQ(query.status, 0);
    EXPECT_EQ(query.out, "HKEY_CURRENT_USER\\x\n    v    REG_SZ    with space\n");
}

TEST_F(RegToolTest, EveryKeyOpenedIsClosedOnEveryPath) {
    namespace registry = tavisk::registry;
    using namespace tavisk::regtool;
    ASSERT_TRUE(registry::openStore(m_dir.file("handles.db")).ok());
    const auto contents = parseRegFile(readBytes(fixture("reg/golden-v5.reg")));
    applyOperations(contents.operations);
    EXPECT_EQ(registry::openHandleCount(), 0u);
    const KeyName golden = *parseKeyName("HKCU\\Software\\Golden");
    EXPECT_EQ(collectTree(golden)->size(), 5u);
    EXPECT_EQ(OpenKey::open(golden)->value("count")->name, "Count");
    EXPECT_EQ(registry::openHandleCount(), 0u);
    auto refused = contents.operations;
    refused.push_back({RegOperation::Kind::SetValue, {golden.root, "a\\\\b"}, "x", 1, "y", 99});
    EXPECT_THROW(applyOperations(refused), RegFileError);
    EXPECT_EQ(registry::openHandleCount(), 0u);
    EXPECT_TRUE(deleteTree(golden));
    EXPECT_FALSE(deleteTree(golden));
    EXPECT_EQ(registry::openHandleCount(), 0u);
    registry::closeStore();
}

// tavisk-reg as users and scripts run it: in-process through runRegTool, and
// as the executable for exit statuses and messages. Each test has its own
// store and an empty MIME database unless it names the fixture.
#include "RegAccess.h"
#include "RegFile.h"
#include "RegTool.h"
#include "RegistryStore.h"
#include "TerminalText.h"
#include "ToolTestSupport.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <iterator>
#include <sstream>

using tavisk::regtool::runRegTool;

namespace {

struct ToolRun {
    int status = -1;
    std::string out;
    std::string err;
};

class RegToolTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::create_directory(m_dir / "empty");
        useStore("registry.db");
        m_environment.set("XDG_DATA_HOME", m_dir / "empty");
        m_environment.set("XDG_DATA_DIRS", m_dir / "empty");
        m_environment.set("LC_ALL", "C");
    }

    void useStore(const std::string& name) { m_environment.set("TAVISK_REGISTRY", m_dir / name); }

    static ToolRun run(const std::vector<std::string>& args) {
        std::ostringstream out;
        std::ostringstream err;
        ToolRun result;
        result.status = runRegTool(args, out, err);
        result.out = out.str();
        result.err = err.str();
        return result;
    }

    /// Runs each command and expects it to succeed.
    static void runAll(const std::vector<std::vector<std::string>>& commands) {
        for (const auto& args : commands) {
            const ToolRun result = run(args);
            ASSERT_EQ(result.status, 0) << args[0] << ' ' << args[1] << ": " << result.err;
        }
    }

    /// Runs a shell command with the test's environment.
    ToolRun runShell(const std::string& command) const {
        const std::string out = m_dir / "stdout";
        const std::string err = m_dir / "stderr";
        const std::string line = "{ " + command + "\n} >'" + out + "' 2>'" + err + "'";
        const int raw = std::system(line.c_str());
        return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, fileBytes(out), fileBytes(err)};
    }

    /// Runs the executable itself with the test's environment, with a stack
    /// of stackKiB when given.
    ToolRun runExecutable(const std::string& args, int stackKiB = 0) const {
        const std::string limit = stackKiB ? "ulimit -s " + std::to_string(stackKiB) + " && " : "";
        return runShell(limit + "'" + TAVISK_REG_EXECUTABLE + "' " + args);
    }

    /// Everything under HKEY_CURRENT_USER and HKEY_LOCAL_MACHINE, as an export.
    std::string snapshot() {
        std::string all;
        for (const char* root : {"HKCU", "HKLM"}) {
            const std::string file = m_dir / "snapshot.reg";
            EXPECT_EQ(run({"export", root, file}).status, 0);
            all += fileBytes(file);
        }
        return all;
    }

    TempFolder m_dir;
    ScopedEnv m_environment;
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
        std::vector<std::string> exportArgs = {"export", key, m_dir / "first.reg"};
        if (!flag.empty()) {
            exportArgs.push_back(flag);
        }
        ASSERT_EQ(run(exportArgs).status, 0);
        EXPECT_EQ(fileBytes(m_dir / "first.reg"), fileBytes(fixture(golden)));

        // Export, import into a fresh store, export again: byte-identical.
        useStore(golden + ".fresh.db");
        ASSERT_EQ(run({"import", m_dir / "first.reg"}).status, 0);
        exportArgs[2] = m_dir / "second.reg";
        ASSERT_EQ(run(exportArgs).status, 0);
        EXPECT_EQ(fileBytes(m_dir / "second.reg"), fileBytes(m_dir / "first.reg"));
    }
}

TEST_F(RegToolTest, QueryShowsWhatAddWroteValuesFirst) {
    runAll({{"add", "HKLM\\SOFTWARE\\Q\\Beta"},
            {"add", "HKLM\\SOFTWARE\\Q\\alpha", "--value", "x", "--data", "a \"q\" \\ b"},
            {"add", "HKLM\\SOFTWARE\\Q", "--default", "--data", "hello"},
            {"add", "HKLM\\SOFTWARE\\Q", "-v", "Count", "-t", "REG_DWORD", "-d", "26"},
            {"add", "HKLM\\SOFTWARE\\Q", "-v", "Bin", "-t", "REG_BINARY", "-d", "00ab"},
            {"add", "HKLM\\SOFTWARE\\Q", "-v", "Multi", "-t", "REG_MULTI_SZ", "-d", "a\\0b"},
            {"add", "HKLM\\SOFTWARE\\Q", "-v", "Odd", "-t", "42", "-d", "01"},
            {"add", "HKLM\\SOFTWARE\\Q", "-v", "None", "-t", "REG_NONE"},
            {"add", "HKLM\\SOFTWARE\\Q", "--value=e", "--type=reg_expand_sz", "--data=%HOME%"},
            {"add", "HKLM\\SOFTWARE\\Q", "--value=q", "--type=0xb", "--data=0102030405060708"},
            {"add", "HKLM\\SOFTWARE\\Q", "-v", "hex", "-t", "REG_DWORD", "-d", "0x10"}});

    const ToolRun query = run({"query", "hklm\\SOFTWARE\\Q\\"});
    EXPECT_EQ(query.status, 0) << query.err;
    EXPECT_EQ(query.out, "HKEY_LOCAL_MACHINE\\SOFTWARE\\Q\n"
                         "    (Default)    REG_SZ    hello\n"
                         "    Bin    REG_BINARY    00AB\n"
                         "    Count    REG_DWORD    0x1a\n"
                         "    e    REG_EXPAND_SZ    %HOME%\n"
                         "    hex    REG_DWORD    0x10\n"
                         "    Multi    REG_MULTI_SZ    a\\0b\n"
                         "    None    REG_NONE    \n"
                         "    Odd    0x2a    01\n"
                         "    q    0xb    0102030405060708\n"
                         "HKEY_LOCAL_MACHINE\\SOFTWARE\\Q\\alpha\n"
                         "HKEY_LOCAL_MACHINE\\SOFTWARE\\Q\\Beta\n");

    EXPECT_EQ(run({"query", "HKLM\\SOFTWARE\\Q", "--value", "count"}).out,
              "HKEY_LOCAL_MACHINE\\SOFTWARE\\Q\n    Count    REG_DWORD    0x1a\n");
    EXPECT_EQ(run({"query", "HKLM\\SOFTWARE\\Q", "--default"}).out,
              "HKEY_LOCAL_MACHINE\\SOFTWARE\\Q\n    (Default)    REG_SZ    hello\n");
    EXPECT_EQ(run({"query", "HKLM\\SOFTWARE\\Q", "--recursive", "--value", "X"}).out,
              "HKEY_LOCAL_MACHINE\\SOFTWARE\\Q\\alpha\n    x    REG_SZ    a \"q\" \\ b\n");
    const ToolRun recursive = run({"query", "HKLM\\SOFTWARE\\Q", "-r"});
    EXPECT_NE(recursive.out.find("    q    0xb    0102030405060708\n"
                                 "HKEY_LOCAL_MACHINE\\SOFTWARE\\Q\\alpha\n"
                                 "    x    REG_SZ    a \"q\" \\ b\n"
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
        {"delete", "HKCU\\Nowhere"},
        {"delete", "HKCU\\Here", "--value", "missing"},
        {"export", "HKCU\\Nowhere", m_dir / "x.reg"},
        {"import", m_dir / "no-such-file.reg"},
        {"import-mime", m_dir / "empty"},
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
    EXPECT_FALSE(std::filesystem::exists(m_dir / "x.reg"));
}

TEST_F(RegToolTest, WrongUsageExitsWithTwoAndChangesNothing) {
    const std::vector<std::vector<std::string>> cases = {
        {"frobnicate"},
        {"query"},
        {"query", "HKCU\\A", "HKCU\\B"},
        {"query", "HKCU\\A", "--bogus"},
        {"query", "HKCU\\A", "--value"},
        {"query", "HKCU\\A", "--value", "x", "--default"},
        {"query", "HKCU\\A", "--recursive=yes"},
        {"query", "HKEY_USERS\\x"},
        {"add", "HKCU\\A", "--type", "REG_FLOAT"},
        {"add", "HKCU\\A", "--d", "x"}, // ambiguous: --data, --default
        {"add", "HKXX\\a", "-v", "v"},
        {"delete", "HKCU\\A", "--value", "x", "--recursive"},
        {"delete", "Software\\a"},
        {"export", "HKCU\\A"},
        {"export", "HKU\\a", "-"},
        {"import"},
        {"import", "a.reg", "b.reg"},
        {"check", "extra"},
        {"check", "--bogus"},
    };
    for (const auto& args : cases) {
        const ToolRun result = run(args);
        EXPECT_EQ(result.status, 2) << args[0] << ' ' << args.size();
        const std::string command = args[0] == "frobnicate" ? "" : " " + args[0];
        EXPECT_TRUE(result.err.starts_with("tavisk-reg" + command + ": ")) << result.err;
        EXPECT_NE(result.err.find("tavisk-reg" + command + " --help' for more information"),
                  std::string::npos)
            << result.err;
        EXPECT_TRUE(result.out.empty());
    }
    EXPECT_NE(run({"query", "HKEY_USERS\\x"}).err.find("unknown root key"), std::string::npos);
    // No store was even created.
    EXPECT_FALSE(std::filesystem::exists(m_dir / "registry.db"));
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
        const std::string file = m_dir / "bad.reg";
        writeFile(file, c.file);
        const ToolRun result = run({"import", file});
        EXPECT_EQ(result.status, 1) << c.what;
        EXPECT_TRUE(result.err.starts_with(file + ":" + std::to_string(c.line) + ": "))
            << c.what << ": " << result.err;
        EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
        EXPECT_EQ(snapshot(), before) << c.what;
    }
    // The same file without its fault is carried out whole.
    writeFile(m_dir / "good.reg", version5(good));
    EXPECT_EQ(run({"import", m_dir / "good.reg"}).status, 0);
    EXPECT_EQ(run({"query", "HKCU\\Software\\New", "--default"}).status, 0);
    EXPECT_EQ(run({"query", "HKCU\\Software\\Golden\\Beta"}).status, 1);
}

TEST_F(RegToolTest, Regedit4RefusalPointsToTheDefaultFormatAndWritesNoFile) {
    ASSERT_EQ(run({"add", "HKCU\\G", "-v", "greek", "-d", "\xCE\xA9"}).status, 0);
    const std::string file = m_dir / "old.reg";
    writeFile(file, "earlier");
    const ToolRun refused = run({"export", "HKCU\\G", file, "--regedit4"});
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.err.find("U+03A9"), std::string::npos) << refused.err;
    EXPECT_NE(refused.err.find("default format"), std::string::npos) << refused.err;
    EXPECT_EQ(fileBytes(file), "earlier");
    EXPECT_EQ(run({"export", "HKCU\\G", file}).status, 0);
    EXPECT_NE(fileBytes(file), "earlier");
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

// The command's report; what it keeps is MimeImportTest's.
TEST_F(RegToolTest, ImportMimeReportsWhatItFilled) {
    m_environment.set("LC_ALL", "de_DE.UTF-8");
    // A data folder stands for its mime folder.
    const ToolRun imported = run({"import-mime", fixture("mime-system")});
    EXPECT_EQ(imported.status, 0) << imported.err;
    EXPECT_NE(imported.out.find("8 file types and 9 extensions"), std::string::npos)
        << imported.out;
    EXPECT_NE(imported.out.find("application/x-nodescription"), std::string::npos) << imported.out;
    EXPECT_EQ(run({"query", "HKCR\\text/plain", "--default"}).out,
              "HKEY_CLASSES_ROOT\\text/plain\n    (Default)    REG_SZ    Textdokument\n");
}

TEST_F(RegToolTest, TheExecutableReportsLikeTheLibrary) {
    const ToolRun version = runExecutable("--version");
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "tavisk-reg " TAVISK_PROJECT_VERSION "\n");
    EXPECT_EQ(version.err, "");
    const std::string file = m_dir / "bad file.reg";
    writeFile(file, version5("[HKCU\\x]\r\n\"a\"=hex:0z\r\n"));
    const ToolRun bad = runExecutable("import '" + file + "'");
    EXPECT_EQ(bad.status, 1);
    EXPECT_EQ(bad.err, file +
                           ":3: bad hex data: \"0z\" is not a byte (one or two hex digits between "
                           "commas)\n");
    EXPECT_EQ(runExecutable("").status, 2);
    EXPECT_EQ(runExecutable("query --frob").status, 2);
    EXPECT_EQ(runExecutable("query 'HKEY_USERS\\x'").status, 2);
    EXPECT_EQ(runExecutable("query 'HKCU\\nothing'").status, 1);
    EXPECT_EQ(runExecutable("add 'HKCU\\x' --value v --data 'with space'").status, 0);
    const ToolRun query = runExecutable("query 'HKCU\\x'");
    EXPECT_EQ(query.status, 0);
    EXPECT_EQ(query.out, "HKEY_CURRENT_USER\\x\n    v    REG_SZ    with space\n");
}

TEST_F(RegToolTest, EveryKeyOpenedIsClosedOnEveryPath) {
    namespace registry = tavisk::registry;
    using namespace tavisk::regtool;
    ASSERT_TRUE(registry::openStore(m_dir / "handles.db").ok());
    const auto contents = parseRegFile(fileBytes(fixture("reg/golden-v5.reg")));
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

namespace {

/// Lines of text that start with prefix.
long linesStartingWith(const std::string& text, const std::string& prefix) {
    long count = 0;
    for (std::size_t at = 0; at < text.size();) {
        const auto end = std::min(text.find('\n', at), text.size());
        count += text.compare(at, prefix.size(), prefix) == 0;
        at = end + 1;
    }
    return count;
}

} // namespace

TEST_F(RegToolTest, DeepTreesAreWalkedOnASmallStack) {
    // With a 128 KiB stack, a walk that recursed once per level would run out
    // long before 1,500 levels; query and export print every level's full
    // name, so their output grows with the square of the depth.
    ASSERT_EQ(run({"add", "HKCU\\Start"}).status, 0);
    const std::string store = m_dir / "registry.db";
    plantDeepChain(store, 1500);
    const std::string deepest = "HKEY_CURRENT_USER\\Deep\\" + keyChain(1499);
    const ToolRun query = runExecutable("query 'HKCU\\Deep' --recursive", 128);
    EXPECT_EQ(query.status, 0) << query.err;
    EXPECT_EQ(linesStartingWith(query.out, "HKEY_CURRENT_USER\\Deep"), 1500);
    EXPECT_NE(query.out.find(deepest + "\n"), std::string::npos);

    const ToolRun exported = runExecutable("export 'HKCU\\Deep' '" + m_dir / "deep.reg" + "'", 128);
    EXPECT_EQ(exported.status, 0) << exported.err;
    const auto contents = tavisk::regtool::parseRegFile(fileBytes(m_dir / "deep.reg"));
    ASSERT_EQ(contents.operations.size(), 1500u);
    EXPECT_EQ(contents.operations.back().key.fullName(), deepest);

    // Deleted whole, by delete --recursive (20,000 levels) and by a [-KEY] line.
    execSqlite(store, "DELETE FROM keys WHERE id > 100000");
    for (const std::string& how : {std::string("delete"), std::string("import")}) {
        SCOPED_TRACE(how);
        plantDeepChain(store, how == "delete" ? 20000 : 5000);
        writeFile(m_dir / "remove.reg", version5("[-HKEY_CURRENT_USER\\Deep]\r\n"));
        const ToolRun removed =
            runExecutable(how == "delete" ? "delete 'HKCU\\Deep' --recursive"
                                          : "import '" + m_dir / "remove.reg" + "'",
                          128);
        EXPECT_EQ(removed.status, 0) << removed.err;
        EXPECT_EQ(run({"query", "HKCU\\Deep"}).status, 1);
        EXPECT_EQ(run({"query", "HKCU\\Start"}).status, 0);
    }
}

TEST_F(RegToolTest, AKeyDeeperThanTheRegistryHoldsIsRefusedWithNothingChanged) {
    ASSERT_EQ(run({"add", "HKCU\\Start", "-v", "v", "-d", "1"}).status, 0);
    const std::string before = snapshot();
    struct Case {
        const char* what;
        std::vector<std::string> args;
        std::string fileLine; ///< for an import: where the error is reported
    };
    const std::string deepFile = m_dir / "deep.reg";
    writeFile(deepFile,
              version5("[HKEY_CURRENT_USER\\Start\\New]\r\n\"a\"=\"b\"\r\n[HKEY_CURRENT_USER\\" +
                       keyChain(16000) + "]\r\n"));
    const std::vector<Case> cases = {
        {"add 513 levels", {"add", "HKCU\\" + keyChain(513)}, ""},
        {"add 511 below HKCR", {"add", "HKCR\\" + keyChain(511), "-v", "x", "-d", "y"}, ""},
        {"import 16000 levels", {"import", deepFile}, deepFile + ":4: "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const ToolRun result = run(c.args);
        EXPECT_EQ(result.status, 1);
        EXPECT_TRUE(result.err.starts_with(c.fileLine.empty() ? "tavisk-reg: " : c.fileLine))
            << result.err.substr(0, 300);
        EXPECT_NE(result.err.find("at most 512 levels"), std::string::npos);
        EXPECT_LT(result.err.size(), 600u) << "the message shortens the key's name";
        EXPECT_EQ(snapshot(), before);
    }
    EXPECT_EQ(run({"add", "HKCU\\" + keyChain(512)}).status, 0);
    EXPECT_EQ(run({"add", "HKCR\\" + keyChain(510)}).status, 0);
}

TEST_F(RegToolTest, ExportMakesItsTemporaryFileAnewAndGivesTheFileItsMode) {
    ASSERT_EQ(run({"add", "HKCU\\E", "-v", "v", "-d", "1"}).status, 0);
    namespace fs = std::filesystem;
    const fs::path out = fs::path(m_dir.path()) / "out";
    struct Case {
        const char* what;
        mode_t umask;
        int existingMode; ///< of a file already at the target, or -1 for none
        unsigned expectedMode;
    };
    for (const Case& c :
         {Case{"new file, umask 077", 077, -1, 0600}, Case{"new file, umask 022", 022, -1, 0644},
          Case{"replaces a 0640 file", 077, 0640, 0640}}) {
        SCOPED_TRACE(c.what);
        fs::remove_all(out);
        fs::create_directory(out);
        const std::string target = (out / "e.reg").string();
        if (c.existingMode >= 0) {
            writeFile(target, "old");
            fs::permissions(target, static_cast<fs::perms>(c.existingMode));
        }
        // Someone else's file, linked at the name the tool once used for its
        // temporary file: it must not be written through.
        const std::string victim = m_dir / "victim";
        writeFile(victim, "victim's data");
        fs::create_symlink(victim, out / (".~e.reg." + std::to_string(::getpid())));
        const auto namesBefore = folderNames(out.string());

        const ScopedUmask mask(c.umask);
        const ToolRun result = run({"export", "HKCU\\E", target});
        EXPECT_EQ(result.status, 0) << result.err;
        EXPECT_EQ(fileBytes(victim), "victim's data");
        EXPECT_TRUE(fileBytes(target).starts_with("\xFF\xFE"));
        EXPECT_EQ(static_cast<unsigned>(fs::status(target).permissions()), c.expectedMode);
        auto namesAfter = namesBefore;
        if (c.existingMode < 0) {
            namesAfter.push_back("e.reg");
            std::sort(namesAfter.begin(), namesAfter.end());
        }
        EXPECT_EQ(folderNames(out.string()), namesAfter) << "no temporary file is left";
    }
    // A folder in the target's place: the rename fails and the temporary goes.
    fs::create_directory(out / "folder.reg");
    const auto namesBefore = folderNames(out.string());
    const ToolRun onFolder = run({"export", "HKCU\\E", (out / "folder.reg").string()});
    EXPECT_EQ(onFolder.status, 1);
    EXPECT_NE(onFolder.err.find("cannot write " + (out / "folder.reg").string()), std::string::npos)
        << onFolder.err;
    EXPECT_EQ(folderNames(out.string()), namesBefore);
    // A folder the tool cannot create files in leaves the target as it was.
    const std::string target = (out / "e.reg").string();
    writeFile(target, "kept");
    fs::permissions(out, fs::perms::owner_read | fs::perms::owner_exec);
    if (::access(out.c_str(), W_OK) != 0) { // root may write anyway
        const ToolRun refused = run({"export", "HKCU\\E", target});
        EXPECT_EQ(refused.status, 1);
        EXPECT_NE(refused.err.find("cannot write " + target), std::string::npos) << refused.err;
        EXPECT_EQ(fileBytes(target), "kept");
    }
    fs::permissions(out, fs::perms::owner_all);
}

TEST_F(RegToolTest, AFullDiskIsReportedAsSuch) {
    // A 256 KiB file system of this test's own, in a mount namespace of the
    // tool's own; skipped where the test may not make one.
    const std::string disk = m_dir / "disk";
    std::filesystem::create_directory(disk);
    const auto inSmallDisk = [&](const std::string& command) {
        return runShell("exec unshare -m sh -c \"mount -t tmpfs -o size=256k tmpfs '" + disk +
                        "' || exit 99; " + command + "\"");
    };
    const std::string tool = std::string("'") + TAVISK_REG_EXECUTABLE + "' ";
    const std::string onDisk = "TAVISK_REGISTRY='" + disk + "/registry.db' " + tool;
    if (inSmallDisk(onDisk + "add 'HKCU\\Small'").status != 0) {
        GTEST_SKIP() << "this test may not mount a file system of its own";
    }
    // The store: a value larger than the disk.
    writeFile(m_dir / "big.reg", version5("[HKEY_CURRENT_USER\\Big]\r\n\"v\"=\"" +
                                          std::string(400000, 'x') + "\"\r\n"));
    const ToolRun store = inSmallDisk(onDisk + "import '" + m_dir / "big.reg" + "'");
    EXPECT_EQ(store.status, 1);
    EXPECT_NE(store.err.find("the disk is full"), std::string::npos) << store.err;
    EXPECT_EQ(store.err.find("error 112"), std::string::npos) << store.err;
    // An export into a full folder.
    ASSERT_EQ(run({"add", "HKCU\\E", "-v", "v", "-d", std::string(2000, 'y')}).status, 0);
    const ToolRun file =
        inSmallDisk("cat /dev/zero > '" + disk + "/filler' 2>/dev/null; " + tool +
                    "export 'HKCU\\E' '" + disk + "/e.reg'; ls -A '" + disk + "' >&2");
    EXPECT_NE(file.err.find("cannot write " + disk + "/e.reg: the disk is full"), std::string::npos)
        << file.err;
    EXPECT_EQ(file.err.find(".e.reg."), std::string::npos) << "no temporary file is left";
}

TEST(TerminalText, TextThatCouldDriveTheTerminalIsQuotedAsBashReadsIt) {
    using tavisk::regtool::shownOnTerminal;
    struct Case {
        std::string text;
        std::string shown;
    };
    const std::vector<Case> cases = {
        {"plain caption", "plain caption"},
        {"C:\\Tools\\view.exe %1 'x'", "C:\\Tools\\view.exe %1 'x'"},
        {"caf\xC3\xA9 \xE6\x96\x87", "caf\xC3\xA9 \xE6\x96\x87"},
        {"\x1b[2K\x1b[1Gls -l", "$'\\e[2K\\e[1Gls -l'"},
        {"tab\there\r\n", "$'tab\\there\\r\\n'"},
        {"it's \\ and \a", "$'it\\'s \\\\ and \\a'"},
        {"del\x7f", "$'del\\x7F'"},
        {"csi \xC2\x9B"
         "2J",
         "$'csi \\u009B2J'"},
        {"safe\xE2\x80\xAE"
         "exe.txt",
         "$'safe\\u202Eexe.txt'"},
        {"bad \xFF\xC3 bytes", "$'bad \\xFF\\xC3 bytes'"},
        {"$'looks quoted'", "$'$\\'looks quoted\\''"},
        {std::string("nul\0x", 5), "$'nul\\x00x'"},
    };
    TempFolder dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.shown);
        EXPECT_EQ(shownOnTerminal(c.text), c.shown);
        if (c.shown != c.text && c.text.find('\0') == std::string::npos) {
            // bash itself reads the quoted form back to the exact bytes.
            writeFile(dir / "print.sh", "printf %s " + c.shown + "\n");
            const std::string command =
                "bash '" + dir / "print.sh" + "' > '" + dir / "printed" + "'";
            ASSERT_EQ(std::system(command.c_str()), 0);
            EXPECT_EQ(fileBytes(dir / "printed"), c.text);
        }
    }
}

TEST_F(RegToolTest, QueryOnATerminalEscapesControlCharactersAndExportKeepsThem) {
    const std::string hidden = "\x1b[2K\x1b[1G/usr/bin/harmless %1";
    ASSERT_EQ(run({"add", "HKCU\\T\\Sub\x1b]0;title\x07", "-v", "cmd\x1b[8m", "-d", hidden}).status,
              0);
    const auto onTerminal = [&](const std::string& args) {
        const ToolRun result = runShell("script -q -e -c \"'" + std::string(TAVISK_REG_EXECUTABLE) +
                                        "' " + args + "\" /dev/null </dev/null");
        std::string out;
        std::copy_if(result.out.begin(), result.out.end(), std::back_inserter(out),
                     [](char c) { return c != '\r'; });
        return out;
    };
    EXPECT_EQ(onTerminal("query 'HKCU\\T\\Sub\x1b]0;title\x07'"),
              "$'HKEY_CURRENT_USER\\\\T\\\\Sub\\e]0;title\\a'\n"
              "    $'cmd\\e[8m'    REG_SZ    $'\\e[2K\\e[1G/usr/bin/harmless %1'\n");
    EXPECT_EQ(onTerminal("query 'HKCU\\T'"), "HKEY_CURRENT_USER\\T\n"
                                             "$'HKEY_CURRENT_USER\\\\T\\\\Sub\\e]0;title\\a'\n");
    EXPECT_EQ(onTerminal("query 'HKCU\\T' -r").find('\x1b'), std::string::npos);
    // Into a file or a pipe the bytes go as they are, and export keeps them.
    EXPECT_NE(runExecutable("query 'HKCU\\T' -r").out.find("REG_SZ    " + hidden + "\n"),
              std::string::npos);
    ASSERT_EQ(run({"export", "HKCU\\T", m_dir / "t.reg"}).status, 0);
    const auto contents = tavisk::regtool::parseRegFile(fileBytes(m_dir / "t.reg"));
    ASSERT_EQ(contents.operations.size(), 3u);
    EXPECT_EQ(contents.operations[2].valueName, "cmd\x1b[8m");
    EXPECT_EQ(contents.operations[2].data, hidden + '\0');
}

// "-" for standard output, and "check", which reports a store's integrity.
TEST_F(RegToolTest, ExportToADashWritesStandardOutput) {
    const std::string golden = fixture("reg/golden-regedit4.reg");
    ASSERT_EQ(run({"import", golden}).status, 0);
    const ToolRun exported = run({"export", "HKLM\\SOFTWARE\\Golden4", "-", "--regedit4"});
    EXPECT_EQ(exported.status, 0) << exported.err;
    EXPECT_EQ(exported.out, fileBytes(golden));

    const std::string goldenV5 = fixture("reg/golden-v5.reg");
    ASSERT_EQ(run({"import", goldenV5}).status, 0);
    // Run in the test's folder, where a file named "-" would appear.
    const ToolRun binary = runShell("cd '" + m_dir.path() + "' && '" + TAVISK_REG_EXECUTABLE +
                                    "' export 'HKCU\\Software\\Golden' -");
    EXPECT_EQ(binary.status, 0) << binary.err;
    EXPECT_EQ(binary.out, fileBytes(goldenV5));
    EXPECT_FALSE(std::filesystem::exists(m_dir / "-"));
    EXPECT_EQ(run({"export", "HKCU\\Nowhere", "-"}).status, 1);
}

TEST_F(RegToolTest, CheckPrintsTheWholeReportAndChangesNothing) {
    const ToolRun missing = run({"check"});
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find("no registry store at " + m_dir / "registry.db"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(m_dir / "registry.db"));

    std::string filler = "REGEDIT4\r\n";
    for (int i = 0; i < 300; ++i) {
        filler += "\r\n[HKEY_CURRENT_USER\\Filler\\key" + std::to_string(i) + "]\r\n\"v\"=\"" +
                  std::string(100, 'x') + "\"\r\n";
    }
    writeFile(m_dir / "filler.reg", filler);
    ASSERT_EQ(run({"import", m_dir / "filler.reg"}).status, 0);
    const ToolRun sound = run({"check"});
    EXPECT_EQ(sound.status, 0) << sound.err;
    EXPECT_EQ(sound.out, m_dir / "registry.db" + ": ok\n");

    // Two tables share one root page: the check finds pages used twice and
    // pages used by nothing.
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open((m_dir / "registry.db").c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db,
                           "PRAGMA writable_schema=ON; UPDATE sqlite_schema SET rootpage = "
                           "(SELECT rootpage FROM sqlite_schema WHERE name='vals') WHERE "
                           "name='sqlite_autoindex_keys_1';",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(db);
    const std::string before = fileBytes(m_dir / "registry.db");

    const ToolRun damaged = run({"check"});
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
    EXPECT_EQ(fileBytes(m_dir / "registry.db"), before);
}

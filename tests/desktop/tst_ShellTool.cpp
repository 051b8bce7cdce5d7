// tavisk-shell run as a user runs it: exit statuses, output, and a store it
// never creates.
#include "BridgeTestSupport.h"

using namespace tavisk::desktop::testing;

namespace {

class ShellToolTest : public BridgeTest {
protected:
    RunResult shell(std::vector<std::string> arguments) {
        arguments.insert(arguments.begin(), TAVISK_SHELL);
        return run(arguments, root());
    }
};

} // namespace

TEST_F(ShellToolTest, WrongUsageExitsWithTwo) {
    EXPECT_EQ(shell({}).status, 2);
    EXPECT_EQ(shell({"frobnicate"}).status, 2);
    EXPECT_EQ(shell({"sync", "extra"}).status, 2);
    const auto help = shell({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("sync"), std::string::npos);
    EXPECT_EQ(shell({"list", "--help"}).status, 0);
    const auto version = shell({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "tavisk-shell " TAVISK_PROJECT_VERSION "\n");
}

TEST_F(ShellToolTest, AMissingStoreIsReportedAndNotCreated) {
    const fs::path missing = root() / "nowhere/registry.db";
    setEnv("TAVISK_REGISTRY", missing.string());
    const auto result = shell({"sync"});
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.err.find(missing.string()), std::string::npos) << result.err;
    EXPECT_FALSE(fs::exists(missing));
    EXPECT_EQ(shell({"list"}).status, 1);
}

TEST_F(ShellToolTest, SyncListAndClean) {
    addVerb("text/plain", "View it", "/opt/My Tools/view %1");
    addVerb("image/png", "View it", "/opt/My Tools/view %1");
    const auto synced = shell({"sync"});
    ASSERT_EQ(synced.status, 0) << synced.err;
    EXPECT_NE(synced.out.find("written: " + (applications() / "tavisk-").string()),
              std::string::npos)
        << synced.out;

    const auto listed = shell({"list"});
    EXPECT_EQ(listed.status, 0);
    EXPECT_NE(listed.out.find("View it\n"), std::string::npos) << listed.out;
    EXPECT_NE(listed.out.find("image/png, text/plain"), std::string::npos) << listed.out;
    EXPECT_NE(listed.out.find("/opt/My Tools/view %1"), std::string::npos) << listed.out;
    EXPECT_NE(listed.out.find(ucaXml().string() + "#tavisk-"), std::string::npos) << listed.out;

    const auto cleaned = shell({"clean"});
    EXPECT_EQ(cleaned.status, 0) << cleaned.err;
    EXPECT_NE(cleaned.out.find("removed: "), std::string::npos);
    EXPECT_TRUE(fs::is_empty(applications()));
    EXPECT_NE(shell({"list"}).out.find("files:      (none)"), std::string::npos);
}

TEST_F(ShellToolTest, AFileThatCannotBeWrittenExitsWithOne) {
    writeText(fs::path(dataHome()) / "kio", "not a folder");
    addVerb("text/plain", "View it", "/usr/bin/view %1");
    const auto result = shell({"sync"});
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.err.find("KDE: "), std::string::npos) << result.err;
    EXPECT_TRUE(fs::exists(fs::path(dataHome()) / "nemo/actions"));
}

TEST_F(ShellToolTest, ListOnATerminalShowsControlCharactersEscaped) {
    // The bridge refuses the verb; list names it, escaped on a terminal.
    addVerb("text/plain", "View\x1b[8m", "/usr/bin/harmless %1");
    const std::string command = std::string("'") + TAVISK_SHELL + "' list";
    const auto listed = run({"script", "-q", "-e", "-c", command, "/dev/null"}, root());
    EXPECT_EQ(listed.status, 0) << listed.err;
    EXPECT_EQ(listed.out.find('\x1b'), std::string::npos) << listed.out;
    EXPECT_NE(
        listed.out.find("skipped: $'text/plain\\\\Shell\\\\View\\e[8m': its caption cannot be "
                        "shown: it holds the control character U+001B"),
        std::string::npos)
        << listed.out;
    // Into a pipe or a file the bytes are as stored.
    EXPECT_NE(shell({"list"}).out.find("View\x1b[8m"), std::string::npos);
}

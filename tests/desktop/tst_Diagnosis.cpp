// Why an entry may not show: the running file managers found under a staged
// /proc tree, the notices that ask for a restart, and each problem that
// "tavisk-shell check" names.
#include "BridgeTestSupport.h"
#include "Diagnosis.h"

#include <algorithm>
#include <sys/stat.h>

using namespace tavisk::desktop;
using namespace tavisk::desktop::testing;

namespace {

constexpr const char* ThunarNotice =
    "Thunar is running and reads its custom actions only when it starts: quit it (thunar -q) "
    "and start it again to see the change.";
constexpr const char* PcmanfmNotice =
    "PCManFM-Qt is running and offers a removed entry until it starts again: quit it and start "
    "it again.";

class DiagnosisTest : public BridgeTest {
protected:
    /// A process of this user in the staged /proc, started ticks after boot.
    void stageProcess(int pid, const std::string& comm, const std::string& statName, long ticks,
                      const std::string& environ = {}) {
        writeText(procRoot() / "stat", "cpu  1 2 3 4\nbtime 1700000000\nprocesses 9\n");
        const fs::path dir = procRoot() / std::to_string(pid);
        writeText(dir / "comm", comm + "\n");
        writeText(dir / "stat", std::to_string(pid) + " (" + statName +
                                    ") S 1 2 3 0 -1 4194304 100 0 0 0 7 8 0 0 20 0 1 0 " +
                                    std::to_string(ticks) + " 123456 789\n");
        if (!environ.empty())
            writeText(dir / "environ", environ);
    }

    RunResult shell(const std::string& command) { return run({TAVISK_SHELL, command}, root()); }

    bool has(const std::vector<std::string>& lines, const std::string& line) {
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }
};

} // namespace

TEST_F(DiagnosisTest, RunningFileManagersAreThisUsersThunarAndPcmanfmQt) {
    stageProcess(101, "thunar", "thunar", 500);
    stageProcess(102, "pcmanfm-qt", "pcmanfm-qt (x) y", 1000);
    stageProcess(103, "bash", "bash", 10);
    writeText(procRoot() / "self/comm", "thunar\n");
    auto running = runningFileManagers(procRoot().string(), ::getuid());
    std::sort(running.begin(), running.end(),
              [](const auto& a, const auto& b) { return a.name > b.name; });
    const long ticks = ::sysconf(_SC_CLK_TCK);
    ASSERT_EQ(running.size(), 2u);
    EXPECT_EQ(running[0].name, "Thunar");
    EXPECT_EQ(running[0].started, 1700000000 + 500 / ticks);
    EXPECT_EQ(running[1].name, "PCManFM-Qt");
    EXPECT_EQ(running[1].started, 1700000000 + 1000 / ticks);
    EXPECT_TRUE(runningFileManagers(procRoot().string(), ::getuid() + 1).empty());
    EXPECT_TRUE(runningFileManagers((root() / "no-proc").string(), ::getuid()).empty());
}

TEST_F(DiagnosisTest, ARunningFileManagerIsAskedToRestartOnlyForWhatItMisses) {
    const std::string view = installRecorder("bin/view").string();
    installBridge([](const std::string&) {});
    addVerb("text/plain", "First", view + " %1");
    EXPECT_FALSE(has(flushBridge().notices, ThunarNotice));

    // Another user's session of the same account: its own folders.
    using namespace std::string_literals;
    stageProcess(199, "thunar", "thunar", 100, "LANG=C\0HOME=/home/other\0"s);
    stageProcess(198, "pcmanfm-qt", "pcmanfm-qt", 100,
                 "HOME="s + home() + "\0XDG_DATA_HOME=/elsewhere/\0"s);
    addVerb("text/plain", "Third", view + " %1");
    EXPECT_FALSE(has(flushBridge().notices, ThunarNotice));
    deleteVerb("text/plain", "Third");
    EXPECT_FALSE(has(flushBridge().notices, PcmanfmNotice));

    stageProcess(200, "thunar", "thunar", 100, "HOME="s + home() + "/\0"s);
    addVerb("text/plain", "Second", view + " %1");
    EXPECT_TRUE(has(flushBridge().notices, ThunarNotice));

    stageProcess(201, "pcmanfm-qt", "pcmanfm-qt", 100);
    addVerb("text/plain", "Fourth", view + " %1");
    EXPECT_FALSE(has(flushBridge().notices, PcmanfmNotice))
        << "PCManFM-Qt picks up new entries itself";

    deleteVerb("text/plain", "Second");
    const auto removed = flushBridge().notices;
    EXPECT_TRUE(has(removed, ThunarNotice));
    EXPECT_TRUE(has(removed, PcmanfmNotice));
}

TEST_F(DiagnosisTest, CheckNamesEachProblemAndExitsWithOne) {
    const std::string bin = (root() / "bin").string();
    const std::string view = installRecorder("bin/view").string();
    writeText(root() / "bin/thunar", "#!/bin/sh\n");
    fs::permissions(root() / "bin/thunar", fs::perms::owner_all);
    writeText(root() / "bin/notes.txt", "not a program\n");
    setEnv("PATH", bin);
    writeText(systemData() / "mime/types", "image/png\ntext/plain\n");
    writeText(systemData() / "mime/aliases", "text/x-csrc text/x-c\n");
    modRegistry::WriteRegValue(modRegistry::HKCR, ".nw", "Content Type", 1,
                               std::string("application/x-nowhere"));
    addVerb("text/plain", "Good", view + " %1");
    addVerb("text/x-csrc", "Good", view + " %1");
    addVerb("text/plain", "Gone", "/nonexistent/tool %1");
    addVerb("text/plain", "Plain", bin + "/notes.txt %1");
    addVerb("text/plain", "Args", "\"" + view + " --new-window\" \"%1\"");
    addVerb("application/x-nowhere", "Odd", view + " %1");
    ASSERT_EQ(shell("sync").status, 0);

    const auto checked = shell("check");
    EXPECT_EQ(checked.status, 1);
    const std::string expected[] = {
        "Gone\n    program missing: /nonexistent/tool (install it, or change the application's "
        "executable)\n",
        "Plain\n    program not executable: " + bin +
            "/notes.txt (make it executable, or choose the program that opens it)\n",
        "Args\n    program missing: " + view + " --new-window (but " + view +
            " exists: the executable box holds arguments; give the program alone)\n",
        "Odd\n    type unknown to the MIME database: application/x-nowhere (no file manager "
        "gives a file this type)\n",
    };
    for (const auto& text : expected)
        EXPECT_NE(checked.out.find(text), std::string::npos) << text << "in:\n" << checked.out;
    EXPECT_EQ(checked.out.find("Good\n"), std::string::npos) << checked.out;

    // Only the good entry left: nothing to say.
    for (const char* caption : {"Gone", "Plain", "Args"})
        deleteVerb("text/plain", caption);
    deleteVerb("application/x-nowhere", "Odd");
    ASSERT_EQ(shell("sync").status, 0);
    const auto clean = shell("check");
    EXPECT_EQ(clean.status, 0) << clean.out;
    EXPECT_EQ(clean.out, "No problems found.\n");

    // No file manager on PATH; one whose uca.xml changed after it started;
    // a file gone; a verb removed behind the bridge's back.
    setEnv("PATH", (root() / "empty").string());
    stageProcess(300, "thunar", "thunar", 100);
    addVerb("image/png", "Stale", view + " %1");
    ASSERT_EQ(shell("sync").status, 0);
    deleteVerb("image/png", "Stale");
    for (const auto& file : fs::directory_iterator(fs::path(dataHome()) / "nemo/actions"))
        if (file.path().string().find("stale") == std::string::npos)
            fs::remove(file.path());
    const auto drifted = shell("check");
    EXPECT_EQ(drifted.status, 1);
    for (const std::string& text : std::vector<std::string>{
             "    no file manager that shows it is installed (Thunar, Nemo, Caja, PCManFM-Qt, "
             "Dolphin, Nautilus)\n",
             "    Thunar must be restarted: uca.xml changed after it started (quit it with thunar "
             "-q "
             "and start it again)\n",
             "    drift: " + dataHome() + "/nemo/actions/tavisk-",
             "problem: stale: " + dataHome() + "/applications/tavisk-"})
        EXPECT_NE(drifted.out.find(text), std::string::npos) << text << "in:\n" << drifted.out;
}

TEST_F(DiagnosisTest, AStartUpSyncSaysWhatItBroughtBackInStep) {
    addVerb("text/plain", "View it", installRecorder("bin/view").string() + " %1");
    std::vector<std::string> messages;
    installBridge([&](const std::string& message) { messages.push_back(message); });
    syncBridge();
    // Four files of its own, the Thunar action and mimeapps.list.
    EXPECT_TRUE(has(messages, "Brought 6 file manager file(s) back in step with the registry."));
    messages.clear();
    syncBridge();
    EXPECT_TRUE(std::none_of(messages.begin(), messages.end(), [](const std::string& message) {
        return message.find("Brought") != std::string::npos;
    }));
}

// The stored command taken apart by the registry platform's rules, and the
// launch line read back by GLib's own parser the way launchers read it.
#include "BridgeTestSupport.h"
#include "CommandLine.h"

#include <glib.h>
#include <gtest/gtest.h>

using tavisk::desktop::Argument;
using tavisk::desktop::CommandLine;
using tavisk::desktop::desktopExecLine;
using tavisk::desktop::launchLine;
using tavisk::desktop::parseCommand;

namespace {

const Argument File{{"", ""}};

Argument literal(const std::string& text) {
    return Argument{{text}};
}

/// Expands a launch line as GLib's launcher does: "%%" gives "%", the field
/// code gives the shell-quoted file, and the result is split by shell rules.
std::vector<std::string> launched(const std::string& line, const std::string& file) {
    std::string expanded;
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (line[i] == '%' && i + 1 < line.size()) {
            ++i;
            if (line[i] == '%') {
                expanded += '%';
            } else {
                gchar* quoted = g_shell_quote(file.c_str());
                expanded += quoted;
                g_free(quoted);
            }
            continue;
        }
        expanded += line[i];
    }
    return tavisk::desktop::testing::shellWords(expanded);
}

/// What GLib takes for the program when it loads a desktop entry: the first
/// word of the raw line, before any field code is expanded.
std::string programGlibLooksUp(const std::string& line) {
    return tavisk::desktop::testing::shellWords(line).front();
}

} // namespace

TEST(ParseCommand, UnquotedCommandIsThePathWithoutPercentOneAndTheFile) {
    EXPECT_EQ(parseCommand("C:\\My Tools\\view.exe %1"),
              (CommandLine{"C:\\My Tools\\view.exe", {File}}));
    EXPECT_EQ(parseCommand("  /opt/my tools/view %1  "),
              (CommandLine{"/opt/my tools/view", {File}}));
    // Whatever is not "%1" belongs to the path, as the program reads it back.
    EXPECT_EQ(parseCommand("/usr/bin/view -r %1"), (CommandLine{"/usr/bin/view -r", {File}}));
    EXPECT_EQ(parseCommand("/usr/bin/view"), (CommandLine{"/usr/bin/view", {}}));
}

TEST(ParseCommand, NothingWhenNoProgramRemains) {
    EXPECT_FALSE(parseCommand(""));
    EXPECT_FALSE(parseCommand("   %1 "));
    EXPECT_FALSE(parseCommand("\"\" %1"));
}

TEST(ParseCommand, QuotedFirstWordIsTheProgramAndTheRestAreArguments) {
    EXPECT_EQ(parseCommand("\"C:\\Program Files\\x.exe\" /p \"%1\""),
              (CommandLine{"C:\\Program Files\\x.exe", {literal("/p"), File}}));
    EXPECT_EQ(parseCommand("\"/bin/x\" --file=%1 \"a b\""),
              (CommandLine{"/bin/x", {Argument{{"--file=", ""}}, literal("a b")}}));
}

TEST(ParseCommand, BackslashesEscapeOnlyQuotes) {
    // a\\\"b gives a\"b; c\\d keeps both backslashes; "" inside quotes is one quote.
    EXPECT_EQ(parseCommand(R"("/bin/x" a\\\"b c\\d "e""f")"),
              (CommandLine{"/bin/x", {literal("a\\\"b"), literal("c\\\\d"), literal("e\"f")}}));
    EXPECT_EQ(parseCommand(R"("/bin/x" "tail\\" next)"),
              (CommandLine{"/bin/x", {literal("tail\\"), literal("next")}}));
}

TEST(LaunchLine, LaunchersRunExactlyTheProgramOnExactlyTheFile) {
    const std::string file = "/home/u/a file 'with' \"quotes\" $HOME \\ 100%.txt";
    const std::vector<std::string> programs = {
        "/usr/bin/view",
        "/opt/My Tools/view",
        "/opt/it's \"$HOME\" `id` \\ x",
        "/opt/tab\there/semi;colon&amp<>|*?#()~",
        "/opt/100%/view",
        "/opt/a=b/view",
    };
    for (const auto& program : programs) {
        const CommandLine command{program, {File}};
        EXPECT_EQ(launched(launchLine(command, "%f"), file),
                  (std::vector<std::string>{program, file}))
            << program;
        const auto viaDesktop = launched(desktopExecLine(command, "%f"), file);
        ASSERT_FALSE(viaDesktop.empty());
        EXPECT_EQ(std::vector<std::string>(viaDesktop.end() - 2, viaDesktop.end()),
                  (std::vector<std::string>{program, file}))
            << program;
    }
}

TEST(LaunchLine, ArgumentsAroundTheFileKeepTheirText) {
    const CommandLine command{
        "/bin/x", {literal("-o"), literal("a b$"), Argument{{"--in=", ""}}, literal("")}};
    EXPECT_EQ(launched(launchLine(command, "%f"), "/f g"),
              (std::vector<std::string>{"/bin/x", "-o", "a b$", "--in=/f g", ""}));
}

TEST(DesktopExecLine, GlibFindsAProgramWithPercentOrEqualsThroughTheShell) {
    for (const std::string program : {"/opt/100%/view", "/opt/a=b/view"}) {
        const std::string line = desktopExecLine({program, {File}}, "%f");
        EXPECT_EQ(programGlibLooksUp(line), "/bin/sh") << line;
        EXPECT_EQ(launched(line, "/x"),
                  (std::vector<std::string>{"/bin/sh", "-c", "exec \"$0\" \"$@\"", program, "/x"}));
    }
    EXPECT_EQ(desktopExecLine({"/opt/My Tools/v", {File}}, "%f"), "\"/opt/My Tools/v\" %f");
}

namespace {

class ShellLaunchTest : public tavisk::desktop::testing::BridgeTest {};

} // namespace

// Launchers that hand the expanded line to sh (as Thunar does) must get the same words.
TEST_F(ShellLaunchTest, ShReadsTheLineAsTheLaunchersDo) {
    using tavisk::desktop::testing::recordedArguments;
    using tavisk::desktop::testing::run;
    const std::string file = "/data/it's \"$HOME\" `id` \\ 100%.txt";
    for (const std::string name : {"plain", "My Tools", "it's \"$HOME\" `id` \\ 100% & ; |"}) {
        const std::string program = installRecorder("bin/" + name).string();
        std::string line = launchLine({program, {literal("$x"), File}}, "%f");
        gchar* quoted = g_shell_quote(file.c_str());
        std::string expanded;
        for (std::size_t i = 0; i < line.size(); ++i) {
            if (line.compare(i, 2, "%%") == 0 || line.compare(i, 2, "%f") == 0) {
                expanded += line[i + 1] == '%' ? std::string("%") : std::string(quoted);
                ++i;
            } else {
                expanded += line[i];
            }
        }
        g_free(quoted);
        std::filesystem::remove(recording());
        ASSERT_EQ(run({"/bin/sh", "-c", expanded}, root()).status, 0) << expanded;
        const auto recorded = recordedArguments(recording());
        EXPECT_EQ(recorded, (std::vector<std::string>{program, program, "$x", file})) << expanded;
    }
}

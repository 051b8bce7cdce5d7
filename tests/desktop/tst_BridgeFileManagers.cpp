// What the bridge does for particular file managers: Thunar's file-name
// patterns and its selections of several files, the icons every format gets
// from the installed applications, and the Nautilus extension with its data
// file. GLib reads back what the bridge wrote.
#include "BridgeTestSupport.h"
#include "EntryFormats.h"

#include <glib.h>

using namespace tavisk::desktop;
using namespace tavisk::desktop::testing;

namespace {

/// A string (or, with list, a list joined by "|") that GLib reads from a key file.
std::string glibValue(const fs::path& path, const std::string& group, const std::string& key,
                      bool list = false) {
    GKeyFile* file = g_key_file_new();
    std::string value = "<unreadable>";
    if (g_key_file_load_from_file(file, path.c_str(), G_KEY_FILE_NONE, nullptr)) {
        value = "<missing>";
        if (list) {
            gsize length = 0;
            if (gchar** items = g_key_file_get_string_list(file, group.c_str(), key.c_str(),
                                                           &length, nullptr)) {
                value.clear();
                for (gsize i = 0; i < length; ++i)
                    value += (i ? "|" : "") + std::string(items[i]);
                g_strfreev(items);
            }
        } else if (gchar* text = g_key_file_get_string(file, group.c_str(), key.c_str(), nullptr)) {
            value = text;
            g_free(text);
        }
    }
    g_key_file_free(file);
    return value;
}

/// The text of the first <element> of the action with that id, entities undone.
std::string thunarElement(const std::string& uca, const std::string& id,
                          const std::string& element) {
    const auto action = uca.find("<unique-id>" + id + "</unique-id>");
    const auto open = uca.find("<" + element + ">", uca.rfind("<action>", action));
    const auto close = uca.find("</" + element + ">", open);
    if (action == std::string::npos || open == std::string::npos || close == std::string::npos)
        return "<missing>";
    const auto start = open + element.size() + 2;
    std::string raw = uca.substr(start, close - start);
    for (const auto& [entity, c] : std::vector<std::pair<std::string, std::string>>{
             {"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&amp;", "&"}})
        for (auto at = raw.find(entity); at != std::string::npos; at = raw.find(entity, at + 1))
            raw.replace(at, entity.size(), c);
    return raw;
}

/// The words Thunar runs: each selected file shell-quoted in place of %F (all,
/// blank-separated) or %f (the first), then split by the shell's rules.
std::vector<std::string> thunarRuns(const std::string& command,
                                    const std::vector<std::string>& files) {
    std::string line;
    for (std::size_t i = 0; i < command.size(); ++i) {
        if (command.compare(i, 2, "%F") == 0 || command.compare(i, 2, "%f") == 0) {
            const bool all = command[i + 1] == 'F';
            for (std::size_t f = 0; f < (all ? files.size() : 1); ++f) {
                gchar* quoted = g_shell_quote(files[f].c_str());
                line += (f ? " " : "") + std::string(quoted);
                g_free(quoted);
            }
            ++i;
        } else if (command.compare(i, 2, "%%") == 0) {
            line += '%';
            ++i;
        } else {
            line += command[i];
        }
    }
    return shellWords(line);
}

class BridgeFileManagersTest : public BridgeTest {
protected:
    void SetUp() override {
        BridgeTest::SetUp();
        // A prefix for nautilus-python, found through the data folder beside it.
        setEnv("XDG_DATA_DIRS", systemData().string() + ":" + (root() / "usr/share").string());
        nautilusModule = root() / "usr/lib/nautilus/extensions-4/libnautilus-python.so";
        extensions = fs::path(dataHome()) / "nautilus-python/extensions";
        installBridge([](const std::string&) {});
    }

    std::map<std::string, std::string> idsByCaption() {
        std::map<std::string, std::string> ids;
        for (const auto& listed : DesktopBridge().list().entries)
            ids[listed.entry.caption] = listed.entry.id;
        return ids;
    }

    /// The Icon of each format's file for the entry (Thunar's <icon> too).
    std::map<std::string, std::string> iconsOf(const std::string& id) {
        const auto files = filesOf(id);
        return {
            {"Open With", glibValue(files.at("Open With"), "Desktop Entry", "Icon")},
            {"Nemo", glibValue(files.at("Nemo"), "Nemo Action", "Icon-Name")},
            {"KDE", glibValue(files.at("KDE"), "Desktop Action tavisk", "Icon")},
            {"Caja/PCManFM-Qt", glibValue(files.at("Caja/PCManFM-Qt"), "Desktop Entry", "Icon")},
            {"Thunar", thunarElement(readText(ucaXml()), id, "icon")},
        };
    }

    fs::path nautilusModule;
    fs::path extensions;
};

} // namespace

TEST_F(BridgeFileManagersTest, ThunarPatternsCoverTheUsualSpellingsOnce) {
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{".txt"}, "*.txt;*.TXT;*.Txt"},
        {{".TXT"}, "*.txt;*.TXT;*.Txt"},
        {{".7z"}, "*.7z;*.7Z"},
        {{".c", ".h"}, "*.c;*.C;*.h;*.H"},
        {{".tar.gz"}, "*.tar.gz;*.TAR.GZ;*.Tar.gz"},
        {{".jpeg", ".JPEG"}, "*.jpeg;*.JPEG;*.Jpeg"},
        {{".a*b", ".x;y"}, ""},
    };
    for (const auto& [names, expected] : cases) {
        DesktopEntry entry;
        entry.extensions = names;
        EXPECT_EQ(thunarPatterns(entry), expected) << names.front();
    }
}

TEST_F(BridgeFileManagersTest, ThunarTakesSeveralFilesOnlyWhereTheCommandCan) {
    const std::vector<std::string> files = {"/d/a 'b' $x.txt", "/d/c \"d\".txt"};
    struct Case {
        std::string command;
        std::string range;
        std::vector<std::string> runs;
    };
    const std::vector<Case> cases = {
        {"/usr/bin/view %1", "", {"/usr/bin/view", files[0], files[1]}},
        {"\"/opt/my view\" -n \"%1\"", "", {"/opt/my view", "-n", files[0], files[1]}},
        {"\"/opt/view\" --in=%1", "1-1", {"/opt/view", "--in=" + files[0]}},
        {"\"/opt/view\" %1 %1", "1-1", {"/opt/view", files[0], files[0]}},
        {"/opt/view", "1-1", {"/opt/view"}},
    };
    for (const auto& c : cases) {
        addVerb("text/plain", "View", c.command);
        EXPECT_TRUE(flushBridge().ok());
        const std::string uca = readText(ucaXml());
        const std::string id = idsByCaption()["View"];
        EXPECT_EQ(thunarElement(uca, id, "range"), c.range) << c.command;
        EXPECT_EQ(thunarRuns(thunarElement(uca, id, "command"), files), c.runs) << c.command;
    }
}

TEST_F(BridgeFileManagersTest, EveryFormatShowsTheIconOfTheApplicationThatRunsTheProgram) {
    const fs::path apps = systemData() / "applications";
    const fs::path userApps = applications();
    writeText(apps / "viewer.desktop", "[Desktop Entry]\nType=Application\nName=V\n"
                                       "Exec=\"/opt/My Viewer/viewer\" %f\nIcon=viewer-icon\n");
    writeText(userApps / "viewer.desktop", "[Desktop Entry]\nType=Application\nName=V\n"
                                           "Exec=\"/opt/My Viewer/viewer\" %f\nIcon=my-viewer\n");
    writeText(apps / "kde/namey.desktop", "# comment\n[Desktop Entry]\nType=Application\n"
                                          "Exec = namey --new %U\nIcon = namey-icon\n");
    writeText(apps / "gone.desktop", "[Desktop Entry]\nType=Application\nExec=/opt/gone\n"
                                     "Icon=gone-icon\nHidden=true\n");
    writeText(apps / "hidden.desktop", "[Desktop Entry]\nType=Application\nExec=/opt/hidden\n"
                                       "Icon=hidden-icon\n");
    writeText(userApps / "hidden.desktop", "[Desktop Entry]\nType=Application\nHidden=true\n");
    writeText(apps / "link.desktop", "[Desktop Entry]\nType=Link\nExec=/opt/link\nIcon=link\n");
    writeText(apps / "late.desktop", "[Desktop Entry]\nType=Application\nExec=/opt/late\n"
                                     "[Desktop Action x]\nIcon=not-the-main-group\n");
    writeText(userApps / "tavisk-own.desktop", "[Desktop Entry]\nType=Application\n"
                                               "Exec=/opt/lonely %f\nIcon=bridge-own\n");
    const fs::path namey = installRecorder("bin/namey");
    setEnv("PATH", (root() / "bin").string() + ":" + std::getenv("PATH"));

    const std::vector<std::pair<std::string, std::string>> cases = {
        {"\"/opt/My Viewer/viewer\" \"%1\"", "my-viewer"}, // the user's entry shadows the system's
        {namey.string() + " %1", "namey-icon"},            // Exec gives a name found on PATH
        {"namey %1", "namey-icon"},
        {"/other/namey %1", GenericIcon}, // the same name elsewhere is another program
        {"/opt/lonely %1", GenericIcon},  // the bridge's own files never count
        {"/opt/gone %1", GenericIcon},
        {"/opt/hidden %1", GenericIcon}, // the user's Hidden entry hides the system's
        {"/opt/link %1", GenericIcon},
        {"/opt/late %1", GenericIcon},
        {(root() / "system-bin/editor").string() + " %1", GenericIcon}, // its entry has no Icon
    };
    for (std::size_t i = 0; i < cases.size(); ++i)
        addVerb("text/plain", "Tool " + std::to_string(i), cases[i].first);
    EXPECT_TRUE(flushBridge().ok());
    const auto ids = idsByCaption();
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const std::string& expected = cases[i].second;
        for (const auto& [manager, icon] : iconsOf(ids.at("Tool " + std::to_string(i))))
            EXPECT_EQ(icon, expected) << cases[i].first << " in " << manager;
    }
}

TEST_F(BridgeFileManagersTest, TheNautilusExtensionIsWrittenOnlyWhereNautilusPythonIs) {
    addVerb("text/plain", "View", "/usr/bin/view %1");
    flushBridge();
    EXPECT_FALSE(fs::exists(extensions)) << "written without nautilus-python";

    writeText(nautilusModule, "");
    ASSERT_TRUE(DesktopBridge().sync().ok());
    const fs::path data = extensions / "tavisk-bridge.entries";
    EXPECT_NE(readText(extensions / "tavisk-bridge.py").find("class TaviskBridgeMenu("),
              std::string::npos);
    const std::string group = "Entry " + idsByCaption()["View"];
    EXPECT_EQ(glibValue(data, group, "Name"), "View");
    EXPECT_EQ(glibValue(data, group, "MimeType", true), "text/plain");
    EXPECT_EQ(glibValue(data, group, "Program"), "/usr/bin/view");
    EXPECT_EQ(glibValue(data, group, "Arguments", true), "%f");
    EXPECT_EQ(glibValue(data, group, "Multiple"), "true");
    EXPECT_EQ(glibValue(data, group, "Icon"), GenericIcon);
    EXPECT_TRUE(DesktopBridge().sync().written.empty()) << "written again unchanged";
    const auto listed = DesktopBridge().list().entries.front().files;
    EXPECT_NE(std::find(listed.begin(), listed.end(), data.string() + "#" + group.substr(6)),
              listed.end());

    fs::remove(nautilusModule); // python3-nautilus removed: the bridge's files go too
    ASSERT_TRUE(DesktopBridge().sync().ok());
    EXPECT_TRUE(fs::is_empty(extensions));
}

TEST_F(BridgeFileManagersTest, TheNautilusDataFileIsMergedPerCaptionAndGoesWithTheLastEntry) {
    writeText(nautilusModule, "");
    addVerb("text/plain", "First", "\"/opt/one\" --in=%1 100%");
    addVerb("image/png", "Second", "/opt/two %1");
    EXPECT_TRUE(flushBridge().ok());
    const fs::path data = extensions / "tavisk-bridge.entries";
    auto ids = idsByCaption();
    EXPECT_EQ(glibValue(data, "Entry " + ids["First"], "Arguments", true), "--in=%f|100%%");
    EXPECT_EQ(glibValue(data, "Entry " + ids["First"], "Multiple"), "false");

    // A change to one caption rewrites its group and keeps the other's.
    addVerb("image/png", "First", "\"/opt/one\" --in=%1 100%");
    modRegistry::WriteRegValue(modRegistry::HKCR, modStoreLayout::CommandKey("image/png", "Second"),
                               "", 1, std::string("/opt/deux %1"));
    EXPECT_TRUE(flushBridge().ok());
    EXPECT_EQ(glibValue(data, "Entry " + ids["First"], "MimeType", true), "image/png|text/plain");
    EXPECT_EQ(glibValue(data, "Entry " + ids["Second"], "Program"), "/opt/deux");

    deleteVerb("text/plain", "First");
    deleteVerb("image/png", "First");
    EXPECT_TRUE(flushBridge().ok());
    EXPECT_EQ(glibValue(data, "Entry " + ids["First"], "Name"), "<missing>");
    EXPECT_EQ(glibValue(data, "Entry " + ids["Second"], "Name"), "Second");

    deleteVerb("image/png", "Second");
    EXPECT_TRUE(flushBridge().ok());
    EXPECT_FALSE(fs::exists(data));
    EXPECT_FALSE(fs::exists(extensions / "tavisk-bridge.py"));
}

TEST_F(BridgeFileManagersTest, AForeignFileOfTheExtensionsNamesIsLeftAlone) {
    writeText(nautilusModule, "");
    for (const std::string name : {"tavisk-bridge.py", "tavisk-bridge.entries"}) {
        const std::string foreign = "# someone's own\n[Entry x]\nName=mine\n";
        writeText(extensions / name, foreign);
        addVerb("text/plain", "View", "/usr/bin/view %1");
        const Outcome outcome = DesktopBridge().sync();
        ASSERT_EQ(outcome.problems.size(), 1u) << name;
        EXPECT_EQ(describe(outcome.problems.front()),
                  "Nautilus: " + (extensions / name).string() +
                      ": a file Tavisk did not write has this name; left alone");
        EXPECT_EQ(readText(extensions / name), foreign);
        EXPECT_TRUE(fs::exists(filesOf(idsByCaption()["View"]).at("Nemo")));
        EXPECT_EQ(DesktopBridge().clean().problems.size(), 1u);
        EXPECT_EQ(readText(extensions / name), foreign);
        fs::remove_all(extensions);
    }
}

TEST_F(BridgeFileManagersTest, AFolderThatCannotBeMadeIsNautilussProblemAlone) {
    writeText(nautilusModule, "");
    writeText(fs::path(dataHome()) / "nautilus-python", "a file where the folder should be");
    addVerb("text/plain", "View", "/usr/bin/view %1");
    const Outcome outcome = DesktopBridge().sync();
    ASSERT_EQ(outcome.problems.size(), 1u);
    EXPECT_EQ(describe(outcome.problems.front()).rfind("Nautilus: ", 0), 0u)
        << describe(outcome.problems.front());
    EXPECT_TRUE(fs::exists(filesOf(idsByCaption()["View"]).at("Open With")));
    EXPECT_NE(readText(ucaXml()).find(idsByCaption()["View"]), std::string::npos);
}

TEST_F(BridgeFileManagersTest, TheWrittenExtensionStartsTheProgramWithTheFileAsOneArgument) {
    if (std::string(TAVISK_SYSTEM_PYTHON).empty() ||
        run({TAVISK_SYSTEM_PYTHON, "-c", "import gi"}, root()).status != 0)
        GTEST_SKIP() << "python3 with python3-gi is not installed";
    writeText(nautilusModule, "");
    // A quoted program may hold anything but a double quote.
    const std::string program = installRecorder("My Tools/it's $HOME `x` 100% view").string();
    addVerb("text/plain", "Look", "\"" + program + "\" --file=%1");
    flushBridge();
    const std::string file = (root() / "docs/a 'b' \"c\" $x.txt").string();
    const auto result = run({TAVISK_SYSTEM_PYTHON, TAVISK_NAUTILUS_HARNESS, "activate",
                             extensions.string(), "Look", "text/plain", file},
                            root());
    ASSERT_EQ(result.status, 0) << result.out << result.err;
    ASSERT_TRUE(waitForFile(recording()));
    EXPECT_EQ(recordedArguments(recording()),
              (std::vector<std::string>{program, program, "--file=" + file}));
}

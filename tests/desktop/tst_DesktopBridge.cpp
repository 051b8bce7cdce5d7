// The bridge end to end: verbs written to a temporary store, the file managers'
// files read back by their own parsers (GLib's key-file parser, xmllint), the
// freedesktop entry checked by desktop-file-validate and used by gio.
#include "BridgeTestSupport.h"
#include "DesktopEntries.h"

#include <glib.h>
#include <sys/stat.h>

using namespace tavisk::desktop;
using namespace tavisk::desktop::testing;

namespace {

/// A key file read by GLib; fails the test when GLib refuses it.
class GlibKeyFile final {
public:
    explicit GlibKeyFile(const fs::path& path) : m_file(g_key_file_new()) {
        GError* error = nullptr;
        m_loaded = g_key_file_load_from_file(m_file, path.c_str(), G_KEY_FILE_NONE, &error);
        if (error) {
            ADD_FAILURE() << path << ": " << error->message;
            g_error_free(error);
        }
    }
    ~GlibKeyFile() { g_key_file_free(m_file); }
    GlibKeyFile(const GlibKeyFile&) = delete;
    GlibKeyFile& operator=(const GlibKeyFile&) = delete;

    std::string string(const char* group, const char* key) const {
        gchar* value = g_key_file_get_string(m_file, group, key, nullptr);
        std::string text = value ? value : "<missing>";
        g_free(value);
        return text;
    }
    std::vector<std::string> list(const char* group, const char* key) const {
        gsize length = 0;
        gchar** items = g_key_file_get_string_list(m_file, group, key, &length, nullptr);
        std::vector<std::string> result(items, items + length);
        g_strfreev(items);
        return result;
    }
    std::string startGroup() const {
        gchar* group = g_key_file_get_start_group(m_file);
        std::string name = group ? group : "";
        g_free(group);
        return name;
    }

private:
    GKeyFile* m_file;
    bool m_loaded = false;
};

/// A launch line as the file managers run it: field code replaced by the
/// shell-quoted file, "%%" by "%", then split by shell rules.
std::vector<std::string> launched(const std::string& line, const std::string& code,
                                  const std::string& file) {
    std::string expanded;
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (line.compare(i, 2, "%%") == 0) {
            expanded += '%';
            ++i;
        } else if (line.compare(i, code.size(), code) == 0) {
            gchar* quoted = g_shell_quote(file.c_str());
            expanded += quoted;
            g_free(quoted);
            i += code.size() - 1;
        } else {
            expanded += line[i];
        }
    }
    std::vector<std::string> words = shellWords(expanded);
    if (words.size() > 3 && words[0] == "/bin/sh")
        words.erase(words.begin(), words.begin() + 3);
    return words;
}

std::string xpath(const fs::path& file, const std::string& expression, const fs::path& scratch) {
    std::string value = run({"xmllint", "--xpath", expression, file.string()}, scratch).out;
    if (!value.empty() && value.back() == '\n')
        value.pop_back();
    return value;
}

ino_t inodeOf(const fs::path& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? info.st_ino : 0;
}

const std::string Caption = "View & \"check\" 100%";
const std::string TextFile = "/data/a file 'with' \"quotes\".txt";

class DesktopBridgeTest : public BridgeTest {
protected:
    /// The one entry the registry gives now, as the bridge names it.
    std::string onlyId() {
        const auto listing = DesktopBridge().list();
        EXPECT_EQ(listing.entries.size(), 1u);
        return listing.entries.empty() ? "" : listing.entries.front().entry.id;
    }
    std::vector<std::string> problems;
    void installCollectingBridge() {
        installBridge([this](const std::string& problem) { problems.push_back(problem); });
    }
};

} // namespace

TEST_F(DesktopBridgeTest, EveryFormatHoldsACaptionWithTwoTypes) {
    const std::string program = installRecorder("My Tools/view it").string();
    addVerb("text/plain", Caption, program + " %1");
    addVerb("image/png", Caption, program + " %1");
    const Outcome outcome = DesktopBridge().sync();
    ASSERT_TRUE(outcome.ok()) << describe(outcome.problems.front());
    const std::string id = onlyId();
    const std::vector<std::string> types{"image/png", "text/plain"};
    const std::vector<std::string> file{program, TextFile};

    const auto files = filesOf(id);
    GlibKeyFile entry(files.at("Open With"));
    EXPECT_EQ(entry.startGroup(), "Desktop Entry");
    EXPECT_EQ(entry.string("Desktop Entry", "Type"), "Application");
    EXPECT_EQ(entry.string("Desktop Entry", "Name"), Caption);
    EXPECT_EQ(entry.string("Desktop Entry", "NoDisplay"), "true");
    EXPECT_EQ(entry.list("Desktop Entry", "MimeType"), types);
    EXPECT_EQ(entry.string("Desktop Entry", "X-Tavisk-Verb"), Caption);
    EXPECT_EQ(launched(entry.string("Desktop Entry", "Exec"), "%f", TextFile), file);

    GlibKeyFile nemo(files.at("Nemo"));
    EXPECT_EQ(nemo.startGroup(), "Nemo Action");
    EXPECT_EQ(nemo.string("Nemo Action", "Name"), "View & \"check\" 100%%"); // % is Nemo's token
    EXPECT_EQ(nemo.list("Nemo Action", "Mimetypes"), types);
    EXPECT_EQ(nemo.string("Nemo Action", "Selection"), "s");
    EXPECT_EQ(launched(nemo.string("Nemo Action", "Exec"), "%F", TextFile), file);

    GlibKeyFile kde(files.at("KDE"));
    EXPECT_EQ(kde.string("Desktop Entry", "Type"), "Service");
    EXPECT_EQ(kde.list("Desktop Entry", "MimeType"), types);
    const auto actions = kde.list("Desktop Entry", "Actions");
    ASSERT_EQ(actions.size(), 1u);
    const std::string action = "Desktop Action " + actions.front();
    EXPECT_EQ(kde.string(action.c_str(), "Name"), Caption);
    EXPECT_EQ(launched(kde.string(action.c_str(), "Exec"), "%f", TextFile), file);
    EXPECT_NE(fs::status(files.at("KDE")).permissions() & fs::perms::owner_exec, fs::perms::none);

    GlibKeyFile caja(files.at("Caja/PCManFM-Qt"));
    EXPECT_EQ(caja.string("Desktop Entry", "Type"), "Action");
    EXPECT_EQ(caja.string("Desktop Entry", "Name"), Caption);
    const auto profiles = caja.list("Desktop Entry", "Profiles");
    ASSERT_EQ(profiles.size(), 1u);
    const std::string profile = "X-Action-Profile " + profiles.front();
    EXPECT_EQ(caja.list(profile.c_str(), "MimeTypes"), types);
    EXPECT_EQ(launched(caja.string(profile.c_str(), "Exec"), "%f", TextFile), file);

    if (!haveProgram("xmllint"))
        GTEST_SKIP() << "xmllint (libxml2-utils) is not installed";
    EXPECT_EQ(run({"xmllint", "--noout", ucaXml().string()}, root()).status, 0);
    const std::string at = "//action[unique-id='" + id + "']/";
    EXPECT_EQ(xpath(ucaXml(), "string(" + at + "name)", root()), Caption);
    EXPECT_EQ(xpath(ucaXml(), "string(" + at + "patterns)", root()),
              "*.png;*.PNG;*.Png;*.txt;*.TXT;*.Txt");
    EXPECT_EQ(xpath(ucaXml(), "count(" + at + "image-files)", root()), "1");
    EXPECT_EQ(xpath(ucaXml(), "count(" + at + "text-files)", root()), "1");
    EXPECT_EQ(launched(xpath(ucaXml(), "string(" + at + "command)", root()), "%F", TextFile), file);
}

TEST_F(DesktopBridgeTest, TheEntryValidatesAndGioOffersItWithoutTakingTheDefault) {
    const std::string program = installRecorder("My Tools/view it").string();
    addVerb("text/plain", "View it", program + " %1");
    addVerb("text/x-csrc", "View it", program + " %1");
    ASSERT_TRUE(DesktopBridge().sync().ok());
    const std::string id = onlyId();
    if (!haveProgram("desktop-file-validate") || !haveProgram("gio"))
        GTEST_SKIP()
            << "desktop-file-validate (desktop-file-utils) or gio (libglib2.0-bin) missing";

    const auto validated = run({"desktop-file-validate", filesOf(id).at("Open With")}, root());
    EXPECT_EQ(validated.status, 0) << validated.out << validated.err;
    EXPECT_EQ(validated.out.find("error"), std::string::npos) << validated.out;

    const auto plain = run({"gio", "mime", "text/plain"}, root());
    EXPECT_NE(plain.out.find("\t" + id + ".desktop\n"), std::string::npos) << plain.out;
    EXPECT_NE(plain.out.find(": editor.desktop\n"), std::string::npos) << plain.out;
    // No application claims C source: it opened with text/plain's editor and still does.
    const auto source = run({"gio", "mime", "text/x-csrc"}, root());
    EXPECT_NE(source.out.find(": editor.desktop\n"), std::string::npos) << source.out;
    EXPECT_NE(source.out.find("\t" + id + ".desktop\n"), std::string::npos) << source.out;
}

TEST_F(DesktopBridgeTest, GioLaunchRunsExactlyTheProgramOnExactlyOneFile) {
    if (!haveProgram("gio"))
        GTEST_SKIP() << "gio (libglib2.0-bin) is not installed";
    const std::string program = installRecorder("My Tools/it's \"$HOME\" \\ 100% view").string();
    addVerb("text/plain", "Look", program + " %1");
    ASSERT_TRUE(DesktopBridge().sync().ok());
    const fs::path file = root() / "docs/a file 'with' \"quotes\" $x.txt";
    writeText(file, "text");

    const auto launch = run({"gio", "launch", filesOf(onlyId()).at("Open With"), file}, root());
    ASSERT_EQ(launch.status, 0) << launch.err;
    ASSERT_TRUE(waitForFile(recording()));
    const auto recorded = recordedArguments(recording());
    ASSERT_EQ(recorded.size(), 3u);
    EXPECT_EQ(recorded[0], program);
    EXPECT_EQ(recorded[2], file.string());
}

TEST_F(DesktopBridgeTest, AFileThatIsNotOursIsLeftAloneAndReported) {
    addVerb("text/plain", "View it", "/usr/bin/view %1");
    ASSERT_TRUE(DesktopBridge().sync().ok());
    const auto files = filesOf(onlyId());
    ASSERT_TRUE(DesktopBridge().clean().ok());
    const std::string foreign = "[Desktop Entry]\nType=Application\nName=Mine\nExec=mine\n";
    writeText(files.at("Open With"), foreign);
    writeText(files.at("KDE"), foreign);

    const Outcome outcome = DesktopBridge().sync();
    ASSERT_EQ(outcome.problems.size(), 2u);
    EXPECT_EQ(outcome.problems[0].path, files.at("Open With").string());
    EXPECT_NE(describe(outcome.problems[0]).find("left alone"), std::string::npos);
    EXPECT_EQ(readText(files.at("Open With")), foreign);
    EXPECT_EQ(readText(files.at("KDE")), foreign);
    EXPECT_TRUE(fs::exists(files.at("Nemo")));
    // Not offered through mimeapps.list either, since that file is not ours.
    EXPECT_EQ(readText(mimeApps()).find(onlyId()), std::string::npos);

    EXPECT_EQ(DesktopBridge().clean().problems.size(), 0u);
    EXPECT_EQ(readText(files.at("Open With")), foreign);
    EXPECT_FALSE(fs::exists(files.at("Nemo")));
}

TEST_F(DesktopBridgeTest, CommittedChangesAreBridgedAndAGoneVerbTakesItsFiles) {
    installCollectingBridge();
    addVerb("text/plain", "View it", "/usr/bin/view %1");
    addVerb("image/png", "view IT", "/usr/bin/view %1");
    EXPECT_FALSE(fs::exists(applications())) << "bridged before the action ended";
    flushBridge();
    const std::string id = onlyId();
    const auto files = filesOf(id);
    EXPECT_EQ(GlibKeyFile(files.at("Open With")).list("Desktop Entry", "MimeType"),
              (std::vector<std::string>{"image/png", "text/plain"}));

    deleteVerb("image/png", "view IT");
    flushBridge();
    EXPECT_EQ(GlibKeyFile(files.at("Open With")).list("Desktop Entry", "MimeType"),
              (std::vector<std::string>{"text/plain"}));
    EXPECT_EQ(readText(ucaXml()).find("*.png"), std::string::npos);

    deleteVerb("text/plain", "View it");
    flushBridge();
    for (const auto& [manager, path] : files)
        EXPECT_FALSE(fs::exists(path)) << manager;
    EXPECT_EQ(readText(ucaXml()).find(id), std::string::npos);
    EXPECT_EQ(readText(mimeApps()), "");
    EXPECT_TRUE(problems.empty()) << problems.front();
}

TEST_F(DesktopBridgeTest, AChangeRewritesOnlyItsOwnCaption) {
    installCollectingBridge();
    addVerb("text/plain", "First", "/usr/bin/one %1");
    addVerb("text/plain", "Second", "/usr/bin/two %1");
    flushBridge();
    const auto listing = DesktopBridge().list();
    ASSERT_EQ(listing.entries.size(), 2u);
    const auto first =
        filesOf(listing.entries[0].entry.caption == "First" ? listing.entries[0].entry.id
                                                            : listing.entries[1].entry.id);
    const auto second =
        filesOf(listing.entries[0].entry.caption == "Second" ? listing.entries[0].entry.id
                                                             : listing.entries[1].entry.id);
    const ino_t inode = inodeOf(second.at("Open With"));

    // A new executable rewrites the Command key's default value only.
    modRegistry::WriteRegValue(modRegistry::HKCR, modStoreLayout::CommandKey("text/plain", "First"),
                               "", 1, std::string("/usr/bin/uno %1"));
    flushBridge();
    EXPECT_EQ(GlibKeyFile(first.at("Open With")).string("Desktop Entry", "Exec"),
              "/usr/bin/uno %f");
    EXPECT_EQ(inodeOf(second.at("Open With")), inode);

    // A rename deletes the verb and writes it again under the new caption.
    deleteVerb("text/plain", "First");
    addVerb("text/plain", "Renamed", "/usr/bin/uno %1");
    EXPECT_TRUE(flushBridge().ok());
    EXPECT_FALSE(fs::exists(first.at("Open With")));
    EXPECT_NE(readText(ucaXml()).find("<name>Renamed</name>"), std::string::npos);
    EXPECT_EQ(readText(ucaXml()).find("<name>First</name>"), std::string::npos);
}

TEST_F(DesktopBridgeTest, AForeignThunarActionIsKeptByteForByte) {
    const std::string original =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<actions>\n<action>\n\t<icon>x</icon>"
        "<name>Mine &amp; only</name>\n   <unique-id>1600000000-7</unique-id>"
        "<command>mine %F</command><patterns>*.txt</patterns><text-files/>\n</action>\n"
        "<!-- a note -->\n</actions>\n";
    writeText(ucaXml(), original);
    addVerb("text/plain", "View it", "/usr/bin/view %1");
    ASSERT_TRUE(DesktopBridge().sync().ok());
    const std::string merged = readText(ucaXml());
    EXPECT_NE(
        merged.find(original.substr(original.find("<action>"),
                                    original.find("</action>") + 9 - original.find("<action>"))),
        std::string::npos);
    EXPECT_NE(merged.find(onlyId()), std::string::npos);
    ASSERT_TRUE(DesktopBridge().clean().ok());
    EXPECT_EQ(readText(ucaXml()), original);
}

TEST_F(DesktopBridgeTest, TheSystemsThunarActionsComeAlongIntoANewUserFile) {
    writeText(root() / "sysconfig/Thunar/uca.xml",
              "<actions><action><name>Terminal</name><unique-id>1-1</unique-id>"
              "<command>term</command><patterns>*</patterns><directories/></action></actions>");
    addVerb("text/plain", "View it", "/usr/bin/view %1");
    ASSERT_TRUE(DesktopBridge().sync().ok());
    const std::string text = readText(ucaXml());
    EXPECT_NE(text.find("<unique-id>1-1</unique-id>"), std::string::npos);
    EXPECT_NE(text.find(onlyId()), std::string::npos);
}

TEST_F(DesktopBridgeTest, OneFileManagerFailingBlocksNeitherTheOthersNorTheRegistry) {
    // Root writes into read-only folders, so then a file stands where the folder should be.
    const fs::path nemo = fs::path(dataHome()) / "nemo/actions";
    if (::geteuid() == 0) {
        writeText(nemo, "not a folder");
    } else {
        fs::create_directories(nemo);
        fs::permissions(nemo, fs::perms::owner_read | fs::perms::owner_exec);
    }
    const std::string malformed = "<actions><action><name>half";
    writeText(ucaXml(), malformed);
    installCollectingBridge();

    addVerb("text/plain", "View it", "/usr/bin/view %1");
    flushBridge();
    EXPECT_EQ(modRegistry::ReadRegValue(modRegistry::HKCR,
                                        modStoreLayout::CommandKey("text/plain", "View it"), ""),
              "/usr/bin/view %1");
    const auto files = filesOf(onlyId());
    EXPECT_TRUE(fs::exists(files.at("Open With")));
    EXPECT_TRUE(fs::exists(files.at("KDE")));
    EXPECT_TRUE(fs::exists(files.at("Caja/PCManFM-Qt")));
    EXPECT_EQ(readText(ucaXml()), malformed);
    ASSERT_FALSE(problems.empty());
    bool nemoReported = false, thunarReported = false;
    for (const auto& problem : problems) {
        nemoReported = nemoReported || problem.rfind("Nemo: ", 0) == 0;
        thunarReported = thunarReported || problem.rfind("Thunar: ", 0) == 0;
    }
    EXPECT_TRUE(nemoReported);
    EXPECT_TRUE(thunarReported);
    for (const auto& entry : fs::recursive_directory_iterator(root()))
        EXPECT_EQ(entry.path().filename().string().find(".tavisk-"), std::string::npos)
            << "left behind: " << entry.path();
}

TEST_F(DesktopBridgeTest, ClassesNamedByExtensionsAndExtensionsThemselvesHaveTypes) {
    modRegistry::WriteRegValue(modRegistry::HKCR, ".log", "", 1, std::string("txtfile"));
    modRegistry::WriteRegValue(modRegistry::HKCR, ".log", "Content Type", 1,
                               std::string("text/x-log"));
    addVerb("txtfile", "Open here", "\"/opt/Open Here/open\" \"%1\"");
    addVerb(".c", "Compile", "/usr/bin/cc %1");
    ASSERT_TRUE(DesktopBridge().sync().ok());
    for (const auto& listed : DesktopBridge().list().entries) {
        const auto& entry = listed.entry;
        if (entry.caption == "Open here") {
            EXPECT_EQ(entry.mimeTypes, std::vector<std::string>{"text/x-log"});
            EXPECT_EQ(entry.command.program, "/opt/Open Here/open");
            EXPECT_EQ(listed.files.size(), 5u);
        } else {
            EXPECT_EQ(entry.mimeTypes, std::vector<std::string>{"text/x-csrc"});
        }
    }
    EXPECT_NE(readText(ucaXml()).find("<patterns>*.log;*.LOG;*.Log</patterns>"), std::string::npos);
}

TEST_F(DesktopBridgeTest, AnExtensionThatNamesAnotherTypeMovesTheEntries) {
    installCollectingBridge();
    modRegistry::WriteRegValue(modRegistry::HKCR, ".log", "", 1, std::string("txtfile"));
    modRegistry::WriteRegValue(modRegistry::HKCR, ".log", "Content Type", 1,
                               std::string("text/x-log"));
    addVerb("txtfile", "Open here", "/usr/bin/open %1");
    addVerb("text/plain", "View it", "/usr/bin/view %1");
    flushBridge();
    std::map<std::string, std::string> ids;
    for (const auto& listed : DesktopBridge().list().entries)
        ids[listed.entry.caption] = listed.entry.id;
    const auto openHere = filesOf(ids["Open here"]).at("Open With");
    EXPECT_EQ(GlibKeyFile(openHere).list("Desktop Entry", "MimeType"),
              std::vector<std::string>{"text/x-log"});

    // Only the extension's values change; both entries follow.
    modRegistry::WriteRegValue(modRegistry::HKCR, ".log", "Content Type", 1,
                               std::string("text/plain"));
    EXPECT_TRUE(flushBridge().ok());
    EXPECT_EQ(GlibKeyFile(openHere).list("Desktop Entry", "MimeType"),
              std::vector<std::string>{"text/plain"});
    EXPECT_NE(readText(ucaXml()).find("<patterns>*.log;*.LOG;*.Log;*.txt;*.TXT;*.Txt</patterns>"),
              std::string::npos)
        << readText(ucaXml());
}

TEST_F(DesktopBridgeTest, AVerbWithoutAProgramIsSkippedAndListed) {
    addVerb("text/plain", "Empty", " %1 ");
    const auto listing = DesktopBridge().list();
    EXPECT_TRUE(listing.entries.empty());
    ASSERT_EQ(listing.skipped.size(), 1u);
    EXPECT_EQ(listing.skipped.front().verb.caption, "Empty");
    EXPECT_TRUE(DesktopBridge().sync().written.empty());
}

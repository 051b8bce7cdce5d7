// Hostile or unlucky input to the bridge: text the file managers' formats
// cannot hold, a user's own default application, a duplicated key, a FIFO or
// a symbolic link where the bridge reads, the umask, and a file manager that
// fails while tavisk-reg runs. GLib reads back what the bridge wrote.
#include "BridgeTestSupport.h"
#include "EntryFormats.h"

#include <glib.h>
#include <sys/stat.h>

using namespace tavisk::desktop;
using namespace tavisk::desktop::testing;

namespace {

/// True when GLib's XML parser takes the whole file.
bool glibParsesXml(const fs::path& path) {
    const std::string text = readText(path);
    GMarkupParser parser{};
    GMarkupParseContext* context =
        g_markup_parse_context_new(&parser, GMarkupParseFlags{}, nullptr, nullptr);
    GError* error = nullptr;
    const bool ok = g_markup_parse_context_parse(context, text.data(),
                                                 static_cast<gssize>(text.size()), &error) &&
                    g_markup_parse_context_end_parse(context, &error);
    if (error) {
        ADD_FAILURE() << path << ": " << error->message;
        g_error_free(error);
    }
    g_markup_parse_context_free(context);
    return ok;
}

/// The list value GLib reads for a key of a key file.
std::vector<std::string> glibList(const fs::path& path, const char* group, const char* key) {
    GKeyFile* file = g_key_file_new();
    std::vector<std::string> items;
    if (g_key_file_load_from_file(file, path.c_str(), G_KEY_FILE_NONE, nullptr)) {
        gsize length = 0;
        gchar** values = g_key_file_get_string_list(file, group, key, &length, nullptr);
        items.assign(values, values + length);
        g_strfreev(values);
    }
    g_key_file_free(file);
    return items;
}

bool contains(const std::vector<std::string>& list, const std::string& item) {
    return std::find(list.begin(), list.end(), item) != list.end();
}

class BridgeHardeningTest : public BridgeTest {
protected:
    const std::string foreignAction =
        "<action><name>Mine</name><unique-id>1-1</unique-id><command>mine %f</command>"
        "<patterns>*</patterns><text-files/></action>";

    std::string onlyId() {
        const auto listing = DesktopBridge().list();
        return listing.entries.size() == 1 ? listing.entries.front().entry.id : "";
    }
};

} // namespace

TEST_F(BridgeHardeningTest, TextNoFileManagerCanHoldIsRefusedAndTheFilesStayReadable) {
    const struct {
        const char* what;
        std::string command;
        const char* reason;
    } cases[] = {
        {"a Latin-1 path", "/opt/caf\xE9/view %1", "not valid UTF-8"},
        {"a lone surrogate", "/opt/\xED\xA0\x80/view %1", "not valid UTF-8"},
        {"a NUL", std::string("/opt/a\0b/view %1", 16), "NUL"},
        {"U+FFFF", "/opt/\xEF\xBF\xBF/view %1", "U+FFFF"},
        {"an escape sequence", "/opt/\x1b[2K/view %1", "U+001B"},
        {"a C1 control", "/opt/\xC2\x85/view %1", "U+0085"},
    };
    writeText(ucaXml(), "<?xml version=\"1.0\"?>\n<actions>\n" + foreignAction + "\n</actions>\n");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        addVerb("text/plain", "Bad", c.command);
        addVerb("text/plain", "Good", "/usr/bin/good %1");
        const Outcome outcome = DesktopBridge().sync();
        EXPECT_TRUE(outcome.ok()) << describe(outcome.problems.front());
        EXPECT_TRUE(glibParsesXml(ucaXml()));
        EXPECT_NE(readText(ucaXml()).find(foreignAction), std::string::npos);
        const auto listing = DesktopBridge().list();
        ASSERT_EQ(listing.entries.size(), 1u);
        EXPECT_EQ(listing.entries.front().entry.caption, "Good");
        ASSERT_EQ(listing.skipped.size(), 1u);
        EXPECT_NE(listing.skipped.front().reason.find(c.reason), std::string::npos)
            << listing.skipped.front().reason;
        deleteVerb("text/plain", "Bad");
    }
    // Every text of uca.xml goes through one routine that refuses what XML cannot hold.
    for (const std::string bad : {"\xE9", "\xEF\xBF\xBE", "\x01", "\xC2\x9B"})
        EXPECT_THROW(xmlText(bad), FormatError) << bad;
    EXPECT_EQ(xmlText("a<b & \xC3\xA9\r"), "a&lt;b &amp; \xC3\xA9&#13;");
}

TEST_F(BridgeHardeningTest, TheUsersOwnDefaultStaysEvenWhenItsApplicationIsMissing) {
    const std::string mine = "# my defaults\n[Default Applications]\ntext/plain=gone.desktop;\n";
    writeText(mimeApps(), mine);
    addVerb("text/plain", "View it", "/usr/bin/view %1");
    ASSERT_TRUE(DesktopBridge().sync().ok());
    EXPECT_EQ(glibList(mimeApps(), "Default Applications", "text/plain"),
              std::vector<std::string>{"gone.desktop"});
    EXPECT_TRUE(
        contains(glibList(mimeApps(), "Added Associations", "text/plain"), onlyId() + ".desktop"));
    ASSERT_TRUE(DesktopBridge().clean().ok());
    EXPECT_EQ(glibList(mimeApps(), "Default Applications", "text/plain"),
              std::vector<std::string>{"gone.desktop"});
    EXPECT_EQ(readText(mimeApps()).find("tavisk-"), std::string::npos) << readText(mimeApps());
    EXPECT_NE(readText(mimeApps()).find("# my defaults"), std::string::npos);
}

TEST_F(BridgeHardeningTest, ADuplicatedKeyIsEditedWhereGlibReadsIt) {
    writeText(mimeApps(), "[Added Associations]\ntext/plain=first.desktop;\n"
                          "image/png=viewer.desktop;\ntext/plain=last.desktop;\n");
    addVerb("text/plain", "View it", "/usr/bin/view %1");
    ASSERT_TRUE(DesktopBridge().sync().ok());
    const auto listed = glibList(mimeApps(), "Added Associations", "text/plain");
    EXPECT_TRUE(contains(listed, onlyId() + ".desktop")) << readText(mimeApps());
    EXPECT_TRUE(contains(listed, "last.desktop"));

    // Taken out again, no line of the key still names our entry.
    ASSERT_TRUE(DesktopBridge().clean().ok());
    EXPECT_EQ(readText(mimeApps()).find("tavisk-"), std::string::npos) << readText(mimeApps());
}

TEST_F(BridgeHardeningTest, AFifoOrALinkWhereTheBridgeReadsIsRefusedNotFollowed) {
    fs::create_directories(ucaXml().parent_path());
    ASSERT_EQ(::mkfifo(ucaXml().c_str(), 0600), 0);
    const fs::path elsewhere = root() / "elsewhere.list";
    writeText(elsewhere, "[Added Associations]\n");
    fs::create_symlink(elsewhere, mimeApps());
    addVerb("text/plain", "View it", "/usr/bin/view %1");

    const Outcome outcome = DesktopBridge().sync(); // returns: a FIFO never blocks it
    std::map<FileManager, std::string> problems;
    for (const auto& problem : outcome.problems)
        problems[problem.manager] = problem.message;
    EXPECT_NE(problems[FileManager::Thunar].find("not a regular file"), std::string::npos)
        << problems[FileManager::Thunar];
    EXPECT_NE(problems[FileManager::OpenWith].find("symbolic link"), std::string::npos)
        << problems[FileManager::OpenWith];
    EXPECT_EQ(readText(elsewhere), "[Added Associations]\n");
    EXPECT_TRUE(fs::exists(filesOf(onlyId()).at("Nemo")));
}

TEST_F(BridgeHardeningTest, FilesFollowTheUmask) {
    const mode_t old = ::umask(077);
    addVerb("text/plain", "View it", "/usr/bin/view %1");
    const bool ok = DesktopBridge().sync().ok();
    ::umask(old);
    ASSERT_TRUE(ok);
    const auto files = filesOf(onlyId());
    auto perms = [](const fs::path& path) { return fs::status(path).permissions(); };
    EXPECT_EQ(perms(files.at("Open With")), fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(perms(files.at("KDE")), fs::perms::owner_all);
    EXPECT_EQ(perms(ucaXml()), fs::perms::owner_read | fs::perms::owner_write);
}

TEST_F(BridgeHardeningTest, TaviskRegSaysWhichFileManagerFailedAndExitsNonZero) {
    writeText(fs::path(dataHome()) / "nemo/actions", "a file where the folder belongs");
    tavisk::registry::closeStore();
    const auto result = run({TAVISK_REG, "add", "HKCR\\text/plain\\Shell\\View it\\Command",
                             "--default", "--data", "/usr/bin/view %1"},
                            root());
    EXPECT_EQ(result.status, 1) << result.err;
    EXPECT_NE(result.err.find("Nemo: "), std::string::npos) << result.err;
    EXPECT_TRUE(fs::exists(applications()));
}

TEST_F(BridgeHardeningTest, AnEmptyFileWhereTheBridgeWritesIsReplaced) {
    // What a crash can leave of an entry written without a sync.
    addVerb("text/plain", "View it", "/usr/bin/view %1");
    const auto files = filesOf(onlyId());
    writeText(files.at("Nemo"), "");
    const Outcome outcome = DesktopBridge().sync();
    EXPECT_TRUE(outcome.ok()) << describe(outcome.problems.front());
    EXPECT_NE(readText(files.at("Nemo")).find("X-Tavisk-Verb=View it"), std::string::npos);
}

TEST_F(BridgeHardeningTest, CaptionsThatOnceSharedANameKeepTheirOwnFiles) {
    // Same letters and digits, and the same 32-bit FNV-1a hash: once one id.
    const std::string one = "OPEN#WITH;MY+.TOOL_NOW!=OK";
    const std::string other = "OPEN;@WITH=.MY)TOOL#NOW.OK";
    addVerb("text/plain", one, "/usr/bin/one %1");
    addVerb("text/plain", other, "/usr/bin/other %1");
    ASSERT_TRUE(DesktopBridge().sync().ok());
    std::map<std::string, std::string> idOf;
    for (const auto& listed : DesktopBridge().list().entries)
        idOf[listed.entry.caption] = listed.entry.id;
    ASSERT_EQ(idOf.size(), 2u);
    EXPECT_NE(idOf[one], idOf[other]);
    for (const auto& [caption, program] :
         {std::pair{one, "/usr/bin/one"}, std::pair{other, "/usr/bin/other"}}) {
        const std::string text = readText(filesOf(idOf[caption]).at("Open With"));
        EXPECT_NE(text.find("Exec=" + std::string(program)), std::string::npos) << text;
    }
    EXPECT_EQ(std::count_if(fs::directory_iterator(applications()), fs::directory_iterator(),
                            [](const auto&) { return true; }),
              2);
}

TEST_F(BridgeHardeningTest, WhatTheLastSyncLeftNeverHidesAChangeSinceAndMayBeLost) {
    addVerb("text/plain", "View it", "/usr/bin/view %1");
    ASSERT_TRUE(DesktopBridge().sync().ok());
    const fs::path state = fs::path(dataHome()) / "tavisk/desktop-bridge.state";
    const std::string kept = readText(state);
    ASSERT_NE(kept.find(ucaXml().string()), std::string::npos) << kept;
    EXPECT_TRUE(DesktopBridge().sync().written.empty());
    EXPECT_EQ(readText(state), kept) << "an unchanged sync rewrote its state";

    // Files changed behind the bridge's back are written again: one emptied,
    // Thunar's list rewritten without the action, the user's list replaced.
    fs::path desktopFile;
    for (const auto& file : fs::directory_iterator(applications()))
        desktopFile = file.path();
    writeText(desktopFile, "");
    const std::string uca = readText(ucaXml());
    writeText(ucaXml(), "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<actions>\n</actions>\n");
    writeText(mimeApps(), "[Added Associations]\n");
    const auto repaired = DesktopBridge().sync();
    EXPECT_EQ(repaired.written.size(), 3u);
    EXPECT_NE(readText(desktopFile), "");
    EXPECT_EQ(readText(ucaXml()), uca);
    EXPECT_NE(readText(mimeApps()).find(desktopFile.filename().string()), std::string::npos);

    // A damaged state is a lost one: the sync compares the files themselves.
    writeText(state, "tavisk-desktop-bridge-state 1\nnot\ta line\n\x01\x02");
    EXPECT_TRUE(DesktopBridge().sync().written.empty());
    EXPECT_EQ(readText(state).rfind("tavisk-desktop-bridge-state 1\n", 0), 0u);
}

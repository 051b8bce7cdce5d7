// Reading the shared MIME database: types, globs2 (weights, the cs flag,
// __NOGLOBS__), icons, generic icons, and comments by language.
#include "MimeImport.h"
#include "ToolTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>

using namespace tavisk::registry;

namespace {

const std::string SystemFolder = fixture("mime-system/mime");
const std::string UserFolder = fixture("mime-user/mime");

const MimeType* findType(const MimeDatabase& database, const std::string& name) {
    const auto found = std::find_if(database.types.begin(), database.types.end(),
                                    [&](const MimeType& t) { return t.name == name; });
    return found == database.types.end() ? nullptr : &*found;
}

std::map<std::string, std::string> extensionMap(const MimeDatabase& database) {
    std::map<std::string, std::string> owners;
    for (const auto& extension : database.extensions) {
        owners[extension.key] = extension.type;
    }
    return owners;
}

std::string descriptionOf(const MimeDatabase& database, const std::string& name) {
    const MimeType* type = findType(database, name);
    if (!type) {
        return "(no such type)";
    }
    return type->hasDescription ? type->description : "(none)";
}

} // namespace

TEST(MimeDatabase, ReadsEveryTypeWithItsDescriptionAndIcon) {
    const auto database = readMimeDatabase({SystemFolder}, {});
    ASSERT_EQ(database.folders, std::vector<std::string>{SystemFolder});
    const std::vector<std::tuple<std::string, std::string, std::string>> expected = {
        {"application/vnd.ms-excel.sheet.macroEnabled.12",      // read from its lower-case file
         "Excel spreadsheet & macros", "x-office-spreadsheet"}, // named by generic-icons
        {"application/x-nodescription", "(none)", "application-x-generic"}, // no XML file
        {"audio/ogg", "Ogg audio", "audio-x-generic"},
        {"image/png", "PNG image", "image-png"}, // a theme beside the database has it
        {"text/plain", "plain text document", "text-x-generic"}, // the media type's generic icon
        {"text/x-c++src", "C++ source code", "text-x-generic"},  // read from CDATA
        {"text/x-csrc", "C source code", "text-x-script"},
        {"video/ogg", "Ogg video", "video-x-generic"},
    };
    std::vector<std::tuple<std::string, std::string, std::string>> read;
    for (const auto& type : database.types) {
        read.emplace_back(type.name, descriptionOf(database, type.name), type.icon);
    }
    std::sort(read.begin(), read.end());
    EXPECT_EQ(read, expected);
}

TEST(MimeDatabase, DescriptionsFallBackFromCountryToLanguageToUntranslated) {
    for (const auto& [locale, description] : std::vector<std::pair<std::string, std::string>>{
             {"de_DE.UTF-8", "Textdokument"},
             {"de_AT.UTF-8", "Textdokument (\xC3\x96sterreich)"}, // numeric entity decoded
             {"de_CH.UTF-8", "Textdokument"},
             {"sr_RS@latin", "obi\xC4\x8Dni tekstualni dokument"},
             {"ja_JP.UTF-8", "plain text document"},
             {"C.UTF-8", "plain text document"}}) {
        const auto database = readMimeDatabase({SystemFolder}, languagesOfLocale(locale));
        EXPECT_EQ(descriptionOf(database, "text/plain"), description) << locale;
        // No German comment: the untranslated one.
        EXPECT_EQ(descriptionOf(database, "text/x-c++src"), "C++ source code") << locale;
    }
    EXPECT_EQ(descriptionOf(readMimeDatabase({SystemFolder}, {"de_DE", "de"}), "image/png"),
              "PNG-Bild");
}

TEST(MimeDatabase, ExtensionsGoToTheStrongestSimpleGlob) {
    const auto owners = extensionMap(readMimeDatabase({SystemFolder}, {}));
    const std::map<std::string, std::string> expected = {
        {".asc", "text/plain"}, // weight 50 beats 10
        {".c", "text/x-csrc"},  // *.c (cs) beats *.C (cs and not): one key in the registry
        {".cpp", "text/x-c++src"},
        {".nodesc", "application/x-nodescription"}, // unknown flags and fields ignored
        {".ogg", "audio/ogg"},                      // a tie: the first line
        {".png", "image/png"},
        {".shared", "image/png"}, // weight 60 beats 50 though listed later
        {".txt", "text/plain"},
        {".xlsm", "application/vnd.ms-excel.sheet.macroEnabled.12"},
    };
    // README and *.[ch] are not simple extensions; *.unknown names no known type.
    EXPECT_EQ(owners, expected);
}

TEST(MimeDatabase, TheUsersFolderOverridesTheSystems) {
    const auto database = readMimeDatabase({UserFolder, SystemFolder}, {});
    EXPECT_EQ(database.types.size(), 9u);
    EXPECT_EQ(database.folders, (std::vector<std::string>{UserFolder, SystemFolder}));
    EXPECT_EQ(descriptionOf(database, "text/plain"), "my plain text");
    EXPECT_EQ(findType(database, "audio/ogg")->icon, "my-ogg-icon");
    const auto owners = extensionMap(database);
    // __NOGLOBS__ drops text/plain's system globs: *.asc falls to the weaker claim.
    EXPECT_EQ(owners.count(".txt"), 0u);
    EXPECT_EQ(owners.at(".asc"), "application/x-nodescription");
    EXPECT_EQ(owners.at(".text"), "text/plain");
    EXPECT_EQ(owners.at(".notes"), "text/x-notes");
    // A language the user's file lacks still comes from the system's.
    EXPECT_EQ(descriptionOf(readMimeDatabase({UserFolder, SystemFolder}, {"fr"}), "text/plain"),
              "document texte brut");
}

TEST(MimeDatabase, FoldersWithoutADatabaseAreSkipped) {
    const TempFolder empty;
    const auto database = readMimeDatabase({empty.path(), SystemFolder}, {});
    EXPECT_EQ(database.folders, std::vector<std::string>{SystemFolder});
    EXPECT_TRUE(readMimeDatabase({empty.path()}, {}).types.empty());
}

TEST(MimeDatabase, MalformedLinesAreSkippedWithAWarning) {
    const TempFolder dir;
    writeFile(dir / "types", "text/plain\n\ntext/html\n");
    writeFile(dir / "globs2", "50:text/plain:*.txt\ngarbage\nxx:text/html:*.htm\n"
                              "50:text/html:*.html\r\n");
    const auto database = readMimeDatabase({dir.path()}, {});
    EXPECT_EQ(database.types.size(), 2u);
    EXPECT_EQ(database.warnings.size(), 2u);
    EXPECT_EQ(extensionMap(database),
              (std::map<std::string, std::string>{{".html", "text/html"}, {".txt", "text/plain"}}));
}

TEST(MimeDatabase, FoldersComeFromXdgDataHomeThenXdgDataDirs) {
    ScopedEnv environment;
    environment.set("XDG_DATA_HOME", "/home/u/data");
    environment.set("XDG_DATA_DIRS", "/opt/share:relative/ignored:/usr/share/");
    EXPECT_EQ(
        mimeDatabaseFolders(),
        (std::vector<std::string>{"/home/u/data/mime", "/opt/share/mime", "/usr/share/mime"}));
    environment.set("XDG_DATA_HOME", std::nullopt);
    environment.set("HOME", "/home/v");
    environment.set("XDG_DATA_DIRS", std::nullopt);
    EXPECT_EQ(mimeDatabaseFolders(),
              (std::vector<std::string>{"/home/v/.local/share/mime", "/usr/local/share/mime",
                                        "/usr/share/mime"}));
}

TEST(MimeDatabase, LanguageComesFromLcAllThenLcMessagesThenLang) {
    ScopedEnv environment;
    environment.set("LC_ALL", std::nullopt);
    environment.set("LC_MESSAGES", std::nullopt);
    environment.set("LANG", "fr_FR.UTF-8");
    EXPECT_EQ(messageLanguages(), (std::vector<std::string>{"fr_FR", "fr"}));
    environment.set("LC_MESSAGES", "de_DE@euro");
    EXPECT_EQ(messageLanguages(),
              (std::vector<std::string>{"de_DE@euro", "de_DE", "de@euro", "de"}));
    environment.set("LC_ALL", "C");
    EXPECT_TRUE(messageLanguages().empty());
}

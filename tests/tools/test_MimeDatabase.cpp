// Reading the shared MIME database: types, globs2 (weights, the cs flag,
// __NOGLOBS__), icons, generic icons, and comments by language.
#include "MimeImport.h"
#include "ToolTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace tavisk::registry;
using tavisk::testing::EnvironmentGuard;
using tavisk::testing::fixture;
using tavisk::testing::TempDir;

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

TEST(MimeDatabase, ReadsEveryTypeWithItsDescriptionInTheLanguageAsked) {
    const auto database = readMimeDatabase({SystemFolder}, {"de_DE", "de"});
    EXPECT_EQ(database.types.size(), 8u);
    ASSERT_EQ(database.folders, std::vector<std::string>{SystemFolder});
    EXPECT_EQ(descriptionOf(database, "text/plain"), "Textdokument");
    EXPECT_EQ(descriptionOf(database, "image/png"), "PNG-Bild");
    // No German comment: the untranslated one (read from CDATA).
    EXPECT_EQ(descriptionOf(database, "text/x-c++src"), "C++ source code");
}

TEST(MimeDatabase, FallsBackFromCountryToLanguageToUntranslated) {
    EXPECT_EQ(descriptionOf(readMimeDatabase({SystemFolder}, languagesOfLocale("de_AT.UTF-8")),
                            "text/plain"),
              "Textdokument (\xC3\x96sterreich)"); // numeric entity decoded to UTF-8
    EXPECT_EQ(descriptionOf(readMimeDatabase({SystemFolder}, languagesOfLocale("de_CH.UTF-8")),
                            "text/plain"),
              "Textdokument");
    EXPECT_EQ(descriptionOf(readMimeDatabase({SystemFolder}, languagesOfLocale("sr_RS@latin")),
                            "text/plain"),
              "obi\xC4\x8Dni tekstualni dokument");
    EXPECT_EQ(descriptionOf(readMimeDatabase({SystemFolder}, languagesOfLocale("ja_JP.UTF-8")),
                            "text/plain"),
              "plain text document");
    EXPECT_EQ(
        descriptionOf(readMimeDatabase({SystemFolder}, languagesOfLocale("C.UTF-8")), "text/plain"),
        "plain text document");
}

TEST(MimeDatabase, ATypeWithCapitalsIsReadFromItsLowerCaseFile) {
    const auto database = readMimeDatabase({SystemFolder}, {});
    const MimeType* excel = findType(database, "application/vnd.ms-excel.sheet.macroEnabled.12");
    ASSERT_NE(excel, nullptr);
    EXPECT_TRUE(excel->hasDescription);
    EXPECT_EQ(excel->description, "Excel spreadsheet & macros");
}

TEST(MimeDatabase, ATypeWithoutItsXmlFileHasNoDescription) {
    const auto database = readMimeDatabase({SystemFolder}, {});
    const MimeType* type = findType(database, "application/x-nodescription");
    ASSERT_NE(type, nullptr);
    EXPECT_FALSE(type->hasDescription);
    EXPECT_EQ(type->icon, "application-x-generic");
}

TEST(MimeDatabase, IconIsTheThemedOneElseTheGenericOne) {
    const auto database = readMimeDatabase({SystemFolder}, {});
    // A theme beside the database has image-png.
    EXPECT_EQ(findType(database, "image/png")->icon, "image-png");
    // generic-icons names one.
    EXPECT_EQ(findType(database, "application/vnd.ms-excel.sheet.macroEnabled.12")->icon,
              "x-office-spreadsheet");
    EXPECT_EQ(findType(database, "text/x-csrc")->icon, "text-x-script");
    // Neither: the media type's generic icon.
    EXPECT_EQ(findType(database, "text/plain")->icon, "text-x-generic");
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
    const TempDir empty;
    const auto database = readMimeDatabase({empty.path().string(), SystemFolder}, {});
    EXPECT_EQ(database.folders, std::vector<std::string>{SystemFolder});
    EXPECT_TRUE(readMimeDatabase({empty.path().string()}, {}).types.empty());
}

TEST(MimeDatabase, MalformedLinesAreSkippedWithAWarning) {
    const TempDir dir;
    tavisk::testing::writeBytes(dir.file("types"), "text/plain\n\ntext/html\n");
    tavisk::testing::writeBytes(dir.file("globs2"),
                                "50:text/plain:*.txt\ngarbage\nxx:text/html:*.htm\n"
                                "50:text/html:*.html\r\n");
    const auto database = readMimeDatabase({dir.path().string()}, {});
    EXPECT_EQ(database.types.size(), 2u);
    EXPECT_EQ(database.warnings.size(), 2u);
    EXPECT_EQ(extensionMap(database),
              (std::map<std::string, std::string>{{".html", "text/html"}, {".txt", "text/plain"}}));
}

TEST(MimeDatabase, FoldersComeFromXdgDataHomeThenXdgDataDirs) {
    EnvironmentGuard environment;
    environment.set("XDG_DATA_HOME", "/home/u/data");
    environment.set("XDG_DATA_DIRS", "/opt/share:relative/ignored:/usr/share/");
    EXPECT_EQ(
        mimeDatabaseFolders(),
        (std::vector<std::string>{"/home/u/data/mime", "/opt/share/mime", "/usr/share/mime"}));
    environment.unset("XDG_DATA_HOME");
    environment.set("HOME", "/home/v");
    environment.unset("XDG_DATA_DIRS");
    EXPECT_EQ(mimeDatabaseFolders(),
              (std::vector<std::string>{"/home/v/.local/share/mime", "/usr/local/share/mime",
                                        "/usr/share/mime"}));
}

TEST(MimeDatabase, LanguageComesFromLcAllThenLcMessagesThenLang) {
    EnvironmentGuard environment;
    environment.unset("LC_ALL");
    environment.unset("LC_MESSAGES");
    environment.set("LANG", "fr_FR.UTF-8");
    EXPECT_EQ(messageLanguages(), (std::vector<std::string>{"fr_FR", "fr"}));
    environment.set("LC_MESSAGES", "de_DE@euro");
    EXPECT_EQ(messageLanguages(),
              (std::vector<std::string>{"de_DE@euro", "de_DE", "de@euro", "de"}));
    environment.set("LC_ALL", "C");
    EXPECT_TRUE(messageLanguages().empty());
}

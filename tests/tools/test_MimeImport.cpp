// Filling HKEY_CLASSES_ROOT from the fixture MIME database, through the
// registry API of a store made for each test.
#include "MimeImport.h"
#include "RegAccess.h"
#include "RegistryStore.h"
#include "ToolTestSupport.h"
#include "modRegistry.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace tavisk::registry;
using tavisk::regtool::collectTree;
using tavisk::regtool::KeyName;
using tavisk::regtool::OpenKey;
using tavisk::regtool::RegValue;

namespace {

constexpr std::uint32_t Hkcr = 0x80000000u;
const std::string SystemFolder = fixture("mime-system/mime");

class MimeImportTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_environment.set("LC_ALL", std::nullopt);
        m_environment.set("LC_MESSAGES", std::nullopt);
        m_environment.set("LANG", "C.UTF-8");
        ASSERT_EQ(openStore(m_dir / "registry.db").status, OpenStatus::Created);
    }
    void TearDown() override {
        EXPECT_EQ(openHandleCount(), 0u); // every key the fill opened was closed
        closeStore();
    }

    /// The value's data, or "(missing)".
    static std::string data(const std::string& key, const std::string& name = "") {
        const auto opened = OpenKey::open({Hkcr, key});
        const auto value = opened ? opened->value(name) : std::nullopt;
        return value ? value->data : "(missing)";
    }
    static std::string text(const std::string& s) { return s + '\0'; }

    static void setText(const std::string& key, const std::string& name, const std::string& value) {
        OpenKey::create({Hkcr, key}).setValue({name, 1, text(value)});
    }

    TempFolder m_dir;
    ScopedEnv m_environment;
};

} // namespace

TEST_F(MimeImportTest, FillsTypesAndExtensionsInTheUsersLanguage) {
    m_environment.set("LANG", "de_DE.UTF-8");
    const auto result = importMimeDatabase(std::vector<std::string>{SystemFolder});
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(result.types, 8u);
    EXPECT_EQ(result.extensions, 9u);

    EXPECT_EQ(data("text/plain"), text("Textdokument"));
    EXPECT_EQ(data("text/plain\\DefaultIcon"), text("text-x-generic"));
    EXPECT_EQ(data("image/png"), text("PNG-Bild"));
    EXPECT_EQ(data("image/png\\DefaultIcon"), text("image-png"));
    EXPECT_EQ(data("application/vnd.ms-excel.sheet.macroEnabled.12"),
              text("Excel-Tabelle mit Makros"));
    EXPECT_EQ(data("application/vnd.ms-excel.sheet.macroEnabled.12\\DefaultIcon"),
              text("x-office-spreadsheet"));
    EXPECT_EQ(data(".txt"), text("text/plain"));
    EXPECT_EQ(data(".txt", "Content Type"), text("text/plain"));
    EXPECT_EQ(data(".c"), text("text/x-csrc"));
    EXPECT_EQ(data(".C", "Content Type"), text("text/x-csrc"));
    // A type without a description still has its icon.
    EXPECT_EQ(result.withoutDescription, std::vector<std::string>{"application/x-nodescription"});
    EXPECT_EQ(data("application/x-nodescription"), "(missing)");
    EXPECT_EQ(data("application/x-nodescription\\DefaultIcon"), text("application-x-generic"));
}

TEST_F(MimeImportTest, KeysKeepTheDatabasesSpelling) {
    ASSERT_TRUE(importMimeDatabase(std::vector<std::string>{SystemFolder}).ok);
    const auto names = OpenKey::open({Hkcr, ""})->subkeys();
    EXPECT_NE(
        std::find(names.begin(), names.end(), "application/vnd.ms-excel.sheet.macroEnabled.12"),
        names.end());
    // *.C and *.c are one key in a registry that ignores case.
    EXPECT_EQ(std::count_if(names.begin(), names.end(),
                            [](const std::string& n) { return n == ".c" || n == ".C"; }),
              1);
    EXPECT_EQ(names.size(), 8u + 9u);
}

TEST_F(MimeImportTest, EveryStringIsRegSzWithItsTerminator) {
    ASSERT_TRUE(importMimeDatabase(std::vector<std::string>{SystemFolder}).ok);
    const auto blocks = collectTree({Hkcr, ""});
    ASSERT_TRUE(blocks);
    std::size_t values = 0;
    for (const auto& block : *blocks) {
        for (const auto& value : block.values) {
            ++values;
            EXPECT_EQ(value.type, 1u) << block.name;
            EXPECT_TRUE(value.data.ends_with('\0')) << block.name;
        }
    }
    EXPECT_EQ(values, 7u + 8u + 9u * 2u);
    // So the program's reader, which drops the last character, reads them whole.
    EXPECT_EQ(modRegistry::ReadRegValue(modRegistry::HKCR, "text/plain\\DefaultIcon", ""),
              "text-x-generic");
    EXPECT_EQ(modRegistry::ReadRegValue(modRegistry::HKCR, ".xlsm", "Content Type"),
              "application/vnd.ms-excel.sheet.macroEnabled.12");
}

TEST_F(MimeImportTest, ReimportChangesOnlyDescriptionsAndIcons) {
    ASSERT_TRUE(importMimeDatabase(std::vector<std::string>{SystemFolder}).ok);
    setText("text/plain\\Shell\\My Viewer\\Command", "", "/usr/bin/view %1");
    setText("text/plain\\Shell\\My Viewer\\Command", "AUTHENTIC", "quorvane");
    setText("text/plain", "Other", "keep me");
    setText("text/plain\\DefaultIcon", "", "my-own-icon");
    setText(".txt", "", "txtfile");
    OpenKey::open({Hkcr, ".asc"}, KEY_READ | KEY_WRITE)->deleteValue("Content Type");

    m_environment.set("LANG", "fr_FR.UTF-8");
    const auto result = importMimeDatabase(std::vector<std::string>{SystemFolder});
    ASSERT_TRUE(result.ok) << result.error;

    EXPECT_EQ(data("text/plain\\Shell\\My Viewer\\Command"), text("/usr/bin/view %1"));
    EXPECT_EQ(data("text/plain\\Shell\\My Viewer\\Command", "AUTHENTIC"), text("quorvane"));
    EXPECT_EQ(data("text/plain", "Other"), text("keep me"));
    EXPECT_EQ(data(".txt"), text("txtfile"));                    // an extension's values are kept
    EXPECT_EQ(data(".asc", "Content Type"), text("text/plain")); // and filled when missing
    EXPECT_EQ(data("text/plain"), text("document texte brut"));  // descriptions follow the database
    EXPECT_EQ(data("text/plain\\DefaultIcon"), text("text-x-generic")); // and icons
    // description, icon and Content Type
    EXPECT_EQ(result.valuesWritten, 3u);

    EXPECT_EQ(importMimeDatabase(std::vector<std::string>{SystemFolder}).valuesWritten, 0u);
}

TEST_F(MimeImportTest, ARefusedWriteLeavesTheStoreAsItWas) {
    setText("text/plain", "", "before");
    const TempFolder database;
    const std::string tooLong = "text/" + std::string(300, 'x');
    writeFile(database / "types", "text/plain\n" + tooLong + "\n");
    writeFile(database / "globs2", "50:text/plain:*.txt\n");
    const auto result = importMimeDatabase(std::vector<std::string>{database.path()});
    EXPECT_FALSE(result.ok);
    EXPECT_NE(result.error.find(tooLong), std::string::npos) << result.error;
    EXPECT_EQ(data("text/plain"), text("before"));
    EXPECT_EQ(data("text/plain\\DefaultIcon"), "(missing)");
    EXPECT_EQ(data(".txt"), "(missing)");
}

TEST(MimeFill, IsNeededByANewStoreAndByOneWhoseFillNeverFinished) {
    TempFolder dir;
    const auto created = openStore(dir / "registry.db");
    EXPECT_TRUE(storeNeedsFileTypes(created));
    modRegistry::WriteRegValue(0x80000002u, "SOFTWARE\\Quorvane", "RunBefore", 1, "1");
    closeStore();

    // Reopened before any file type was written: still empty, still needs it.
    const auto reopened = openStore(dir / "registry.db");
    ASSERT_EQ(reopened.status, OpenStatus::Opened);
    EXPECT_TRUE(storeNeedsFileTypes(reopened));

    ASSERT_TRUE(importMimeDatabase(std::vector<std::string>{SystemFolder}).ok);
    EXPECT_FALSE(storeNeedsFileTypes(reopened));
    EXPECT_FALSE(storeNeedsFileTypes(OpenResult{OpenStatus::Failed, "", "no store"}));
    closeStore();
}

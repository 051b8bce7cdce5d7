// The stand-in's exact rules for names and paths: the Unicode table, the
// error codes of refused paths, and handles given back by modRegistry.
#include "RegistryApi.h"
#include "RegistryNames.h"
#include "RegistryStore.h"
#include "StandInSupport.h"
#include "UnicodeUpper.h"
#include "modRegistry.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <tuple>

namespace {

using namespace tavisk::registry;

TEST(UnicodeUpper, MatchesUnicodeDataForTheWholeBasicPlane) {
    std::ifstream data("/usr/share/unicode/UnicodeData.txt");
    if (!data) {
        GTEST_SKIP() << "Unicode's UnicodeData.txt is not installed";
    }
    std::vector<char32_t> expected(0x10000);
    for (char32_t c = 0; c < 0x10000; ++c) {
        expected[c] = c;
    }
    std::string line;
    while (std::getline(data, line)) {
        std::vector<std::string> fields;
        std::stringstream split(line);
        for (std::string field; std::getline(split, field, ';');) {
            fields.push_back(field);
        }
        const auto code = std::stoul(fields[0], nullptr, 16);
        if (code < 0x10000 && fields.size() > 12 && !fields[12].empty()) {
            expected[code] = static_cast<char32_t>(std::stoul(fields[12], nullptr, 16));
        }
    }
    for (char32_t c = 0; c < 0x10000; ++c) {
        ASSERT_EQ(simpleUpper(c), expected[c]) << std::hex << static_cast<unsigned>(c);
    }
}

TEST(FoldName, FoldsEachCharacterAndRefusesMalformedUtf8) {
    EXPECT_EQ(foldName("äpfel/Straße"), "ÄPFEL/STRAßE");
    EXPECT_EQ(foldName("ǆ ǅ"), "Ǆ Ǆ");
    EXPECT_EQ(foldName(""), "");
    for (const char* bad :
         {"\xC3", "\xC3\x28", "\xC0\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xFF", "ok\x80"}) {
        EXPECT_FALSE(foldName(bad)) << bad;
    }
}

class StoreNames : public ::testing::Test {
protected:
    TempFolder folder;
    void SetUp() override { ASSERT_TRUE(openStore(folder / "registry.db").ok()); }
    void TearDown() override { closeStore(); }

    static LONG create(const std::string& path) {
        HKEY key = nullptr;
        const LONG result = RegCreateKeyA(HKEY_CURRENT_USER, path.c_str(), &key);
        RegCloseKey(key);
        return result;
    }
    static LONG setValue(const std::string& name) {
        HKEY key = nullptr;
        RegCreateKeyA(HKEY_CURRENT_USER, "Values", &key);
        const BYTE data[] = {'1', 0};
        const LONG result = RegSetValueExA(key, name.c_str(), 0, REG_SZ, data, 2);
        RegCloseKey(key);
        return result;
    }
};

TEST_F(StoreNames, RefusalsGiveTheirErrorCodes) {
    const std::string longest = std::string(127, 'k') + "é" + std::string(127, 'k');
    std::string astral; // characters beyond the Basic Multilingual Plane count twice
    for (int i = 0; i < 128; ++i) {
        astral += "\xF0\x9F\x98\x80";
    }
    HKEY key = nullptr;
    HKEY reader = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "", 0, KEY_READ, &reader), ERROR_SUCCESS);
    const BYTE data[] = {'1', 0};
    // Evaluated in order: a braced list's elements are.
    const std::vector<std::tuple<const char*, LONG, LONG>> cases = {
        {"lead", create("\\Lead"), ERROR_BAD_PATHNAME},
        {"lone backslash", create("\\"), ERROR_BAD_PATHNAME},
        {"empty component", create("A\\\\B"), ERROR_BAD_PATHNAME},
        {"two trailing", create("A\\\\"), ERROR_BAD_PATHNAME},
        {"256 characters", create(std::string(256, 'k')), ERROR_INVALID_PARAMETER},
        {"255 characters", create(longest), ERROR_SUCCESS},
        {"128 astral", create(astral), ERROR_INVALID_PARAMETER},
        {"bad UTF-8", create("Bad\xFF"), ERROR_INVALID_PARAMETER},
        {"open lead", RegOpenKeyA(HKEY_CURRENT_USER, "\\Lead", &key), ERROR_BAD_PATHNAME},
        {"delete empty component", RegDeleteKeyA(HKEY_CURRENT_USER, "A\\\\B"), ERROR_BAD_PATHNAME},
        {"value name 16383", setValue(std::string(16383, 'v')), ERROR_SUCCESS},
        {"value name 16384", setValue(std::string(16384, 'v')), ERROR_INVALID_PARAMETER},
        {"value name bad UTF-8", setValue("bad\xC3"), ERROR_INVALID_PARAMETER},
        {"delete classes root", RegDeleteKeyA(HKEY_CLASSES_ROOT, ""), ERROR_ACCESS_DENIED},
        {"delete classes", RegDeleteKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes"),
         ERROR_ACCESS_DENIED},
        {"delete a root", RegDeleteKeyA(HKEY_CURRENT_USER, ""), ERROR_ACCESS_DENIED},
        {"set through a reader", RegSetValueExA(reader, "v", 0, REG_SZ, data, 2),
         ERROR_ACCESS_DENIED},
        {"create through a reader", RegCreateKeyA(reader, "Child", &key), ERROR_ACCESS_DENIED},
    };
    RegCloseKey(reader);
    for (const auto& [what, result, expected] : cases) {
        EXPECT_EQ(result, expected) << what;
    }
    EXPECT_TRUE(modRegistry::RegKeyExists(modRegistry::HKCR, ""));
    EXPECT_FALSE(modRegistry::RegKeyExists(modRegistry::HKCU, "Child"));
    EXPECT_TRUE(modRegistry::RegKeyExists(modRegistry::HKCU, longest));
    std::int32_t index = 0;
    EXPECT_EQ(modRegistry::EnumRegSubkey(modRegistry::HKCU, "", index = 0), longest);
    EXPECT_EQ(modRegistry::EnumRegSubkey(modRegistry::HKCU, "", index = 2), "Not Found");
}

TEST_F(StoreNames, ModRegistryClosesEveryHandleItOpens) {
    using namespace modRegistry;
    WriteRegValue(HKCU, "App\\Type", "PATH", 1, std::string("cmd"));
    for (const std::string& key :
         {std::string("App"), std::string("Missing"), std::string("\\Bad"), std::string()}) {
        ReadRegValue(HKCU, key, "PATH");
        ReadRegValue(HKCR, key, "Missing");
        WriteRegValue(HKCU, key, "v", 1, std::string("1"));
        WriteRegValue(HKCU, key, "n", 4, std::string("not a number"));
        for (std::int32_t index : {0, 1, 5}) {
            EnumRegSubkey(HKCU, key, index);
        }
        DeleteRegKey(HKCU, key);
        RegKeyExists(HKCU, key);
        EXPECT_EQ(openHandleCount(), 0u) << key;
    }
}

} // namespace

// modRegistry's routines: what they read, what they store, and that nothing
// ever reaches the caller but "Not Found".
#include "ScratchRegistry.h"
#include "modRegistry.h"

#include <string>
#include <tuple>
#include <vector>

namespace {

using namespace modRegistry;

class ModRegistry : public RegistryTest {
protected:
    /// The value exactly as the registry holds it under HKEY_CURRENT_USER.
    Data stored(const std::string& relative, const std::string& name) {
        Data data;
        get(HKEY_CURRENT_USER, relative, name.c_str(), data);
        return data;
    }

    /// Stores raw bytes with a given type, as another program might.
    void storeRaw(const std::string& relative, const std::string& name, DWORD type,
                  const std::string& bytes) {
        ASSERT_EQ(set(HKEY_CURRENT_USER, relative, name.c_str(), type, bytes), ERROR_SUCCESS);
    }

    std::string read(const std::string& relative, const std::string& name) {
        return ReadRegValue(HKCU, path(relative), name);
    }

    std::vector<std::string> enumerate(std::uint32_t root, const std::string& keyPath) {
        std::vector<std::string> names;
        for (std::int32_t index = 0;; ++index) {
            const std::string name = EnumRegSubkey(root, keyPath, index);
            if (name == NotFound) {
                return names;
            }
            names.push_back(name);
        }
    }
};

TEST_F(ModRegistry, ReadingWhatIsNotThereIsNotFound) {
    EXPECT_EQ(read("missing\\key", "v"), "Not Found");
    WriteRegValue(HKCU, path("app"), "PATH", 1, std::string("cmd"));
    EXPECT_EQ(read("app", "missing"), "Not Found");
    EXPECT_EQ(read("app", ""), "Not Found");
}

TEST_F(ModRegistry, TextWithTypeOneIsStoredWithItsTerminator) {
    WriteRegValue(HKCU, path("app"), "v", 1, std::string("abc"));
    const Data abc = stored("app", "v");
    EXPECT_EQ(abc.type, REG_SZ);
    EXPECT_EQ(abc.bytes, std::string("abc", 4));
    EXPECT_EQ(read("app", "v"), "abc");

    WriteRegValue(HKCU, path("app"), "empty", 1, std::string());
    EXPECT_EQ(stored("app", "empty").bytes, std::string(1, '\0'));
    EXPECT_EQ(read("app", "empty"), "");
}

// The platform's registry counts a NUL that directly follows text whose byte
// count stops just short of it, so bare text comes back whole there; the
// stand-in keeps the count it is given.
#ifdef _WIN32
constexpr bool CountsTheNulThatFollows = true;
#else
constexpr bool CountsTheNulThatFollows = false;
#endif

TEST_F(ModRegistry, OtherTypeCodesStoreTheBareTextAsRegSz) {
    for (const std::int32_t code : {0, 2, 3, 7, 99}) {
        const std::string name = "code" + std::to_string(code);
        WriteRegValue(HKCU, path("app"), name, code, std::string("abc"));
        const Data value = stored("app", name);
        EXPECT_EQ(value.type, REG_SZ) << code;
        EXPECT_EQ(value.bytes, CountsTheNulThatFollows ? std::string("abc", 4) : "abc") << code;
        // Reading drops the last character, as it would a terminator.
        EXPECT_EQ(read("app", name), CountsTheNulThatFollows ? "abc" : "ab") << code;
    }
}

TEST_F(ModRegistry, TextIsUtf8WithOneSequencePerCharacter) {
    WriteRegValue(HKCU, path("app"), "v", 1, std::string("Grüße"));
    EXPECT_EQ(stored("app", "v").bytes.size(), 8u);
    EXPECT_EQ(read("app", "v"), "Grüße");
    WriteRegValue(HKCU, path("app"), "bare", 0, std::string("Grüß"));
    EXPECT_EQ(read("app", "bare"), CountsTheNulThatFollows ? "Grüß" : "Grü");
}

TEST_F(ModRegistry, ValuesOfOtherProgramsReadAsText) {
    const std::vector<std::tuple<DWORD, std::string, std::string>> cases = {
        {REG_BINARY, std::string("\x0A\xFF", 2), "0AFF"}, // binary as upper-case hex
        {REG_BINARY, std::string("\x01\xAB\x00", 3), "01AB00"},
        {REG_BINARY, "", ""},
        {REG_SZ, "", ""}, // zero bytes as empty text
        {REG_EXPAND_SZ, "", ""},
    };
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const auto& [type, bytes, shown] = cases[i];
        storeRaw("app", "v" + std::to_string(i), type, bytes);
        EXPECT_EQ(read("app", "v" + std::to_string(i)), shown) << i;
    }
}

TEST_F(ModRegistry, DwordIsWrittenAsFourBytesAndReadInDecimal) {
    WriteRegValue(HKCU, path("app"), "five", 4, std::int64_t{5});
    const Data five = stored("app", "five");
    EXPECT_EQ(five.type, REG_DWORD);
    EXPECT_EQ(five.bytes, std::string("\x05\x00\x00\x00", 4));
    EXPECT_EQ(read("app", "five"), "005");
    WriteRegValue(HKCU, path("app"), "big", 4, std::int64_t{1234});
    EXPECT_EQ(read("app", "big"), "1234");
    WriteRegValue(HKCU, path("app"), "all", 4, std::int64_t{-1});
    EXPECT_EQ(read("app", "all"), "4294967295");
    WriteRegValue(HKCU, path("app"), "text", 4, std::string("42"));
    EXPECT_EQ(read("app", "text"), "042");
}

TEST_F(ModRegistry, ADwordThatDoesNotFitIsNotWritten) {
    WriteRegValue(HKCU, path("app"), "v", 4, std::int64_t{1} << 40);
    WriteRegValue(HKCU, path("app"), "w", 4, std::string("twelve"));
    EXPECT_EQ(text(HKEY_CURRENT_USER, "app", "v"), "<missing>");
    EXPECT_EQ(text(HKEY_CURRENT_USER, "app", "w"), "<missing>");
}

TEST_F(ModRegistry, DataOverTheBufferReadsAsNotFound) {
    WriteRegValue(HKCU, path("app"), "fits", 1, std::string(2047, 'x'));
    EXPECT_EQ(read("app", "fits"), std::string(2047, 'x'));
    WriteRegValue(HKCU, path("app"), "long", 1, std::string(2048, 'x'));
    EXPECT_EQ(read("app", "long"), "Not Found");
    storeRaw("app", "binary", REG_BINARY, std::string(2049, '\x01'));
    EXPECT_EQ(read("app", "binary"), "Not Found");
}

TEST_F(ModRegistry, WritingCreatesEveryMissingKeyAndClassesRootIsLocalMachineClasses) {
    WriteRegValue(HKCR, path("txtfile\\Shell\\View\\Command"), "", 1, std::string("v %1"));
    EXPECT_TRUE(RegKeyExists(HKCR, path("txtfile\\Shell")));
    EXPECT_EQ(ReadRegValue(HKLM, "SOFTWARE\\Classes\\" + path("txtfile\\shell\\view\\command"), ""),
              "v %1");
    // Names are read without regard to case.
    WriteRegValue(HKLM, path("Shortcuts\\Viewer"), "PATH", 1, std::string("C:\\view.exe %1"));
    EXPECT_EQ(ReadRegValue(HKLM, path("shortcuts\\VIEWER"), "Path"), "C:\\view.exe %1");
}

TEST_F(ModRegistry, EnumerationListsSubkeysAndEndsWithNotFound) {
    WriteRegValue(HKCU, path("store\\"), "RunBefore", 1, std::string("1"));
    std::int32_t index = 0;
    EXPECT_EQ(EnumRegSubkey(HKCU, path("store\\"), index), "Not Found");
    for (const char* name : {"zeta", "Alpha", "mid"}) {
        WriteRegValue(HKCU, path("store\\") + name, "PATH", 1, std::string("c"));
    }
    EXPECT_EQ(enumerate(HKCU, path("store\\")), (std::vector<std::string>{"Alpha", "mid", "zeta"}));
    index = 3;
    EXPECT_EQ(EnumRegSubkey(HKCU, path("store"), index), "Not Found");
    EXPECT_EQ(index, 3);
    index = 1;
    EXPECT_EQ(EnumRegSubkey(HKCU, path("store"), index), "mid");
    EXPECT_EQ(index, 1);
    index = -1;
    EXPECT_EQ(EnumRegSubkey(HKCU, path("store"), index), "Not Found");
    EXPECT_EQ(EnumRegSubkey(HKCU, path("nowhere"), index = 0), "Not Found");
}

TEST_F(ModRegistry, DeletingRemovesOneKeyAndNeverComplains) {
    EXPECT_FALSE(RegKeyExists(HKCU, path("app")));
    WriteRegValue(HKCU, path("APP\\type"), "FileType", 1, std::string("type"));
    EXPECT_TRUE(RegKeyExists(HKCR, ""));
    DeleteRegKey(HKCU, path("app"));
    EXPECT_TRUE(RegKeyExists(HKCU, path("app")));
    DeleteRegKey(HKCU, path("app\\type"));
    EXPECT_FALSE(RegKeyExists(HKCU, path("app\\type")));
    DeleteRegKey(HKCU, path("app"));
    EXPECT_FALSE(RegKeyExists(HKCU, path("app")));
    EXPECT_NO_THROW(DeleteRegKey(HKCU, path("app")));
    EXPECT_NO_THROW(DeleteRegKey(HKCU, path("never\\there")));
}

TEST_F(ModRegistry, NothingIsThrownForBadInput) {
    // Paths some registry may accept stay below the scratch key.
    const std::string bad[] = {"\\lead", path("a\\\\b"), std::string(300, 'k'), path("\xFF\xFE"),
                               ""};
    for (const auto& keyPath : bad) {
        EXPECT_NO_THROW({
            EXPECT_EQ(ReadRegValue(HKCU, keyPath, "v"), "Not Found");
            WriteRegValue(HKCU, keyPath + "\\x", "v", 1, std::string("1"));
            std::int32_t index = 0;
            EnumRegSubkey(HKCU, keyPath, index);
            DeleteRegKey(HKCU, keyPath);
            RegKeyExists(HKCU, keyPath);
        }) << keyPath;
    }
    EXPECT_NO_THROW(ReadRegValue(0x12345678u, "x", "v"));
    EXPECT_EQ(ReadRegValue(0x12345678u, "x", "v"), "Not Found");
}

} // namespace

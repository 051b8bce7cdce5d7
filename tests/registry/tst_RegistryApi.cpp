// The registry API's behaviour that the program relies on, whatever stands
// behind it: roots, names, paths, writes, deletes, enumeration and values.
#include "ScratchRegistry.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace {

using RegistryApi = RegistryTest;

// --- roots ---------------------------------------------------------------

TEST_F(RegistryApi, RootsAreThePredefinedThirtyTwoBitNumbers) {
    const auto low = [](HKEY root) {
        return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(root));
    };
    EXPECT_EQ(low(HKEY_CLASSES_ROOT), 0x80000000u);
    EXPECT_EQ(low(HKEY_CURRENT_USER), 0x80000001u);
    EXPECT_EQ(low(HKEY_LOCAL_MACHINE), 0x80000002u);
}

TEST_F(RegistryApi, ClassesRootShowsTheKeysOfLocalMachineSoftwareClasses) {
    const std::string classes = "SOFTWARE\\Classes\\";
    ASSERT_EQ(set(HKEY_CLASSES_ROOT, "text/x-one", "", REG_SZ, sz("through classes")),
              ERROR_SUCCESS);
    ASSERT_EQ(
        RegCreateKeyA(HKEY_LOCAL_MACHINE, (classes + path("text/x-two")).c_str(), Key().out()),
        ERROR_SUCCESS);
    Key two;
    ASSERT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, (classes + path("text/x-two")).c_str(), two.out()),
              ERROR_SUCCESS);
    const std::string data = sz("through local machine");
    ASSERT_EQ(RegSetValueExA(two.get(), "", 0, REG_SZ, reinterpret_cast<const BYTE*>(data.data()),
                             static_cast<DWORD>(data.size())),
              ERROR_SUCCESS);

    Key one;
    ASSERT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, (classes + path("TEXT/X-ONE")).c_str(), one.out()),
              ERROR_SUCCESS);
    EXPECT_EQ(text(HKEY_CLASSES_ROOT, "text/x-two", ""), "through local machine");
    EXPECT_EQ(subkeys(HKEY_CLASSES_ROOT, ""),
              (std::vector<std::string>{"text/x-one", "text/x-two"}));
    // HKEY_CURRENT_USER is apart from both.
    ASSERT_EQ(set(HKEY_CURRENT_USER, "only-user", "v", REG_SZ, sz("1")), ERROR_SUCCESS);
    EXPECT_TRUE(exists(HKEY_CURRENT_USER, "only-user"));
    EXPECT_FALSE(exists(HKEY_LOCAL_MACHINE, "only-user"));
}

TEST_F(RegistryApi, KeyNamesMatchWithoutRegardToCaseInAllScripts) {
    const std::vector<std::pair<std::string, std::string>> spellings = {
        {"Shortcuts", "SHORTCUTS"},
        {"ÄPFEL", "äpfel"},
        {"ΣΟΦΊΑ", "σοφία"},
        {"ДОМ", "дом"},
        {"ǅ", "ǆ"},             // title case and small letter share the upper case Ǆ
        {"ΜΆΘΗΣΙΣ", "μάθησις"}, // final sigma
    };
    // Wine's case table gives neither "ǅ" nor "ς" an upper case.
    const std::size_t rows = runningUnderWine() ? 4 : spellings.size();
    for (std::size_t i = 0; i < rows; ++i) {
        const auto& [written, read] = spellings[i];
        ASSERT_EQ(set(HKEY_CURRENT_USER, written, "v", REG_SZ, sz(written)), ERROR_SUCCESS);
        EXPECT_EQ(text(HKEY_CURRENT_USER, read, "v"), written) << read;
    }
    EXPECT_EQ(subkeys(HKEY_CURRENT_USER, "").size(), rows);
}

TEST_F(RegistryApi, NamesFoldByEachCharactersSimpleUpperCaseOnly) {
    // "ß" has no single-character upper case, so it does not match "SS";
    // characters beyond the Basic Multilingual Plane are compared as they are.
    for (const char* name : {"straße", "STRASSE", "\xF0\x90\x90\xA8", "\xF0\x90\x90\x80"}) {
        ASSERT_EQ(create(HKEY_CURRENT_USER, name), ERROR_SUCCESS) << name;
    }
    EXPECT_EQ(subkeys(HKEY_CURRENT_USER, "").size(), 4u);
    EXPECT_TRUE(exists(HKEY_CURRENT_USER, "STRAßE"));
}

TEST_F(RegistryApi, ValueNamesMatchWithoutRegardToCaseAndKeysKeepTheirSpelling) {
    ASSERT_EQ(set(HKEY_CURRENT_USER, "app", "PATH", REG_SZ, sz("first")), ERROR_SUCCESS);
    EXPECT_EQ(text(HKEY_CURRENT_USER, "app", "Path"), "first");
    ASSERT_EQ(set(HKEY_CURRENT_USER, "app", "path", REG_SZ, sz("second")), ERROR_SUCCESS);
    EXPECT_EQ(text(HKEY_CURRENT_USER, "app", "PATH"), "second");
    ASSERT_EQ(set(HKEY_CURRENT_USER, "app", "Größe", REG_SZ, sz("x")), ERROR_SUCCESS);
    EXPECT_EQ(text(HKEY_CURRENT_USER, "app", "GRÖßE"), "x");
    ASSERT_EQ(create(HKEY_CURRENT_USER, "APP\\Child"), ERROR_SUCCESS);
    EXPECT_EQ(subkeys(HKEY_CURRENT_USER, ""), std::vector<std::string>{"app"});
    EXPECT_EQ(subkeys(HKEY_CURRENT_USER, "App"), std::vector<std::string>{"Child"});
    // A value name may hold backslashes.
    ASSERT_EQ(set(HKEY_CURRENT_USER, "app", "C:\\Tools\\view.exe", REG_SZ, sz("x")), ERROR_SUCCESS);
    EXPECT_EQ(text(HKEY_CURRENT_USER, "app", "c:\\tools\\VIEW.EXE"), "x");
    EXPECT_EQ(subkeys(HKEY_CURRENT_USER, "App"), std::vector<std::string>{"Child"});
    // The default value has the empty name.
    ASSERT_EQ(set(HKEY_CURRENT_USER, "app", "", REG_SZ, sz("default")), ERROR_SUCCESS);
    EXPECT_EQ(text(HKEY_CURRENT_USER, "app", nullptr), "default");
    ASSERT_EQ(set(HKEY_CURRENT_USER, "app", nullptr, REG_SZ, sz("again")), ERROR_SUCCESS);
    EXPECT_EQ(text(HKEY_CURRENT_USER, "app", ""), "again");
}

// --- paths ---------------------------------------------------------------

TEST_F(RegistryApi, OnlyTheBackslashSeparatesKeys) {
    ASSERT_EQ(set(HKEY_CURRENT_USER, "text/plain", "", REG_SZ, sz("t")), ERROR_SUCCESS);
    EXPECT_EQ(subkeys(HKEY_CURRENT_USER, ""), std::vector<std::string>{"text/plain"});
    EXPECT_FALSE(exists(HKEY_CURRENT_USER, "text"));
    ASSERT_EQ(create(HKEY_CURRENT_USER, "a b.c;d:e*f?\"g<h>|i"), ERROR_SUCCESS);
    EXPECT_TRUE(exists(HKEY_CURRENT_USER, "A B.C;D:E*F?\"G<H>|I"));
}

TEST_F(RegistryApi, OneTrailingBackslashIsAllowedAndAnEmptyPathIsTheKeyItself) {
    ASSERT_EQ(set(HKEY_CURRENT_USER, "store\\", "v", REG_SZ, sz("1")), ERROR_SUCCESS);
    EXPECT_EQ(text(HKEY_CURRENT_USER, "store", "v"), "1");
    Key store;
    ASSERT_EQ(open(HKEY_CURRENT_USER, "store", store), ERROR_SUCCESS);
    Key same;
    ASSERT_EQ(RegOpenKeyExA(store.get(), "", 0, KEY_READ, same.out()), ERROR_SUCCESS);
    DWORD size = 0;
    EXPECT_EQ(RegQueryValueExA(same.get(), "v", nullptr, nullptr, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 2u);
}

// Empty components inside a path are the stand-in's own refusal (see
// tst_StoreNames.cpp); the platform's registry passes over them.
TEST_F(RegistryApi, BadPathsAreRefusedAndCreateNothing) {
    ASSERT_EQ(create(HKEY_CURRENT_USER, ""), ERROR_SUCCESS);
    const std::string scratchKey = path();
    for (const std::string& bad :
         {"\\" + scratchKey + "\\lead", scratchKey + "\\" + std::string(256, 'n') + "\\d"}) {
        Key key;
        EXPECT_NE(RegCreateKeyA(HKEY_CURRENT_USER, bad.c_str(), key.out()), ERROR_SUCCESS) << bad;
        EXPECT_EQ(key.get(), nullptr);
    }
    EXPECT_TRUE(subkeys(HKEY_CURRENT_USER, "").empty());
    // The longest name, below an open handle so that the path is the name alone.
    Key below;
    ASSERT_EQ(RegOpenKeyA(HKEY_CURRENT_USER, scratchKey.c_str(), below.out()), ERROR_SUCCESS);
    Key longest;
    EXPECT_EQ(RegCreateKeyA(below.get(), std::string(255, 'n').c_str(), longest.out()),
              ERROR_SUCCESS);
    EXPECT_EQ(subkeys(HKEY_CURRENT_USER, ""), std::vector<std::string>{std::string(255, 'n')});
}

// --- writes --------------------------------------------------------------

TEST_F(RegistryApi, CreatingAKeyCreatesEveryMissingKeyOnItsPath) {
    ASSERT_EQ(set(HKEY_LOCAL_MACHINE, "SOFTWARE\\Quorvane\\Tavisk\\Shortcuts\\", "RunBefore",
                  REG_SZ, sz("1")),
              ERROR_SUCCESS);
    for (const char* key : {"SOFTWARE", "SOFTWARE\\Quorvane", "SOFTWARE\\Quorvane\\Tavisk"}) {
        EXPECT_TRUE(exists(HKEY_LOCAL_MACHINE, key)) << key;
    }
    EXPECT_EQ(text(HKEY_LOCAL_MACHINE, "software\\quorvane\\tavisk\\shortcuts", "runbefore"), "1");
}

TEST_F(RegistryApi, WritingAValueReplacesItsTypeAndData) {
    ASSERT_EQ(set(HKEY_CURRENT_USER, "app", "v", REG_SZ, sz("long text here")), ERROR_SUCCESS);
    ASSERT_EQ(set(HKEY_CURRENT_USER, "app", "v", REG_BINARY, std::string("\x01\x02", 2)),
              ERROR_SUCCESS);
    Data data;
    ASSERT_EQ(get(HKEY_CURRENT_USER, "app", "v", data), ERROR_SUCCESS);
    EXPECT_EQ(data.type, REG_BINARY);
    EXPECT_EQ(data.bytes, std::string("\x01\x02", 2));
}

// --- deletes -------------------------------------------------------------

TEST_F(RegistryApi, DeletingRemovesOneKeyWithItsValuesAndNothingElse) {
    ASSERT_EQ(set(HKEY_CURRENT_USER, "type\\Shell\\View\\Command", "", REG_SZ, sz("c")),
              ERROR_SUCCESS);
    Key command;
    ASSERT_EQ(open(HKEY_CURRENT_USER, "type\\Shell\\View\\Command", command), ERROR_SUCCESS);
    // A key with subkeys stays whole.
    EXPECT_NE(remove(HKEY_CURRENT_USER, "type\\Shell\\View"), ERROR_SUCCESS);
    EXPECT_EQ(text(HKEY_CURRENT_USER, "type\\Shell\\View\\Command", ""), "c");
    ASSERT_EQ(remove(HKEY_CURRENT_USER, "TYPE\\shell\\view\\command"), ERROR_SUCCESS);
    EXPECT_FALSE(exists(HKEY_CURRENT_USER, "type\\Shell\\View\\Command"));
    EXPECT_TRUE(exists(HKEY_CURRENT_USER, "type\\Shell\\View"));
    // A handle to the deleted key no longer works.
    const BYTE data[] = {'x', 0};
    EXPECT_NE(RegSetValueExA(command.get(), "v", 0, REG_SZ, data, 2), ERROR_SUCCESS);
    EXPECT_FALSE(exists(HKEY_CURRENT_USER, "type\\Shell\\View\\Command"));
    // The key made again has no values.
    ASSERT_EQ(create(HKEY_CURRENT_USER, "type\\Shell\\View\\Command"), ERROR_SUCCESS);
    EXPECT_EQ(text(HKEY_CURRENT_USER, "type\\Shell\\View\\Command", ""), "<missing>");
    // Deleting a missing key is an error.
    EXPECT_EQ(remove(HKEY_CURRENT_USER, "absent"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(remove(HKEY_CURRENT_USER, "absent\\deeper"), ERROR_FILE_NOT_FOUND);
}

// --- enumeration ---------------------------------------------------------

TEST_F(RegistryApi, SubkeysAreListedAlphabeticallyWithoutRegardToCase) {
    for (const char* name : {"beta", "Alpha", "gamma", "ALPHA2", "Ölfeld", "delta"}) {
        ASSERT_EQ(create(HKEY_CURRENT_USER, std::string("list\\") + name), ERROR_SUCCESS);
    }
    const std::vector<std::string> expected = {"Alpha", "ALPHA2", "beta",
                                               "delta", "gamma",  "Ölfeld"};
    EXPECT_EQ(subkeys(HKEY_CURRENT_USER, "list"), expected);
    // Changes show in the next listing.
    ASSERT_EQ(remove(HKEY_CURRENT_USER, "list\\beta"), ERROR_SUCCESS);
    ASSERT_EQ(create(HKEY_CURRENT_USER, "list\\B2"), ERROR_SUCCESS);
    EXPECT_EQ(subkeys(HKEY_CURRENT_USER, "list"),
              (std::vector<std::string>{"Alpha", "ALPHA2", "B2", "delta", "gamma", "Ölfeld"}));
}

TEST_F(RegistryApi, SubkeysAreOrderedByTheirUpperCase) {
    if (runningUnderWine()) {
        GTEST_SKIP() << "Wine orders subkeys by their lower case, which puts \"_\" first";
    }
    // "_" lies between the capitals and the small letters.
    for (const char* name : {"_under", "Zeta", "alpha"}) {
        ASSERT_EQ(create(HKEY_CURRENT_USER, std::string("list\\") + name), ERROR_SUCCESS);
    }
    EXPECT_EQ(subkeys(HKEY_CURRENT_USER, "list"),
              (std::vector<std::string>{"alpha", "Zeta", "_under"}));
}

TEST_F(RegistryApi, EnumerationEndsDefinitelyPastTheLastSubkey) {
    ASSERT_EQ(create(HKEY_CURRENT_USER, "list\\one"), ERROR_SUCCESS);
    Key list;
    ASSERT_EQ(open(HKEY_CURRENT_USER, "list", list), ERROR_SUCCESS);
    char name[64];
    EXPECT_EQ(RegEnumKeyA(list.get(), 0, name, sizeof name), ERROR_SUCCESS);
    EXPECT_EQ(RegEnumKeyA(list.get(), 1, name, sizeof name), ERROR_NO_MORE_ITEMS);
    EXPECT_EQ(RegEnumKeyA(list.get(), 0xFFFFFFFFu, name, sizeof name), ERROR_NO_MORE_ITEMS);
    Key leaf;
    ASSERT_EQ(RegOpenKeyA(list.get(), "one", leaf.out()), ERROR_SUCCESS);
    EXPECT_EQ(RegEnumKeyA(leaf.get(), 0, name, sizeof name), ERROR_NO_MORE_ITEMS);
}

TEST_F(RegistryApi, ASubkeyNameThatDoesNotFitTheBufferIsMoreData) {
    ASSERT_EQ(create(HKEY_CURRENT_USER, "list\\twelve-chars"), ERROR_SUCCESS);
    Key list;
    ASSERT_EQ(open(HKEY_CURRENT_USER, "list", list), ERROR_SUCCESS);
    char name[13];
    EXPECT_EQ(RegEnumKeyA(list.get(), 0, name, 12), ERROR_MORE_DATA);
    EXPECT_EQ(RegEnumKeyA(list.get(), 0, name, 13), ERROR_SUCCESS);
    EXPECT_STREQ(name, "twelve-chars");
}

// --- values --------------------------------------------------------------

TEST_F(RegistryApi, ValuesKeepTheirTypeAndBytesExactly) {
    const std::vector<Data> values = {
        {REG_SZ, sz("text")},
        {REG_EXPAND_SZ, sz("%SystemRoot%\\x")},
        {REG_BINARY, std::string("\x00\xFF\x10\x00", 4)},
        {REG_DWORD, std::string("\x78\x56\x34\x12", 4)},
        {REG_MULTI_SZ, std::string("one\0two\0\0", 9)},
        {REG_NONE, std::string("\x01", 1)},
        {0x1234, std::string("any\0bytes", 9)},
        {REG_SZ, std::string()},
    };
    for (std::size_t i = 0; i < values.size(); ++i) {
        const std::string name = "v" + std::to_string(i);
        ASSERT_EQ(set(HKEY_CURRENT_USER, "values", name.c_str(), values[i].type, values[i].bytes),
                  ERROR_SUCCESS);
    }
    for (std::size_t i = 0; i < values.size(); ++i) {
        const std::string name = "V" + std::to_string(i);
        Data data;
        ASSERT_EQ(get(HKEY_CURRENT_USER, "values", name.c_str(), data), ERROR_SUCCESS);
        EXPECT_EQ(data.type, values[i].type) << name;
        EXPECT_EQ(data.bytes, values[i].bytes) << name;
    }
}

TEST_F(RegistryApi, AQueryReportsTheSizeAndRefusesASmallBuffer) {
    ASSERT_EQ(set(HKEY_CURRENT_USER, "app", "v", REG_SZ, sz("0123456789")), ERROR_SUCCESS);
    Key app;
    ASSERT_EQ(open(HKEY_CURRENT_USER, "app", app), ERROR_SUCCESS);
    DWORD size = 0;
    DWORD type = 0;
    ASSERT_EQ(RegQueryValueExA(app.get(), "v", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 11u);
    BYTE small[4];
    size = sizeof small;
    EXPECT_EQ(RegQueryValueExA(app.get(), "v", nullptr, &type, small, &size), ERROR_MORE_DATA);
    EXPECT_EQ(size, 11u);
    EXPECT_EQ(RegQueryValueExA(app.get(), "missing", nullptr, &type, small, &size),
              ERROR_FILE_NOT_FOUND);
}

TEST_F(RegistryApi, EveryValueOfAKeyIsListedOnceByIndex) {
    ASSERT_EQ(set(HKEY_CURRENT_USER, "app", "PATH", REG_SZ, sz("cmd")), ERROR_SUCCESS);
    ASSERT_EQ(set(HKEY_CURRENT_USER, "app", "", REG_SZ, sz("default")), ERROR_SUCCESS);
    ASSERT_EQ(set(HKEY_CURRENT_USER, "app", "Count", REG_DWORD, std::string("\x07\0\0\0", 4)),
              ERROR_SUCCESS);
    Key app;
    ASSERT_EQ(open(HKEY_CURRENT_USER, "app", app), ERROR_SUCCESS);
    std::vector<std::pair<std::string, DWORD>> listed;
    for (DWORD i = 0;; ++i) {
        char name[64];
        DWORD nameSize = sizeof name;
        DWORD type = 0;
        BYTE data[64];
        DWORD dataSize = sizeof data;
        const LONG result =
            RegEnumValueA(app.get(), i, name, &nameSize, nullptr, &type, data, &dataSize);
        if (result == ERROR_NO_MORE_ITEMS) {
            break;
        }
        ASSERT_EQ(result, ERROR_SUCCESS);
        EXPECT_EQ(nameSize, std::string(name).size());
        listed.emplace_back(name, type);
    }
    std::sort(listed.begin(), listed.end());
    EXPECT_EQ(listed, (std::vector<std::pair<std::string, DWORD>>{
                          {"", REG_SZ}, {"Count", REG_DWORD}, {"PATH", REG_SZ}}));

    char name[3];
    DWORD nameSize = sizeof name;
    BYTE data[2];
    DWORD dataSize = sizeof data;
    for (DWORD i = 0; i < 3; ++i) {
        nameSize = sizeof name;
        dataSize = sizeof data;
        const LONG result =
            RegEnumValueA(app.get(), i, name, &nameSize, nullptr, nullptr, data, &dataSize);
        EXPECT_EQ(result, ERROR_MORE_DATA) << i; // every name or its data is too long
    }
}

TEST_F(RegistryApi, DeletingAValueRemovesOnlyThatValue) {
    ASSERT_EQ(set(HKEY_CURRENT_USER, "app", "PATH", REG_SZ, sz("cmd")), ERROR_SUCCESS);
    ASSERT_EQ(set(HKEY_CURRENT_USER, "app", "CREATED", REG_SZ, sz("today")), ERROR_SUCCESS);
    Key app;
    ASSERT_EQ(open(HKEY_CURRENT_USER, "app", app), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteValueA(app.get(), "path"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteValueA(app.get(), "PATH"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(text(HKEY_CURRENT_USER, "app", "PATH"), "<missing>");
    EXPECT_EQ(text(HKEY_CURRENT_USER, "app", "CREATED"), "today");
}

TEST_F(RegistryApi, MissingKeysAndHandlesAreErrors) {
    Key key;
    EXPECT_EQ(open(HKEY_CURRENT_USER, "nowhere", key), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(key.get(), nullptr);
    DWORD size = 0;
    EXPECT_NE(RegQueryValueExA(nullptr, "v", nullptr, nullptr, nullptr, &size), ERROR_SUCCESS);
    char name[8];
    EXPECT_NE(RegEnumKeyA(nullptr, 0, name, sizeof name), ERROR_SUCCESS);
    EXPECT_NE(RegCloseKey(nullptr), ERROR_SUCCESS);

    HKEY handle = nullptr;
    ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, path("here").c_str(), &handle), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(handle), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(handle), ERROR_INVALID_HANDLE);
}

} // namespace

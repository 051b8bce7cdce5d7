// The stand-in store at its edges: how deep a key may be, a tree deeper than
// that left by an earlier version, a store file deleted or replaced under a
// running program, and values listed by index while they change.
#include "RegistryApi.h"
#include "RegistryStore.h"
#include "StandInSupport.h"
#include "modRegistry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace {

using namespace tavisk::registry;

std::size_t components(const std::string& fullName) {
    return static_cast<std::size_t>(std::count(fullName.begin(), fullName.end(), '\\')) + 1;
}

using StoreLimits = NoticedStoreTest;

TEST_F(StoreLimits, AKeyMayBeAtMost512LevelsDeep) {
    struct Case {
        const char* what;
        HKEY root;
        int levels;
        LONG expected;
    };
    // HKEY_CLASSES_ROOT is HKEY_LOCAL_MACHINE\SOFTWARE\Classes: two levels down.
    // Each case below a top key of its own ("Limit1"...), so none sees another's keys.
    for (const Case& c : {Case{"512 below HKCU", HKEY_CURRENT_USER, 512, ERROR_SUCCESS},
                          Case{"513 below HKCU", HKEY_CURRENT_USER, 513, ERROR_BAD_PATHNAME},
                          Case{"20000 below HKCU", HKEY_CURRENT_USER, 20000, ERROR_BAD_PATHNAME},
                          Case{"510 below HKCR", HKEY_CLASSES_ROOT, 510, ERROR_SUCCESS},
                          Case{"511 below HKCR", HKEY_CLASSES_ROOT, 511, ERROR_BAD_PATHNAME}}) {
        SCOPED_TRACE(c.what);
        notices.clear();
        const std::string top = "Limit" + std::to_string(c.levels);
        const std::string path = top + "\\" + keyChain(c.levels - 1);
        HKEY key = nullptr;
        EXPECT_EQ(RegCreateKeyA(c.root, path.c_str(), &key), c.expected);
        EXPECT_EQ(key != nullptr, c.expected == ERROR_SUCCESS);
        RegCloseKey(key);
        // A refusal creates nothing, not even the keys above the limit.
        EXPECT_EQ(modRegistry::RegKeyExists(
                      c.root == HKEY_CURRENT_USER ? modRegistry::HKCU : modRegistry::HKCR, top),
                  c.expected == ERROR_SUCCESS);
        EXPECT_EQ(notices.empty(), c.expected != ERROR_SUCCESS);
    }
    // Below an open handle the whole depth counts too.
    HKEY deep = nullptr;
    ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, keyChain(500).c_str(), &deep), ERROR_SUCCESS);
    HKEY below = nullptr;
    EXPECT_EQ(RegCreateKeyA(deep, keyChain(13).c_str(), &below), ERROR_BAD_PATHNAME);
    EXPECT_EQ(RegCreateKeyA(deep, keyChain(12).c_str(), &below), ERROR_SUCCESS);
    RegCloseKey(below);
    RegCloseKey(deep);
}

TEST_F(StoreLimits, DeletingAnOverDeepTreeReportsItsTopAndNamesNoKeyBeyondTheLimit) {
    // 20,000 levels: a change list that held every deleted key's full name
    // would hold 200 million names' worth of text here.
    constexpr int Levels = 20000;
    closeStore();
    plantDeepChain(folder / "registry.db", Levels);
    ASSERT_TRUE(openStore(folder / "registry.db").ok());
    HKEY found = nullptr;
    ASSERT_EQ(RegOpenKeyA(HKEY_CURRENT_USER, ("Deep\\" + keyChain(Levels - 1)).c_str(), &found),
              ERROR_SUCCESS);
    RegCloseKey(found);
    std::string error;
    ASSERT_TRUE(runInTransaction(
        [] {
            // Deepest first, each key below an open handle of its parent.
            std::vector<HKEY> handles(1, HKEY_CURRENT_USER);
            std::vector<std::string> names = {"Deep"};
            for (int level = 1; level < Levels; ++level) {
                names.push_back("k");
            }
            for (std::size_t level = 0; level + 1 < names.size(); ++level) {
                HKEY next = nullptr;
                if (RegOpenKeyExA(handles.back(), names[level].c_str(), 0, KEY_ALL_ACCESS, &next) !=
                    ERROR_SUCCESS) {
                    return false;
                }
                handles.push_back(next);
            }
            for (std::size_t level = names.size(); level-- > 0;) {
                if (RegDeleteKeyA(handles.back(), names[level].c_str()) != ERROR_SUCCESS) {
                    return false;
                }
                if (handles.size() > 1) {
                    RegCloseKey(handles.back());
                    handles.pop_back();
                }
            }
            return true;
        },
        &error))
        << error;
    EXPECT_FALSE(modRegistry::RegKeyExists(modRegistry::HKCU, "Deep"));
    ASSERT_EQ(notices.size(), 1u);
    const auto& names = notices[0];
    EXPECT_NE(std::find(names.begin(), names.end(), "HKEY_CURRENT_USER\\Deep"), names.end());
    EXPECT_NE(std::find(names.begin(), names.end(), "HKEY_CURRENT_USER"), names.end());
    for (const auto& name : names) {
        ASSERT_LE(components(name), 513u) << name.substr(0, 80);
    }
    // Every level down to the limit is still named once.
    EXPECT_EQ(names.size(), 513u);
}

TEST_F(StoreLimits, WritesToADeletedOrReplacedFileFailAndSaySo) {
    const std::string path = folder / "registry.db";
    const std::vector<std::pair<const char*, std::function<void()>>> cases = {
        {"deleted", [&] { ::unlink(path.c_str()); }},
        {"moved away", [&] { std::rename(path.c_str(), (folder / "moved.db").c_str()); }},
        {"replaced",
         [&] {
             writeFile(folder / "other", "not a store");
             std::rename((folder / "other").c_str(), path.c_str());
         }},
    };
    for (const auto& [what, damage] : cases) {
        SCOPED_TRACE(what);
        ::unlink(path.c_str());
        ASSERT_TRUE(openStore(path).ok());
        modRegistry::WriteRegValue(modRegistry::HKCU, "Before", "v", 1, std::string("1"));
        ASSERT_EQ(modRegistry::ReadRegValue(modRegistry::HKCU, "Before", "v"), "1");
        damage();

        HKEY key = nullptr;
        ASSERT_EQ(RegOpenKeyA(HKEY_CURRENT_USER, "Before", &key), ERROR_SUCCESS);
        EXPECT_EQ(RegSetValueExA(key, "v", 0, REG_SZ, reinterpret_cast<const BYTE*>("2"), 2),
                  ERROR_REGISTRY_IO_FAILED);
        RegCloseKey(key);
        std::string error;
        bool ran = false;
        EXPECT_FALSE(runInTransaction(
            [&] {
                ran = true;
                return true;
            },
            &error));
        EXPECT_FALSE(ran);
        EXPECT_NE(error.find("\"" + path + "\""), std::string::npos) << error;
        EXPECT_NE(error.find("deleted or replaced"), std::string::npos) << error;
        EXPECT_NE(error.find("start the program again"), std::string::npos) << error;
        closeStore();
    }
}

TEST_F(StoreLimits, ATransactionWhoseFileGoesMeanwhileIsNotCommitted) {
    const std::string path = folder / "registry.db";
    std::string error;
    EXPECT_FALSE(runInTransaction(
        [&] {
            modRegistry::WriteRegValue(modRegistry::HKCU, "During", "v", 1, std::string("1"));
            std::rename(path.c_str(), (folder / "moved.db").c_str());
            return true;
        },
        &error));
    EXPECT_NE(error.find("deleted or replaced"), std::string::npos) << error;
    EXPECT_TRUE(notices.empty());
}

TEST_F(StoreLimits, ValuesAreListedByIndexInOneOrderWhileTheyComeAndGo) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, "Values", &key), ERROR_SUCCESS);
    const auto set = [&](const char* name) {
        return RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>("x"), 2);
    };
    const auto listed = [&] {
        std::vector<std::string> names;
        for (DWORD index = 0;; ++index) {
            char name[16];
            DWORD size = sizeof name;
            if (RegEnumValueA(key, index, name, &size, nullptr, nullptr, nullptr, nullptr) !=
                ERROR_SUCCESS) {
                return names;
            }
            names.emplace_back(name, size);
        }
    };
    for (const char* name : {"delta", "Alpha", "charlie", "", "Bravo"}) {
        ASSERT_EQ(set(name), ERROR_SUCCESS);
    }
    EXPECT_EQ(listed(), (std::vector<std::string>{"", "Alpha", "Bravo", "charlie", "delta"}));
    // Changes after a listing: an added value takes its place, a deleted one
    // leaves no gap, and a value written again keeps its first spelling.
    ASSERT_EQ(set("beta"), ERROR_SUCCESS);
    ASSERT_EQ(RegDeleteValueA(key, "CHARLIE"), ERROR_SUCCESS);
    ASSERT_EQ(set("ALPHA"), ERROR_SUCCESS);
    ASSERT_EQ(set("echo"), ERROR_SUCCESS);
    EXPECT_EQ(listed(), (std::vector<std::string>{"", "Alpha", "beta", "Bravo", "delta", "echo"}));
    RegCloseKey(key);
}

TEST_F(StoreLimits, ASubkeyFoundByItsIndexIsFoundAgainAfterItWasReplaced) {
    // Listing remembers the subkey last listed, to open it without a search.
    modRegistry::WriteRegValue(modRegistry::HKCU, "List\\Entry", "v", 1, std::string("old"));
    std::int32_t first = 0;
    std::int32_t second = 1;
    EXPECT_EQ(modRegistry::EnumRegSubkey(modRegistry::HKCU, "List", first), "Entry");
    modRegistry::DeleteRegKey(modRegistry::HKCU, "List\\Entry");
    EXPECT_EQ(modRegistry::ReadRegValue(modRegistry::HKCU, "List\\Entry", "v"), "Not Found");
    modRegistry::WriteRegValue(modRegistry::HKCU, "List\\ENTRY", "v", 1, std::string("new"));
    EXPECT_EQ(modRegistry::ReadRegValue(modRegistry::HKCU, "List\\entry", "v"), "new");
    EXPECT_EQ(modRegistry::EnumRegSubkey(modRegistry::HKCU, "List", first), "ENTRY");
    EXPECT_EQ(modRegistry::EnumRegSubkey(modRegistry::HKCU, "List", second), "Not Found");
    EXPECT_EQ(modRegistry::ReadRegValue(modRegistry::HKCU, "List\\Entry", "v"), "new");
}

} // namespace

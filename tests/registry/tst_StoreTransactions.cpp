// runInTransaction and the change listener of the stand-in store.
#include "RegistryApi.h"
#include "RegistryStore.h"
#include "StandInSupport.h"
#include "modRegistry.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

using namespace tavisk::registry;
using Changes = std::vector<std::vector<std::string>>;

class StoreTransactions : public NoticedStoreTest {
protected:
    static void write(const std::string& key, const std::string& data) {
        modRegistry::WriteRegValue(modRegistry::HKCU, key, "v", 1, data);
    }
    static std::string read(const std::string& key) {
        return modRegistry::ReadRegValue(modRegistry::HKCU, key, "v");
    }
    static std::vector<std::string> subkeys(const std::string& key) {
        std::vector<std::string> names;
        for (std::int32_t i = 0;; ++i) {
            auto name = modRegistry::EnumRegSubkey(modRegistry::HKCU, key, i);
            if (name == modRegistry::NotFound) {
                return names;
            }
            names.push_back(name);
        }
    }
};

TEST_F(StoreTransactions, AllWritesOfTheBodyAreCommittedTogether) {
    write("Kept", "before");
    notices.clear();
    std::string error;
    ASSERT_TRUE(runInTransaction(
        [] {
            write("Batch\\One", "1");
            write("Batch\\Two", "2");
            write("Kept", "after");
            return true;
        },
        &error))
        << error;
    EXPECT_EQ(read("Batch\\One"), "1");
    EXPECT_EQ(read("Batch\\Two"), "2");
    EXPECT_EQ(read("Kept"), "after");
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_EQ(notices[0], (std::vector<std::string>{"HKEY_CURRENT_USER", "HKEY_CURRENT_USER\\Batch",
                                                    "HKEY_CURRENT_USER\\Batch\\One",
                                                    "HKEY_CURRENT_USER\\Batch\\Two",
                                                    "HKEY_CURRENT_USER\\Kept"}));
}

TEST_F(StoreTransactions, NothingIsKeptWhenTheBodyReturnsFalse) {
    write("Kept", "before");
    notices.clear();
    std::string error;
    EXPECT_FALSE(runInTransaction(
        [] {
            write("Dropped\\Deep", "1");
            write("Kept", "changed");
            EXPECT_EQ(read("Dropped\\Deep"), "1"); // seen inside the transaction
            return false;
        },
        &error));
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(read("Dropped\\Deep"), "Not Found");
    EXPECT_FALSE(modRegistry::RegKeyExists(modRegistry::HKCU, "Dropped"));
    EXPECT_EQ(read("Kept"), "before");
    EXPECT_EQ(subkeys(""), std::vector<std::string>{"Kept"});
    EXPECT_TRUE(notices.empty());
}

TEST_F(StoreTransactions, NothingIsKeptWhenTheBodyThrows) {
    std::string error;
    EXPECT_FALSE(runInTransaction(
        []() -> bool {
            write("Dropped", "1");
            throw std::runtime_error("import failed");
        },
        &error));
    EXPECT_EQ(error, "import failed");
    EXPECT_FALSE(modRegistry::RegKeyExists(modRegistry::HKCU, "Dropped"));
    EXPECT_TRUE(notices.empty());
    write("After", "1");
    EXPECT_EQ(read("After"), "1");
}

TEST_F(StoreTransactions, ANestedTransactionIsPartOfTheOuterOne) {
    EXPECT_TRUE(runInTransaction([] {
        write("Outer", "1");
        EXPECT_FALSE(runInTransaction([] {
            write("Inner\\Dropped", "1");
            return false;
        }));
        EXPECT_TRUE(runInTransaction([] {
            write("Inner\\Kept", "1");
            return true;
        }));
        return true;
    }));
    EXPECT_EQ(read("Outer"), "1");
    EXPECT_EQ(read("Inner\\Kept"), "1");
    EXPECT_EQ(read("Inner\\Dropped"), "Not Found");
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_EQ(std::count(notices[0].begin(), notices[0].end(), "HKEY_CURRENT_USER\\Inner\\Dropped"),
              0);

    EXPECT_FALSE(runInTransaction([] {
        EXPECT_TRUE(runInTransaction([] {
            write("Gone", "1");
            return true;
        }));
        return false;
    }));
    EXPECT_EQ(read("Gone"), "Not Found");
}

TEST_F(StoreTransactions, ClassesRootChangesAreReportedUnderLocalMachine) {
    modRegistry::WriteRegValue(modRegistry::HKCR, "txtfile\\Shell\\View\\Command", "", 1,
                               std::string("view %1"));
    ASSERT_EQ(notices.size(), 2u); // the keys were created, then the value set
    const std::string classes = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes";
    EXPECT_EQ(notices[0], (std::vector<std::string>{classes, classes + "\\txtfile",
                                                    classes + "\\txtfile\\Shell",
                                                    classes + "\\txtfile\\Shell\\View",
                                                    classes + "\\txtfile\\Shell\\View\\Command"}));
    EXPECT_EQ(notices[1], std::vector<std::string>{classes + "\\txtfile\\Shell\\View\\Command"});

    notices.clear();
    modRegistry::DeleteRegKey(modRegistry::HKCR, "TXTFILE\\shell\\view\\command");
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_EQ(notices[0], (std::vector<std::string>{classes + "\\txtfile\\Shell\\View\\Command",
                                                    classes + "\\txtfile\\Shell\\View"}));
}

TEST_F(StoreTransactions, FailedWritesAreNotReported) {
    write("Parent\\Child", "1");
    notices.clear();
    modRegistry::DeleteRegKey(modRegistry::HKCU, "Parent");
    modRegistry::DeleteRegKey(modRegistry::HKCU, "Missing");
    modRegistry::WriteRegValue(modRegistry::HKCU, "\\Bad", "v", 1, std::string("1"));
    EXPECT_TRUE(notices.empty());
}

TEST_F(StoreTransactions, AListenerMayReadTheRegistryThrowAndBeRemoved) {
    std::string seen;
    setChangeListener([&](const std::vector<std::string>&) { seen = read("Watched"); });
    write("Watched", "new");
    EXPECT_EQ(seen, "new");
    setChangeListener({});
    write("Watched", "newer");
    EXPECT_EQ(seen, "new");
    // A listener that throws does not undo the write.
    setChangeListener([](const std::vector<std::string>&) { throw std::runtime_error("bridge"); });
    HKEY key = nullptr;
    EXPECT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, "Written", &key), ERROR_SUCCESS);
    RegCloseKey(key);
    EXPECT_TRUE(modRegistry::RegKeyExists(modRegistry::HKCU, "Written"));
}

TEST_F(StoreTransactions, TheStoreCannotBeSwitchedUnderATransactionOrAListener) {
    TempFolder other;
    EXPECT_TRUE(runInTransaction([&] {
        write("Inside", "1");
        closeStore();
        EXPECT_EQ(openStore(other / "registry.db").status, OpenStatus::Failed);
        write("Inside", "2");
        return true;
    }));
    setChangeListener([&](const std::vector<std::string>&) {
        closeStore();
        EXPECT_EQ(openStore(other / "registry.db").status, OpenStatus::Failed);
    });
    write("Inside", "3");
    EXPECT_EQ(read("Inside"), "3");
    EXPECT_EQ(folderNames(other.path()), std::vector<std::string>{});
}

} // namespace

// Several processes on one stand-in store: durability when a writer is
// killed, concurrent writers, waiting for a lock, and changes seen by others.
#include "RegistryApi.h"
#include "RegistryStore.h"
#include "StandInSupport.h"
#include "modRegistry.h"

#include <gtest/gtest.h>

#include <chrono>
#include <random>

namespace {

using namespace tavisk::registry;
using Clock = std::chrono::steady_clock;

class StoreProcesses : public ::testing::Test {
protected:
    TempFolder folder;
    const std::string path = folder / "registry.db";

    void SetUp() override { ASSERT_TRUE(openStore(path).ok()); }
    void TearDown() override { closeStore(); }

    static std::string read(const std::string& key) {
        return modRegistry::ReadRegValue(modRegistry::HKCU, key, "v");
    }
};

TEST_F(StoreProcesses, AKilledWriterLosesNoWriteThatHadReturned) {
    std::mt19937 random(std::random_device{}());
    std::uniform_int_distribution<int> moment(50, 400);
    for (int round = 0; round < 5; ++round) {
        const std::string prefix = "Round" + std::to_string(round);
        std::vector<std::string> written;
        {
            ChildProcess writer({"write", path, prefix});
            const auto killAt = Clock::now() + std::chrono::milliseconds(moment(random));
            while (Clock::now() < killAt || written.empty()) {
                auto line = writer.readLine(5000);
                ASSERT_TRUE(line) << "the writer stopped";
                written.push_back(*line);
            }
            writer.kill(SIGKILL);
            EXPECT_EQ(writer.wait(), 128 + SIGKILL);
            while (auto line = writer.readLine(1000)) {
                written.push_back(*line);
            }
        }
        for (std::size_t i = 0; i < written.size(); ++i) {
            ASSERT_EQ(written[i], "k" + std::to_string(i));
            ASSERT_EQ(read(prefix + "\\" + written[i]), std::to_string(i)) << prefix;
        }
        EXPECT_EQ(querySqlite(path, "PRAGMA integrity_check"), "ok");
    }
    closeStore();
    ASSERT_EQ(openStore(path).status, OpenStatus::Opened);
    EXPECT_NE(read("Round4\\k0"), "Not Found");
}

TEST_F(StoreProcesses, TwoProcessesWritingAtOnceLoseNothing) {
    constexpr int count = 300;
    ChildProcess first({"write", path, "First", std::to_string(count)});
    ChildProcess second({"write", path, "Second", std::to_string(count)});
    EXPECT_EQ(first.wait(), 0);
    EXPECT_EQ(second.wait(), 0);
    for (const char* prefix : {"First", "Second"}) {
        std::int32_t index = count - 1;
        EXPECT_NE(modRegistry::EnumRegSubkey(modRegistry::HKCU, prefix, index), "Not Found");
        index = count;
        EXPECT_EQ(modRegistry::EnumRegSubkey(modRegistry::HKCU, prefix, index), "Not Found");
        for (int i = 0; i < count; ++i) {
            ASSERT_EQ(read(std::string(prefix) + "\\k" + std::to_string(i)), std::to_string(i));
        }
    }
    EXPECT_EQ(querySqlite(path, "PRAGMA integrity_check"), "ok");
}

TEST_F(StoreProcesses, AnotherProcesssChangeIsSeenOnTheNextCall) {
    modRegistry::WriteRegValue(modRegistry::HKCU, "Shared", "v", 1, std::string("start"));
    ASSERT_EQ(read("Shared"), "start");
    for (int round = 0; round < 12; ++round) {
        const std::string value = "value" + std::to_string(round);
        ASSERT_EQ(ChildProcess({"set", path, "Shared", "v", value}).wait(), 0);
        EXPECT_EQ(read("Shared"), value);

        const std::string added = std::string("Added") + char('a' + round);
        ASSERT_EQ(ChildProcess({"set", path, "Shared\\" + added, "v", "x"}).wait(), 0);
        std::int32_t index = round;
        EXPECT_EQ(modRegistry::EnumRegSubkey(modRegistry::HKCU, "Shared", index), added);
        if (round % 4 == 3) {
            // Enough commits to fill the log, checkpoint it and start it over.
            ASSERT_EQ(ChildProcess({"write", path, "Bulk" + std::to_string(round), "400"}).wait(),
                      0);
            EXPECT_EQ(read("Bulk" + std::to_string(round) + "\\k399"), "399");
        }
    }
    ASSERT_EQ(ChildProcess({"delete", path, "Shared\\Addeda"}).wait(), 0);
    EXPECT_FALSE(modRegistry::RegKeyExists(modRegistry::HKCU, "Shared\\Addeda"));
    std::int32_t index = 0;
    EXPECT_EQ(modRegistry::EnumRegSubkey(modRegistry::HKCU, "Shared", index), "Addedb");
}

TEST_F(StoreProcesses, AWriterWaitsForAnothersLock) {
    modRegistry::WriteRegValue(modRegistry::HKCU, "Key", "v", 1, std::string("old"));
    ChildProcess holder({"hold", path, "1000"});
    ASSERT_EQ(holder.readLine(), "locked");
    const auto started = Clock::now();
    modRegistry::WriteRegValue(modRegistry::HKCU, "Key", "v", 1, std::string("new"));
    const auto waited = Clock::now() - started;
    EXPECT_EQ(holder.wait(), 0);
    EXPECT_GE(waited, std::chrono::milliseconds(900));
    EXPECT_EQ(read("Key"), "new");
}

TEST_F(StoreProcesses, AWriterGivesUpAfterSomeSecondsWithNothingWritten) {
    ChildProcess holder({"hold", path, "15000"});
    ASSERT_EQ(holder.readLine(), "locked");
    const auto started = Clock::now();
    HKEY key = nullptr;
    EXPECT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, "One\\Two\\Three", &key), ERROR_ACCESS_DENIED);
    const auto waited = Clock::now() - started;
    EXPECT_EQ(key, nullptr);
    EXPECT_GE(waited, std::chrono::seconds(3));
    EXPECT_LE(waited, std::chrono::seconds(10));
    holder.kill();
    holder.wait();
    EXPECT_FALSE(modRegistry::RegKeyExists(modRegistry::HKCU, "One"));
    modRegistry::WriteRegValue(modRegistry::HKCU, "One\\Two\\Three", "v", 1, std::string("1"));
    EXPECT_EQ(read("One\\Two\\Three"), "1");
}

TEST_F(StoreProcesses, AnUncommittedTransactionIsNotSeenByOthers) {
    ChildProcess watcher({"watch", path, "Pending", "v"});
    EXPECT_EQ(watcher.readLine(), "Not Found");
    runInTransaction([&] {
        modRegistry::WriteRegValue(modRegistry::HKCU, "Pending", "v", 1, std::string("1"));
        watcher.writeLine("again");
        EXPECT_EQ(watcher.readLine(), "Not Found");
        return true;
    });
    watcher.writeLine("again");
    EXPECT_EQ(watcher.readLine(), "1");
}

} // namespace

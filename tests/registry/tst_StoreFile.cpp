// The stand-in store's file: where it lives, how it is created, what it
// refuses to touch, and how a store this process may not write behaves.
#include "RegistryApi.h"
#include "RegistryStore.h"
#include "StandInSupport.h"
#include "modRegistry.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <unistd.h>

namespace {

using namespace tavisk::registry;

class StoreFile : public ::testing::Test {
protected:
    TempFolder folder;
    ScopedEnv env;

    void TearDown() override { closeStore(); }

    /// A store of ours with some keys, closed again.
    std::string makeStore(const std::string& name) {
        const std::string path = folder / name;
        EXPECT_TRUE(openStore(path).ok());
        EXPECT_TRUE(runInTransaction([&] {
            for (int i = 0; i < 3; ++i) {
                modRegistry::WriteRegValue(modRegistry::HKCU, "Filler\\key" + std::to_string(i),
                                           "v", 1, std::string(200, 'x'));
            }
            return true;
        }));
        closeStore();
        return path;
    }

    /// Runs the probe job on path as a user who may not write it (or, when
    /// tests cannot switch users, as this one with the file made read-only).
    std::vector<std::string> probeWithoutWriteAccess(const std::string& path) {
        ChildProcess child({"probe", path, "Filler\\key0", "v"}, canSwitchUser());
        std::vector<std::string> lines;
        while (auto line = child.readLine()) {
            lines.push_back(*line);
        }
        EXPECT_EQ(child.wait(), 0);
        return lines;
    }
};

TEST_F(StoreFile, TheDefaultLocationFollowsTheEnvironment) {
    env.set("TAVISK_REGISTRY", "/somewhere/my.db");
    EXPECT_EQ(defaultStorePath(), "/somewhere/my.db");
    env.set("TAVISK_REGISTRY", "");
    env.set("XDG_DATA_HOME", "/data/home");
    EXPECT_EQ(defaultStorePath(), "/data/home/tavisk/registry.db");
    env.set("HOME", "/home/someone");
    env.set("XDG_DATA_HOME", "relative/is/ignored");
    EXPECT_EQ(defaultStorePath(), "/home/someone/.local/share/tavisk/registry.db");
    env.set("XDG_DATA_HOME", std::nullopt);
    env.set("TAVISK_REGISTRY", std::nullopt);
    EXPECT_EQ(defaultStorePath(), "/home/someone/.local/share/tavisk/registry.db");
}

TEST_F(StoreFile, ANewStoreIsEmptyPrivateAndSaysItWasJustCreated) {
    ScopedUmask open(0);
    ASSERT_EQ(::chmod(folder.path().c_str(), 0755), 0);
    const std::string path = folder / "deep/er/registry.db";
    const OpenResult result = openStore(path);
    ASSERT_EQ(result.status, OpenStatus::Created) << result.message;
    EXPECT_EQ(result.path, path);
    EXPECT_EQ(fileMode(folder.path()), 0755u); // an existing folder keeps its mode
    EXPECT_EQ(fileMode(folder / "deep"), 0700u);
    EXPECT_EQ(fileMode(folder / "deep/er"), 0700u);
    EXPECT_EQ(fileMode(path), 0600u);

    std::int32_t index = 0;
    EXPECT_EQ(modRegistry::EnumRegSubkey(modRegistry::HKCR, "", index), "Not Found");
    EXPECT_EQ(modRegistry::EnumRegSubkey(modRegistry::HKCU, "", index), "Not Found");
    modRegistry::WriteRegValue(modRegistry::HKCU, "k", "v", 1, std::string("1"));
    EXPECT_EQ(fileMode(path + "-wal"), 0600u);
    EXPECT_EQ(fileMode(path + "-shm"), 0600u);

    closeStore();
    EXPECT_EQ(folderNames(folder / "deep/er"), std::vector<std::string>{"registry.db"});
    EXPECT_EQ(openStore(path).status, OpenStatus::Opened);
    EXPECT_EQ(modRegistry::ReadRegValue(modRegistry::HKCU, "k", "v"), "1");
}

TEST_F(StoreFile, OfProcessesOpeningANewStoreAtOnceOnlyOneMadeIt) {
    for (int round = 0; round < 4; ++round) {
        const std::string path = folder / ("race" + std::to_string(round) + "/registry.db");
        std::vector<std::unique_ptr<ChildProcess>> children;
        for (int i = 0; i < 3; ++i) {
            children.push_back(std::make_unique<ChildProcess>(
                std::vector<std::string>{"probe", path, "Key", "v"}));
        }
        int created = 0;
        for (auto& child : children) {
            const auto status = child->readLine();
            ASSERT_TRUE(status);
            EXPECT_TRUE(*status == "created" || *status == "opened") << *status;
            created += *status == "created";
            child->wait();
        }
        EXPECT_EQ(created, 1);
        EXPECT_EQ(querySqlite(path, "PRAGMA integrity_check"), "ok");
    }
}

TEST_F(StoreFile, TheFirstRegistryCallOpensTheDefaultStoreMarkedAsOurs) {
    const std::string path = folder / "lazy/registry.db";
    env.set("TAVISK_REGISTRY", path);
    closeStore();
    modRegistry::WriteRegValue(modRegistry::HKLM, "SOFTWARE\\Quorvane", "v", 1, std::string("x"));
    EXPECT_EQ(fileMode(path), 0600u);
    closeStore();
    EXPECT_EQ(querySqlite(path, "PRAGMA application_id"), std::to_string(0x54415652));
    EXPECT_EQ(querySqlite(path, "PRAGMA user_version"), "1");
    EXPECT_EQ(querySqlite(path, "PRAGMA journal_mode"), "wal");
    EXPECT_EQ(querySqlite(path, "SELECT count(*) FROM keys WHERE name = 'Quorvane'"), "1");
    ASSERT_EQ(openStore(path).status, OpenStatus::Opened);
    EXPECT_EQ(modRegistry::ReadRegValue(modRegistry::HKLM, "SOFTWARE\\Quorvane", "v"), "x");
}

struct Foreign {
    const char* name;
    std::function<void(const std::string& path)> make;
    const char* problem;
};

void PrintTo(const Foreign& foreign, std::ostream* out) {
    *out << foreign.name;
}

class ForeignFile : public StoreFile, public ::testing::WithParamInterface<Foreign> {};

/// A store of ours whose bytes are changed afterwards.
void damagedStore(const std::string& path, const std::function<void(std::string&)>& damage) {
    ASSERT_TRUE(openStore(path + ".good").ok());
    runInTransaction([] {
        for (int i = 0; i < 200; ++i) {
            modRegistry::WriteRegValue(modRegistry::HKCU, "Filler\\key" + std::to_string(i), "v", 1,
                                       std::string(100, 'x'));
        }
        return true;
    });
    closeStore();
    std::string bytes = fileBytes(path + ".good");
    ::unlink((path + ".good").c_str());
    damage(bytes);
    writeFile(path, bytes);
}

TEST_P(ForeignFile, IsRefusedAndLeftByteForByte) {
    const std::string path = folder / "registry.db";
    GetParam().make(path);
    const std::string before = fileBytes(path);
    const auto namesBefore = folderNames(folder.path());
    const std::string fallback = folder / "default/registry.db";
    env.set("TAVISK_REGISTRY", fallback);

    const OpenResult result = openStore(path);
    EXPECT_EQ(result.status, OpenStatus::Failed);
    EXPECT_NE(result.message.find(path), std::string::npos) << result.message;
    EXPECT_NE(result.message.find(GetParam().problem), std::string::npos) << result.message;

    // The registry API then has no store, and does not fall back on another.
    HKEY key = nullptr;
    EXPECT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, "x", &key), ERROR_BADDB);
    EXPECT_EQ(modRegistry::ReadRegValue(modRegistry::HKCU, "Filler\\key0", "v"), "Not Found");
    EXPECT_FALSE(runInTransaction([] { return true; }));
    closeStore();
    EXPECT_EQ(fileBytes(path), before);
    EXPECT_EQ(folderNames(folder.path()), namesBefore);
}

INSTANTIATE_TEST_SUITE_P(
    StandIn, ForeignFile,
    ::testing::Values(
        Foreign{"Empty", [](const std::string& p) { writeFile(p, ""); }, "empty"},
        Foreign{"Folder", [](const std::string& p) { ::mkdir(p.c_str(), 0700); }, "not a file"},
        Foreign{"Text", [](const std::string& p) { writeFile(p, "HKEY_CLASSES_ROOT\n"); },
                "not an SQLite database"},
        Foreign{"RandomBytes",
                [](const std::string& p) {
                    std::string bytes(8192, '\0');
                    for (std::size_t i = 0; i < bytes.size(); ++i) {
                        bytes[i] = static_cast<char>((i * 2654435761u) >> 13);
                    }
                    writeFile(p, bytes);
                },
                "not an SQLite database"},
        Foreign{"OtherProgramsDatabase",
                [](const std::string& p) {
                    writeFile(p, "");
                    execSqlite(p, "CREATE TABLE keys(id, name); INSERT INTO keys VALUES (1, 'a');");
                },
                "another program"},
        Foreign{"OtherProgramsDatabaseInWalMode",
                [](const std::string& p) {
                    writeFile(p, "");
                    execSqlite(p, "PRAGMA journal_mode=WAL; CREATE TABLE t(x); "
                                  "INSERT INTO t VALUES (1);");
                },
                "another program"},
        Foreign{"NewerStore",
                [](const std::string& p) {
                    damagedStore(p, [](std::string& bytes) { bytes[63] = 2; });
                },
                "newer version"},
        Foreign{"TruncatedStore",
                [](const std::string& p) {
                    damagedStore(p, [](std::string& bytes) { bytes.resize(bytes.size() / 2); });
                },
                "damaged"},
        Foreign{"OverwrittenPage",
                [](const std::string& p) {
                    damagedStore(p, [](std::string& bytes) {
                        for (std::size_t i = 4096 * 2; i < 4096 * 3; ++i) {
                            bytes[i] = static_cast<char>(i * 7);
                        }
                    });
                },
                "damaged"}),
    [](const auto& test) { return std::string(test.param.name); });

TEST_F(StoreFile, AnUnreadableFileIsRefusedAndLeftAlone) {
    const std::string path = makeStore("registry.db");
    const std::string before = fileBytes(path);
    ASSERT_EQ(::chmod(folder.path().c_str(), 0755), 0);
    ASSERT_EQ(::chmod(path.c_str(), 0), 0);
    if (!canSwitchUser() && ::access(path.c_str(), R_OK) == 0) {
        GTEST_SKIP() << "this user can read any file";
    }
    const auto lines = probeWithoutWriteAccess(path);
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[0], "failed");
    EXPECT_NE(lines[1].find(path), std::string::npos) << lines[1];
    EXPECT_NE(lines[1].find("cannot be read"), std::string::npos) << lines[1];
    ASSERT_EQ(::chmod(path.c_str(), 0600), 0);
    EXPECT_EQ(fileBytes(path), before);
}

// In a folder the user may not write, or may write (where a reader must leave
// no files of its own), a store the user may not write is read-only.
TEST_F(StoreFile, AStoreTheUserMayNotWriteIsReadOnlyAndLeftAsItWas) {
    for (const unsigned folderMode : {canSwitchUser() ? 0755u : 0555u, 0777u}) {
        SCOPED_TRACE(folderMode);
        const std::string path = makeStore("registry.db");
        ASSERT_EQ(::chmod(folder.path().c_str(), folderMode), 0);
        ASSERT_EQ(::chmod(path.c_str(), canSwitchUser() ? 0644 : 0444), 0);
        const std::string before = fileBytes(path);
        const auto lines = probeWithoutWriteAccess(path);
        ASSERT_EQ(lines.size(), 8u);
        EXPECT_EQ(lines[0], "read-only") << lines[1];
        EXPECT_EQ(lines[2], std::string(200, 'x'));
        EXPECT_EQ(lines[3], std::to_string(ERROR_ACCESS_DENIED)) << "write";
        EXPECT_EQ(lines[4], std::to_string(ERROR_ACCESS_DENIED)) << "delete";
        EXPECT_EQ(lines[5], "refused") << "transaction";
        EXPECT_EQ(lines[6], "read-only");
        EXPECT_EQ(lines[7], std::string(200, 'x'));
        ::chmod(folder.path().c_str(), 0700);
        EXPECT_EQ(fileBytes(path), before);
        EXPECT_EQ(folderNames(folder.path()), std::vector<std::string>{"registry.db"});
        ::unlink(path.c_str());
    }
}

TEST_F(StoreFile, AReaderOfAStoreInUseSeesTheWritersChanges) {
    const std::string path = folder / "registry.db";
    ASSERT_TRUE(openStore(path).ok());
    modRegistry::WriteRegValue(modRegistry::HKCU, "Shared", "v", 1, std::string("first"));
    ASSERT_EQ(::chmod(folder.path().c_str(), 0755), 0);
    for (const char* suffix : {"", "-wal", "-shm"}) {
        ASSERT_EQ(::chmod((path + suffix).c_str(), canSwitchUser() ? 0644 : 0444), 0);
    }

    ChildProcess reader({"watch", path, "Shared", "v"}, canSwitchUser());
    EXPECT_EQ(reader.readLine(), "first");
    modRegistry::WriteRegValue(modRegistry::HKCU, "Shared", "v", 1, std::string("second"));
    reader.writeLine("again");
    EXPECT_EQ(reader.readLine(), "second");
}

} // namespace

// Speed of the stand-in registry: the file-type catalogue's full pass (every
// subkey of HKEY_CLASSES_ROOT by index, then each one's DefaultIcon) against
// one bulk SELECT of the same rows, and durable writes against the disk's
// own fdatasync rate.
#include "RegistryStore.h"
#include "modRegistry.h"

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <string>
#include <unistd.h>

namespace {

using namespace tavisk::registry;

/// The folder the stores live in, removed at exit.
const std::string& benchFolder() {
    static const std::string folder = [] {
        std::string path =
            (std::filesystem::temp_directory_path() / "tavisk-bench-XXXXXX").string();
        if (!::mkdtemp(path.data())) {
            std::abort();
        }
        return path;
    }();
    // Registered once the folder's name exists, so that it runs before the name is destroyed.
    static const bool removedAtExit = std::atexit([] {
                                          closeStore();
                                          std::filesystem::remove_all(benchFolder());
                                      }) == 0;
    (void)removedAtExit;
    return folder;
}

/// A store with count file types under HKEY_CLASSES_ROOT, each with a
/// DefaultIcon default value, made once per count.
std::string catalogueStore(int count) {
    static std::map<int, std::string> made;
    auto& path = made[count];
    if (path.empty()) {
        path = benchFolder() + "/catalogue-" + std::to_string(count) + ".db";
        openStore(path);
        runInTransaction([count] {
            for (int i = 0; i < count; ++i) {
                const std::string type = "application/x-type-" + std::to_string(i);
                modRegistry::WriteRegValue(modRegistry::HKCR, type, "", 1, "Type " + type);
                modRegistry::WriteRegValue(modRegistry::HKCR, type + "\\DefaultIcon", "", 1,
                                           "/usr/share/icons/" + std::to_string(i) + ".png");
            }
            return true;
        });
        closeStore();
    }
    return path;
}

/// The catalogue's pass, call for call.
int fullPass() {
    int found = 0;
    for (std::int32_t index = 0;; ++index) {
        const std::string type = modRegistry::EnumRegSubkey(modRegistry::HKCR, "", index);
        if (type == modRegistry::NotFound) {
            break;
        }
        const std::string icon =
            modRegistry::ReadRegValue(modRegistry::HKCR, type + "\\DefaultIcon", "");
        found += icon != modRegistry::NotFound;
    }
    return found;
}

void checkCount(benchmark::State& state, int found) {
    if (found != state.range(0)) {
        state.SkipWithError("the pass did not find every file type");
    }
}

void BM_FullPass(benchmark::State& state) {
    openStore(catalogueStore(static_cast<int>(state.range(0))));
    int found = 0;
    for (auto _ : state) {
        found = fullPass();
    }
    checkCount(state, found);
    state.SetItemsProcessed(state.iterations() * state.range(0));
    closeStore();
}

/// The same pass when another process has just committed, so that the keys
/// held in memory are read again first.
void BM_FullPassAfterOtherWriter(benchmark::State& state) {
    const std::string path = catalogueStore(static_cast<int>(state.range(0)));
    openStore(path);
    sqlite3* other = nullptr;
    sqlite3_open(path.c_str(), &other);
    int found = 0;
    for (auto _ : state) {
        state.PauseTiming();
        // A real change: SQLite commits nothing for an update that changes nothing.
        sqlite3_exec(other,
                     "INSERT OR REPLACE INTO vals(key, name, fold, type, data) "
                     "VALUES (2, 'Tick', 'TICK', 3, randomblob(8))",
                     nullptr, nullptr, nullptr);
        state.ResumeTiming();
        found = fullPass();
    }
    sqlite3_close(other);
    checkCount(state, found);
    state.SetItemsProcessed(state.iterations() * state.range(0));
    closeStore();
}

void BM_BulkSelect(benchmark::State& state) {
    const std::string path = catalogueStore(static_cast<int>(state.range(0)));
    sqlite3* db = nullptr;
    sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* query = nullptr;
    sqlite3_prepare_v2(db,
                       "SELECT k.name, v.data FROM keys k "
                       "JOIN keys d ON d.parent = k.id AND d.fold = 'DEFAULTICON' "
                       "JOIN vals v ON v.key = d.id AND v.fold = '' "
                       "WHERE k.parent = 4 ORDER BY k.fold",
                       -1, &query, nullptr);
    int found = 0;
    for (auto _ : state) {
        found = 0;
        while (sqlite3_step(query) == SQLITE_ROW) {
            std::string type(reinterpret_cast<const char*>(sqlite3_column_text(query, 0)));
            std::string icon(static_cast<const char*>(sqlite3_column_blob(query, 1)),
                             static_cast<std::size_t>(sqlite3_column_bytes(query, 1)));
            benchmark::DoNotOptimize(type);
            benchmark::DoNotOptimize(icon);
            ++found;
        }
        sqlite3_reset(query);
    }
    sqlite3_finalize(query);
    sqlite3_close(db);
    checkCount(state, found);
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_DurableWrite(benchmark::State& state) {
    openStore(benchFolder() + "/writes.db");
    modRegistry::WriteRegValue(modRegistry::HKCU, "Bench", "v", 1, std::string("0"));
    // Every write must change the value: one that changes nothing commits nothing.
    static long i = 0;
    for (auto _ : state) {
        modRegistry::WriteRegValue(modRegistry::HKCU, "Bench", "v", 1, std::to_string(++i));
    }
    state.SetItemsProcessed(state.iterations());
    closeStore();
}

/// A write that also creates its key: two commits.
void BM_DurableWriteNewKey(benchmark::State& state) {
    openStore(benchFolder() + "/new-keys.db");
    static long i = 0;
    for (auto _ : state) {
        modRegistry::WriteRegValue(modRegistry::HKCU, "Bench\\k" + std::to_string(++i), "v", 1,
                                   std::string("1"));
    }
    state.SetItemsProcessed(state.iterations());
    closeStore();
}

/// The disk's own rate: one 4 KiB page rewritten in place, or appended, and
/// synced with fdatasync.
void BM_RawFdatasync(benchmark::State& state) {
    const bool append = state.range(0) != 0;
    const std::string path = benchFolder() + "/raw";
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0600);
    char page[4096] = {};
    off_t offset = 0;
    for (auto _ : state) {
        if (::pwrite(fd, page, sizeof page, offset) != sizeof page || ::fdatasync(fd) != 0) {
            state.SkipWithError("write failed");
            break;
        }
        offset += append ? static_cast<off_t>(sizeof page) : 0;
    }
    ::close(fd);
    ::unlink(path.c_str());
    state.SetItemsProcessed(state.iterations());
}

constexpr int Runs = 5;

// Wall-clock times throughout: waiting for the disk is part of the cost.
BENCHMARK(BM_FullPass)
    ->Arg(1000)
    ->Arg(20000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Repetitions(Runs);
BENCHMARK(BM_FullPassAfterOtherWriter)
    ->Arg(1000)
    ->Arg(20000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Repetitions(Runs);
BENCHMARK(BM_BulkSelect)
    ->Arg(1000)
    ->Arg(20000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Repetitions(Runs);
BENCHMARK(BM_DurableWrite)
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime()
    ->MinTime(1.0)
    ->Repetitions(Runs);
BENCHMARK(BM_DurableWriteNewKey)
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime()
    ->MinTime(1.0)
    ->Repetitions(Runs);
BENCHMARK(BM_RawFdatasync)
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime()
    ->MinTime(1.0)
    ->Repetitions(Runs);

} // namespace

BENCHMARK_MAIN();

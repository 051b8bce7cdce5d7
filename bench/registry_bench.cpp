// Speed of the stand-in registry: the file-type catalogue's full pass (every
// subkey of HKEY_CLASSES_ROOT by index, then each one's DefaultIcon) against
// one bulk SELECT of the same rows, and durable writes against the disk's
// own fdatasync rate.
#include "RegistryApi.h"
#include "RegistryStore.h"
#include "modRegistry.h"

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <numeric>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

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

/// 0 .. count-1 in an order fixed by the seed, as a user's types arrive in
/// no particular order.
std::vector<int> shuffledIndices(int count) {
    std::vector<int> indices(static_cast<std::size_t>(count));
    std::iota(indices.begin(), indices.end(), 0);
    std::shuffle(indices.begin(), indices.end(), std::mt19937(20261206u));
    return indices;
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
            for (const int i : shuffledIndices(count)) {
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

/// The store the write benchmarks share. It stays open, as it would in the
/// program, so the write-ahead log keeps its size and later commits
/// overwrite it in place instead of growing it.
void openWriteStore() {
    static bool seeded = false;
    openStore(benchFolder() + "/writes.db");
    if (!seeded) {
        modRegistry::WriteRegValue(modRegistry::HKCU, "Bench", "v", 1, std::string("0"));
        seeded = true;
    }
}

/// A fresh value each time: a write that changes nothing commits nothing.
std::string nextValue() {
    static long value = 0;
    return std::to_string(++value);
}

void BM_DurableWrite(benchmark::State& state) {
    openWriteStore();
    for (auto _ : state) {
        modRegistry::WriteRegValue(modRegistry::HKCU, "Bench", "v", 1, nextValue());
    }
    state.SetItemsProcessed(state.iterations());
}

/// A write that also creates its key: two commits.
void BM_DurableWriteNewKey(benchmark::State& state) {
    openWriteStore();
    for (auto _ : state) {
        modRegistry::WriteRegValue(modRegistry::HKCU, "Bench\\k" + nextValue(), "v", 1,
                                   std::string("1"));
    }
    state.SetItemsProcessed(state.iterations());
}

/// The disk's own rate: one 4 KiB page rewritten in place, or appended, and
/// synced with fdatasync.
class RawSync final {
public:
    explicit RawSync(bool append)
        : m_path(benchFolder() + (append ? "/raw-append" : "/raw-in-place")), m_append(append),
          m_fd(::open(m_path.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0600)) {}
    ~RawSync() {
        ::close(m_fd);
        ::unlink(m_path.c_str());
    }
    RawSync(const RawSync&) = delete;
    RawSync& operator=(const RawSync&) = delete;
    bool write() {
        const bool ok = ::pwrite(m_fd, m_page, sizeof m_page, m_offset) == sizeof m_page &&
                        ::fdatasync(m_fd) == 0;
        m_offset += m_append ? static_cast<off_t>(sizeof m_page) : 0;
        return ok;
    }

private:
    std::string m_path;
    bool m_append;
    int m_fd;
    off_t m_offset = 0;
    char m_page[4096] = {};
};

void BM_RawFdatasync(benchmark::State& state) {
    RawSync raw(state.range(0) != 0);
    for (auto _ : state) {
        if (!raw.write()) {
            state.SkipWithError("write failed");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations());
}

/// Durable writes and raw fdatasyncs taken turn about, so that both see the
/// same moments of a disk shared with other work; the counters give the
/// mean time of each and the store's rate as a share of the raw rates.
void BM_DurableWriteBesideRaw(benchmark::State& state) {
    using Clock = std::chrono::steady_clock;
    openWriteStore();
    RawSync inPlace(false);
    RawSync append(true);
    Clock::duration store{}, rawInPlace{}, rawAppend{};
    for (auto _ : state) {
        auto start = Clock::now();
        modRegistry::WriteRegValue(modRegistry::HKCU, "Bench", "v", 1, nextValue());
        auto done = Clock::now();
        store += done - start;
        inPlace.write();
        start = Clock::now();
        rawInPlace += start - done;
        append.write();
        rawAppend += Clock::now() - start;
    }
    const auto micros = [&](Clock::duration total) {
        return std::chrono::duration<double, std::micro>(total).count() /
               static_cast<double>(state.iterations());
    };
    state.counters["store_us"] = micros(store);
    state.counters["raw_in_place_us"] = micros(rawInPlace);
    state.counters["raw_append_us"] = micros(rawAppend);
    state.counters["share_of_in_place"] = micros(rawInPlace) / micros(store);
    state.counters["share_of_append"] = micros(rawAppend) / micros(store);
}

/// Every value of one key with count values, by index, as `tavisk-reg query`
/// lists them.
void BM_ValuePass(benchmark::State& state) {
    const auto count = static_cast<int>(state.range(0));
    const std::string path = benchFolder() + "/values-" + std::to_string(count) + ".db";
    openStore(path);
    runInTransaction([count] {
        for (const int i : shuffledIndices(count)) {
            modRegistry::WriteRegValue(modRegistry::HKCU, "Values", "v" + std::to_string(i), 1,
                                       std::string("data"));
        }
        return true;
    });
    HKEY key = nullptr;
    RegOpenKeyExA(HKEY_CURRENT_USER, "Values", 0, KEY_READ, &key);
    for (auto _ : state) {
        int listed = 0;
        char name[64];
        BYTE data[64];
        for (DWORD index = 0;; ++index) {
            DWORD nameSize = sizeof name;
            DWORD dataSize = sizeof data;
            if (RegEnumValueA(key, index, name, &nameSize, nullptr, nullptr, data, &dataSize) !=
                ERROR_SUCCESS) {
                break;
            }
            ++listed;
        }
        if (listed != count) {
            state.SkipWithError("the pass missed values");
            break;
        }
    }
    RegCloseKey(key);
    closeStore();
    state.SetItemsProcessed(state.iterations() * count);
}

constexpr int Runs = 5;

// Wall-clock times throughout: waiting for the disk is part of the cost.
BENCHMARK(BM_FullPass)
    ->Arg(1000)
    ->Arg(20000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Repetitions(Runs);
BENCHMARK(BM_ValuePass)
    ->Arg(1000)
    ->Arg(100000)
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
BENCHMARK(BM_DurableWriteBesideRaw)
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime()
    ->MinTime(2.0)
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

// The file-type catalogue's pass through modRegistry, timed: count file types
// below one key of HKEY_CLASSES_ROOT, each with a DefaultIcon default value;
// every one is named by its index and its icon read, call for call as the
// catalogue does it. Timed with the standard clock rather than Google
// Benchmark, so that the same source builds for Windows (and runs there, or
// under Wine, on the platform's registry) and here on the stand-in store.
//   catalogue_pass [count [runs [ordered]]]   defaults: 20000 keys, 5 runs, the
//   keys written in an order fixed by a seed ("ordered": in the order listed)
#include "RegistryApi.h"
#include "modRegistry.h"

#ifndef _WIN32
#include "RegistryStore.h"

#include <filesystem>
#include <unistd.h>
#endif

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <numeric>
#include <random>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

/// The key the file types live under, and the registry it lives in: a store
/// of its own in a temporary folder here, a key of its own on Windows.
class BenchRegistry final {
public:
    BenchRegistry() {
#ifdef _WIN32
        m_base = "TaviskBench-" + std::to_string(GetCurrentProcessId());
        RegDeleteTreeA(HKEY_CLASSES_ROOT, m_base.c_str());
#else
        std::string folder =
            (std::filesystem::temp_directory_path() / "tavisk-bench-XXXXXX").string();
        if (!::mkdtemp(folder.data())) {
            std::perror("mkdtemp");
            std::exit(1);
        }
        m_folder = folder;
        m_base = "TaviskBench";
        if (!tavisk::registry::openStore(m_folder + "/registry.db").ok()) {
            std::fprintf(stderr, "cannot open a store in %s\n", m_folder.c_str());
            std::exit(1);
        }
#endif
    }

    ~BenchRegistry() {
#ifdef _WIN32
        RegDeleteTreeA(HKEY_CLASSES_ROOT, m_base.c_str());
#else
        tavisk::registry::closeStore();
        std::error_code ignored;
        std::filesystem::remove_all(m_folder, ignored);
#endif
    }

    BenchRegistry(const BenchRegistry&) = delete;
    BenchRegistry& operator=(const BenchRegistry&) = delete;

    const std::string& base() const {
        return m_base;
    }

    /// Writes the file types through modRegistry; the stand-in commits them
    /// in one transaction, so that making them costs one sync, not thousands.
    void fill(int count, bool ordered) const {
        const auto write = [&] {
            // In an order fixed by the seed: a user's types arrive in no particular order.
            std::vector<int> order(static_cast<std::size_t>(count));
            std::iota(order.begin(), order.end(), 0);
            if (!ordered) {
                std::shuffle(order.begin(), order.end(), std::mt19937(20261206u));
            }
            for (const int i : order) {
                const std::string type = m_base + "\\application/x-type-" + std::to_string(i);
                modRegistry::WriteRegValue(modRegistry::HKCR, type, "", 1, "Type " + type);
                modRegistry::WriteRegValue(modRegistry::HKCR, type + "\\DefaultIcon", "", 1,
                                           "C:\\Icons\\" + std::to_string(i) + ".ico");
            }
            return true;
        };
#ifdef _WIN32
        write();
#else
        tavisk::registry::runInTransaction(write);
        // The catalogue is read by a program that opened the store after
        // the types were written, so it reads them from the file.
        tavisk::registry::closeStore();
        tavisk::registry::openStore(m_folder + "/registry.db");
#endif
    }

private:
    std::string m_folder;
    std::string m_base;
};

/// The catalogue's pass: how many file types had a readable icon.
int fullPass(const std::string& base) {
    int found = 0;
    for (std::int32_t index = 0;; ++index) {
        const std::string type = modRegistry::EnumRegSubkey(modRegistry::HKCR, base, index);
        if (type == modRegistry::NotFound) {
            return found;
        }
        const std::string icon =
            modRegistry::ReadRegValue(modRegistry::HKCR, base + "\\" + type + "\\DefaultIcon", "");
        found += icon != modRegistry::NotFound;
    }
}

double milliseconds(Clock::duration elapsed) {
    return std::chrono::duration<double, std::milli>(elapsed).count();
}

} // namespace

int main(int argc, char** argv) {
    const int count = argc > 1 ? std::atoi(argv[1]) : 20000;
    const int runs = argc > 2 ? std::atoi(argv[2]) : 5;
    const bool ordered = argc > 3 && std::string(argv[3]) == "ordered";
    if (count <= 0 || runs <= 0) {
        std::fprintf(stderr, "usage: %s [count [runs]]\n", argv[0]);
        return 2;
    }
    BenchRegistry registry;
    const auto fillStart = Clock::now();
    registry.fill(count, ordered);
    const double fillMs = milliseconds(Clock::now() - fillStart);

    std::vector<double> passes;
    for (int run = 0; run < runs; ++run) {
        const auto start = Clock::now();
        const int found = fullPass(registry.base());
        passes.push_back(milliseconds(Clock::now() - start));
        if (found != count) {
            std::fprintf(stderr, "the pass found %d of %d file types\n", found, count);
            return 1;
        }
    }
    std::sort(passes.begin(), passes.end());
#ifdef _WIN32
    const char* registryName = "platform registry";
#else
    const char* registryName = "stand-in store";
#endif
    std::printf("catalogue pass, %s: %d keys written %s, fill %.0f ms, pass median %.1f ms "
                "(min %.1f, max %.1f, %d runs), %.2f us per key\n",
                registryName, count, ordered ? "in order" : "in random order", fillMs,
                passes[passes.size() / 2], passes.front(), passes.back(), runs,
                1000.0 * passes[passes.size() / 2] / count);
    return 0;
}

// A second process for the store's tests: it opens the store named on its
// command line and does one job, reporting on standard output.
//   write STORE PREFIX [N]       writes PREFIX\k<i> for i = 0, 1, ... (N keys, or
//                                until killed) and prints each key's name once
//                                its write has returned; exit status 0 when all
//                                succeeded
//   set STORE PATH NAME DATA     writes one REG_SZ value under HKEY_CURRENT_USER
//   delete STORE PATH            deletes one key under HKEY_CURRENT_USER
//   hold STORE MS                keeps the store's write lock for MS milliseconds
//   probe STORE PATH NAME        prints how the store opened, the value read,
//                                the results of a write, a delete and a
//                                transaction, and the value read again
//   watch STORE PATH NAME        prints the value, then again for every line
//                                read from standard input
#include "RegistryApi.h"
#include "RegistryStore.h"
#include "modRegistry.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <unistd.h>

namespace {

using namespace tavisk::registry;

LONG setText(const std::string& path, const std::string& name, const std::string& data) {
    HKEY key = nullptr;
    LONG result = RegCreateKeyA(HKEY_CURRENT_USER, path.c_str(), &key);
    if (result == ERROR_SUCCESS) {
        result = RegSetValueExA(key, name.c_str(), 0, REG_SZ,
                                reinterpret_cast<const BYTE*>(data.c_str()),
                                static_cast<DWORD>(data.size() + 1));
        RegCloseKey(key);
    }
    return result;
}

void say(const std::string& line) {
    const std::string text = line + "\n";
    // Unbuffered, so that a kill right after loses nothing already said.
    [[maybe_unused]] const auto written = ::write(1, text.data(), text.size());
}

const char* statusName(OpenStatus status) {
    switch (status) {
    case OpenStatus::Opened:
        return "opened";
    case OpenStatus::Created:
        return "created";
    case OpenStatus::ReadOnly:
        return "read-only";
    case OpenStatus::Failed:
        break;
    }
    return "failed";
}

int write(const std::string& prefix, long count) {
    for (long i = 0; count < 0 || i < count; ++i) {
        if (setText(prefix + "\\k" + std::to_string(i), "v", std::to_string(i)) != ERROR_SUCCESS) {
            return 1;
        }
        say("k" + std::to_string(i));
    }
    return 0;
}

int hold(long milliseconds) {
    const bool kept = runInTransaction([&] {
        setText("Held", "v", "1");
        say("locked");
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
        return true;
    });
    return kept ? 0 : 1;
}

int deleteKey(const std::string& path) {
    return RegDeleteKeyA(HKEY_CURRENT_USER, path.c_str()) == ERROR_SUCCESS ? 0 : 1;
}

int probe(const OpenResult& opened, const std::string& path, const std::string& name) {
    say(statusName(opened.status));
    say(opened.message);
    say(modRegistry::ReadRegValue(modRegistry::HKCU, path, name));
    say(std::to_string(setText(path, name, "changed")));
    say(std::to_string(RegDeleteKeyA(HKEY_CURRENT_USER, path.c_str())));
    say(runInTransaction([] { return true; }) ? "kept" : "refused");
    say(storeIsReadOnly() ? "read-only" : "writable");
    say(modRegistry::ReadRegValue(modRegistry::HKCU, path, name));
    return 0;
}

int watch(const std::string& path, const std::string& name) {
    say(modRegistry::ReadRegValue(modRegistry::HKCU, path, name));
    char line[256];
    while (std::fgets(line, sizeof line, stdin)) {
        say(modRegistry::ReadRegValue(modRegistry::HKCU, path, name));
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s JOB STORE ...\n", argv[0]);
        return 2;
    }
    const std::string job = argv[1];
    const OpenResult opened = openStore(argv[2]);
    if (job == "probe" && argc == 5) {
        return probe(opened, argv[3], argv[4]);
    }
    if (!opened.ok()) {
        std::fprintf(stderr, "%s\n", opened.message.c_str());
        return 3;
    }
    if (job == "watch" && argc == 5) {
        return watch(argv[3], argv[4]);
    }
    if (job == "write" && (argc == 4 || argc == 5)) {
        return write(argv[3], argc == 5 ? std::stol(argv[4]) : -1);
    }
    if (job == "set" && argc == 6) {
        return setText(argv[3], argv[4], argv[5]) == ERROR_SUCCESS ? 0 : 1;
    }
    if (job == "delete" && argc == 4) {
        return deleteKey(argv[3]);
    }
    if (job == "hold" && argc == 4) {
        return hold(std::stol(argv[3]));
    }
    std::fprintf(stderr, "unknown job %s\n", job.c_str());
    return 2;
}

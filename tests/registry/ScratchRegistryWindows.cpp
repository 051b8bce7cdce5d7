// ScratchRegistry on the platform's registry: each test works below a key of
// its own, "Software\TaviskScratch-<process>-<serial>", under whichever root
// it uses, and that key is removed with everything below it before and after
// the test. Keys made directly under HKEY_LOCAL_MACHINE are refused by the
// registry, hence the "Software" in front.
#include "ScratchRegistry.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>

namespace {

/// Where a test's keys can end up: HKEY_CLASSES_ROOT writes land in one of
/// the two Classes keys.
struct Area {
    HKEY root;
    const char* below;
    const char* name;
};

const Area Areas[] = {
    {HKEY_CURRENT_USER, "", "HKEY_CURRENT_USER"},
    {HKEY_LOCAL_MACHINE, "", "HKEY_LOCAL_MACHINE"},
    {HKEY_LOCAL_MACHINE, "Software\\Classes\\", "HKEY_LOCAL_MACHINE\\Software\\Classes"},
    {HKEY_CURRENT_USER, "Software\\Classes\\", "HKEY_CURRENT_USER\\Software\\Classes"},
};

std::string uniquePrefix() {
    static std::atomic<unsigned> serial{0};
    return "Software\\TaviskScratch-" + std::to_string(GetCurrentProcessId()) + "-" +
           std::to_string(++serial);
}

/// Removes the scratch key and everything below it in every area; a key
/// that is not there is fine, one that stays is a failure.
void removeEverywhere(const std::string& prefix) {
    for (const Area& area : Areas) {
        const std::string path = area.below + prefix;
        const LONG result = RegDeleteTreeA(area.root, path.c_str());
        if (result != ERROR_SUCCESS && result != ERROR_FILE_NOT_FOUND) {
            ADD_FAILURE() << "cannot remove " << area.name << "\\" << path << ": error " << result;
        }
    }
}

} // namespace

ScratchRegistry::ScratchRegistry() : m_prefix(uniquePrefix()) {
    // Process numbers come round again: clear what an interrupted run left.
    removeEverywhere(m_prefix);
}

ScratchRegistry::~ScratchRegistry() {
    removeEverywhere(m_prefix);
}

std::string ScratchRegistry::key(const std::string& relative) const {
    return relative.empty() ? m_prefix : m_prefix + "\\" + relative;
}

#pragma once
// Helpers of the console tool's tests: those of the stand-in store's tests
// (temporary folders, whole files, environment and umask put back after a
// test, the store's file written directly) and the fixtures folder.
#include "StandInSupport.h"

#include <filesystem>
#include <string>

/// A file or folder of these tests' fixtures.
inline std::string fixture(const std::string& name) {
    return std::string(TAVISK_TOOLS_FIXTURES) + "/" + name;
}

#include "ScratchRegistry.h"

#include "RegistryStore.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

ScratchRegistry::ScratchRegistry() : m_prefix("Scratch") {
    std::string folder = (std::filesystem::temp_directory_path() / "tavisk-test-XXXXXX").string();
    if (!::mkdtemp(folder.data())) {
        ADD_FAILURE() << "cannot make a temporary folder";
        return;
    }
    m_folder = folder;
    const auto result = tavisk::registry::openStore(m_folder + "/registry.db");
    EXPECT_TRUE(result.ok()) << result.message;
}

ScratchRegistry::~ScratchRegistry() {
    tavisk::registry::closeStore();
    if (!m_folder.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(m_folder, ignored);
    }
}

std::string ScratchRegistry::key(const std::string& relative) const {
    return relative.empty() ? m_prefix : m_prefix + "\\" + relative;
}

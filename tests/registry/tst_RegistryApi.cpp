// The registry API's behaviour that callers rely on, whatever stands behind it.
#include "RegistryApi.h"
#include "ScratchRegistry.h"

#include <gtest/gtest.h>

#include <string>

namespace {

class RegistryApi : public ::testing::Test {
protected:
    ScratchRegistry scratch;
};

TEST_F(RegistryApi, CreatedKeyTakesAValueThatReadsBack) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, scratch.key("a\\b").c_str(), &key), ERROR_SUCCESS);
    const char data[] = "text";
    ASSERT_EQ(RegSetValueExA(key, "Name", 0, REG_SZ, reinterpret_cast<const BYTE*>(data), 5),
              ERROR_SUCCESS);
    ASSERT_EQ(RegCloseKey(key), ERROR_SUCCESS);

    ASSERT_EQ(RegOpenKeyA(HKEY_CURRENT_USER, scratch.key("A\\B").c_str(), &key), ERROR_SUCCESS);
    char buffer[16] = {};
    DWORD size = sizeof buffer;
    DWORD type = 0;
    ASSERT_EQ(RegQueryValueExA(key, "NAME", nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size),
              ERROR_SUCCESS);
    EXPECT_EQ(type, REG_SZ);
    EXPECT_EQ(size, 5u);
    EXPECT_STREQ(buffer, "text");
    RegCloseKey(key);
}

} // namespace

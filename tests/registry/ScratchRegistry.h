#pragma once
// A registry of its own for each test. On systems with the stand-in store it
// is a new store in a temporary folder; a build against the real registry
// replaces ScratchRegistryStandIn.cpp with one that works below a scratch key
// and removes it afterwards. Tests name every key through key(), or through
// the helpers of RegistryTest, which call the registry API directly.
#include "RegistryApi.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

class ScratchRegistry final {
public:
    ScratchRegistry();
    ~ScratchRegistry();
    ScratchRegistry(const ScratchRegistry&) = delete;
    ScratchRegistry& operator=(const ScratchRegistry&) = delete;

    /// The path below which a test may create keys under any root: relative
    /// is joined to it ("" gives the scratch key itself, without a trailing "\").
    std::string key(const std::string& relative = "") const;

private:
    std::string m_folder;
    std::string m_prefix;
};

/// Whether the tests run on Wine's registry, which departs from the documented
/// registry in a few known places. A test of such a place skips there and says
/// why; everywhere else the same test runs unchanged.
inline bool runningUnderWine() {
#ifdef _WIN32
    const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
#else
    return false;
#endif
}

/// A handle closed at the end of the scope.
class Key final {
public:
    Key() = default;
    ~Key() { close(); }
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;
    HKEY* out() {
        close();
        return &m_handle;
    }
    HKEY get() const { return m_handle; }
    void close() {
        if (m_handle) {
            RegCloseKey(m_handle);
            m_handle = nullptr;
        }
    }

private:
    HKEY m_handle = nullptr;
};

struct Data {
    DWORD type = 0;
    std::string bytes;
};

/// A test with a scratch registry, whose keys it names relative to the scratch key.
class RegistryTest : public ::testing::Test {
protected:
    ScratchRegistry scratch;

    std::string path(const std::string& relative = "") const { return scratch.key(relative); }

    LONG open(HKEY root, const std::string& relative, Key& key) {
        return RegOpenKeyA(root, path(relative).c_str(), key.out());
    }

    LONG create(HKEY root, const std::string& relative) {
        Key key;
        return RegCreateKeyA(root, path(relative).c_str(), key.out());
    }

    LONG set(HKEY root, const std::string& relative, const char* name, DWORD type,
             const std::string& bytes) {
        Key key;
        LONG result = RegCreateKeyA(root, path(relative).c_str(), key.out());
        if (result == ERROR_SUCCESS) {
            result = RegSetValueExA(key.get(), name, 0, type,
                                    reinterpret_cast<const BYTE*>(bytes.data()),
                                    static_cast<DWORD>(bytes.size()));
        }
        return result;
    }

    LONG get(HKEY root, const std::string& relative, const char* name, Data& data) {
        Key key;
        LONG result = open(root, relative, key);
        if (result != ERROR_SUCCESS) {
            return result;
        }
        std::string buffer(8192, '\0');
        DWORD size = static_cast<DWORD>(buffer.size());
        result = RegQueryValueExA(key.get(), name, nullptr, &data.type,
                                  reinterpret_cast<BYTE*>(buffer.data()), &size);
        data.bytes = result == ERROR_SUCCESS ? buffer.substr(0, size) : std::string();
        return result;
    }

    /// A text value up to its first NUL, or "<missing>".
    std::string text(HKEY root, const std::string& relative, const char* name) {
        Data data;
        if (get(root, relative, name, data) != ERROR_SUCCESS) {
            return "<missing>";
        }
        return data.bytes.substr(0, data.bytes.find('\0'));
    }

    bool exists(HKEY root, const std::string& relative) {
        Key key;
        return open(root, relative, key) == ERROR_SUCCESS;
    }

    std::vector<std::string> subkeys(HKEY root, const std::string& relative) {
        Key key;
        std::vector<std::string> names;
        if (open(root, relative, key) != ERROR_SUCCESS) {
            return names;
        }
        char name[256];
        for (DWORD i = 0; RegEnumKeyA(key.get(), i, name, sizeof name) == ERROR_SUCCESS; ++i) {
            names.emplace_back(name);
        }
        return names;
    }

    LONG remove(HKEY root, const std::string& relative) {
        return RegDeleteKeyA(root, path(relative).c_str());
    }
};

/// Text with its terminating NUL, as REG_SZ data holds it.
inline std::string sz(const std::string& text) {
    return text + '\0';
}

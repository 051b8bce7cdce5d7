#include "RegAccess.h"

#include "RegistryNames.h"

#include <algorithm>
#include <utility>

namespace tavisk::regtool {
namespace {

/// Longest value name, in bytes of UTF-8, with its NUL.
constexpr DWORD MaxValueNameBytes = 16383 * 4 + 1;
/// Longest key name, in bytes of UTF-8, with its NUL.
constexpr DWORD MaxKeyNameBytes = 255 * 4 + 1;

void check(LONG status, const std::string& what) {
    if (status != ERROR_SUCCESS) {
        throw RegistryError(status, what + ": " + errorText(status));
    }
}

std::string valueLabel(const std::string& name) {
    return name.empty() ? std::string("(Default)") : "\"" + name + "\"";
}

void collectInto(const KeyName& name, const OpenKey& key, std::vector<RegKeyBlock>& blocks) {
    blocks.push_back({name.fullName(), key.values()});
    for (const auto& subkey : key.subkeys()) {
        const KeyName child = name.child(subkey);
        if (const auto opened = OpenKey::open(child)) {
            collectInto(child, *opened, blocks);
        }
    }
}

} // namespace

std::string errorText(LONG code) {
    switch (code) {
    case ERROR_SUCCESS:
        return "success";
    case ERROR_FILE_NOT_FOUND:
        return "not found";
    case ERROR_ACCESS_DENIED:
        return "access denied (the registry store may be read-only or busy)";
    case ERROR_INVALID_HANDLE:
        return "invalid handle";
    case ERROR_INVALID_PARAMETER:
        return "invalid parameter (a name may be too long)";
    case ERROR_BAD_PATHNAME:
        return "bad path name (an empty part, or a leading \\)";
    case ERROR_MORE_DATA:
        return "more data than the buffer holds";
    case ERROR_NO_MORE_ITEMS:
        return "no more items";
    case ERROR_BADDB:
        return "the registry store cannot be opened or is damaged";
    default:
        return "error " + std::to_string(code);
    }
}

HKEY rootHandle(std::uint32_t root) {
    return reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(static_cast<LONG>(root)));
}

std::optional<OpenKey> OpenKey::open(const KeyName& key, REGSAM access) {
    HKEY handle = nullptr;
    const LONG status = RegOpenKeyExA(rootHandle(key.root), key.path.c_str(), 0, access, &handle);
    if (status == ERROR_FILE_NOT_FOUND) {
        return std::nullopt;
    }
    check(status, "cannot open " + key.fullName());
    return OpenKey(handle, key.fullName());
}

OpenKey OpenKey::create(const KeyName& key) {
    HKEY handle = nullptr;
    check(RegCreateKeyA(rootHandle(key.root), key.path.c_str(), &handle),
          "cannot create " + key.fullName());
    return OpenKey(handle, key.fullName());
}

OpenKey::OpenKey(OpenKey&& other) noexcept
    : m_handle(std::exchange(other.m_handle, nullptr)), m_fullName(std::move(other.m_fullName)) {}

OpenKey::~OpenKey() {
    if (m_handle) {
        RegCloseKey(m_handle);
    }
}

std::vector<std::string> OpenKey::subkeys() const {
    std::vector<std::string> names;
    std::string buffer(MaxKeyNameBytes, '\0');
    for (DWORD index = 0;; ++index) {
        const LONG status =
            RegEnumKeyA(m_handle, index, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (status == ERROR_NO_MORE_ITEMS) {
            return names;
        }
        check(status, "cannot list the subkeys of " + m_fullName);
        names.emplace_back(buffer.c_str());
    }
}

std::vector<RegValue> OpenKey::values() const {
    std::vector<RegValue> values;
    std::string name(MaxValueNameBytes, '\0');
    std::string data(4096, '\0');
    for (DWORD index = 0;;) {
        auto nameSize = static_cast<DWORD>(name.size());
        auto dataSize = static_cast<DWORD>(data.size());
        DWORD type = 0;
        const LONG status = RegEnumValueA(m_handle, index, name.data(), &nameSize, nullptr, &type,
                                          reinterpret_cast<LPBYTE>(data.data()), &dataSize);
        if (status == ERROR_NO_MORE_ITEMS) {
            return values;
        }
        if (status == ERROR_MORE_DATA) {
            data.resize(std::max<std::size_t>(dataSize, data.size() * 2));
            continue;
        }
        check(status, "cannot list the values of " + m_fullName);
        values.push_back({name.substr(0, nameSize), type, data.substr(0, dataSize)});
        ++index;
    }
}

std::optional<RegValue> OpenKey::value(const std::string& name) const {
    std::string data(4096, '\0');
    while (true) {
        DWORD type = 0;
        auto size = static_cast<DWORD>(data.size());
        const LONG status = RegQueryValueExA(m_handle, name.c_str(), nullptr, &type,
                                             reinterpret_cast<LPBYTE>(data.data()), &size);
        if (status == ERROR_FILE_NOT_FOUND) {
            return std::nullopt;
        }
        if (status == ERROR_MORE_DATA) {
            data.resize(std::max<std::size_t>(size, data.size() * 2));
            continue;
        }
        check(status, "cannot read the value " + valueLabel(name) + " of " + m_fullName);
        return RegValue{storedName(name), type, data.substr(0, size)};
    }
}

std::string OpenKey::storedName(const std::string& name) const {
    const auto fold = registry::foldName(name);
    for (const auto& value : values()) {
        if (fold ? registry::foldName(value.name) == fold : value.name == name) {
            return value.name;
        }
    }
    return name;
}

void OpenKey::setValue(const RegValue& value) const {
    check(RegSetValueExA(m_handle, value.name.c_str(), 0, value.type,
                         reinterpret_cast<const BYTE*>(value.data.data()),
                         static_cast<DWORD>(value.data.size())),
          "cannot write the value " + valueLabel(value.name) + " of " + m_fullName);
}

bool OpenKey::deleteValue(const std::string& name) const {
    const LONG status = RegDeleteValueA(m_handle, name.c_str());
    if (status == ERROR_FILE_NOT_FOUND) {
        return false;
    }
    check(status, "cannot delete the value " + valueLabel(name) + " of " + m_fullName);
    return true;
}

std::optional<std::vector<RegKeyBlock>> collectTree(const KeyName& key) {
    const auto opened = OpenKey::open(key);
    if (!opened) {
        return std::nullopt;
    }
    std::vector<RegKeyBlock> blocks;
    collectInto(key, *opened, blocks);
    return blocks;
}

bool deleteTree(const KeyName& key) {
    if (key.path.empty()) {
        throw RegistryError(ERROR_ACCESS_DENIED, "cannot delete the root key " + key.fullName());
    }
    std::vector<std::string> subkeys;
    {
        const auto opened = OpenKey::open(key);
        if (!opened) {
            return false;
        }
        subkeys = opened->subkeys();
    }
    for (const auto& subkey : subkeys) {
        deleteTree(key.child(subkey));
    }
    check(RegDeleteKeyA(rootHandle(key.root), key.path.c_str()), "cannot delete " + key.fullName());
    return true;
}

void applyOperations(const std::vector<RegOperation>& operations) {
    for (const auto& op : operations) {
        try {
            switch (op.kind) {
            case RegOperation::Kind::CreateKey:
                OpenKey::create(op.key);
                break;
            case RegOperation::Kind::DeleteKey:
                deleteTree(op.key);
                break;
            case RegOperation::Kind::SetValue:
                OpenKey::create(op.key).setValue({op.valueName, op.type, op.data});
                break;
            case RegOperation::Kind::DeleteValue:
                if (const auto key = OpenKey::open(op.key, KEY_READ | KEY_WRITE)) {
                    key->deleteValue(op.valueName);
                }
                break;
            }
        } catch (const RegistryError& error) {
            throw RegFileError(op.line, error.what());
        }
    }
}

} // namespace tavisk::regtool

#include "RegAccess.h"

#include "RegistryNames.h"

#include <algorithm>
#include <deque>
#include <utility>

namespace tavisk::regtool {
namespace {

/// Longest value name, in bytes of UTF-8, with its NUL.
constexpr DWORD MaxValueNameBytes = 16383 * 4 + 1;
/// Longest key name, in bytes of UTF-8, with its NUL.
constexpr DWORD MaxKeyNameBytes = 255 * 4 + 1;

/// Throws for a failed call; what() names the operation, and is made only
/// then, since a deep key's name is long.
template <class What> void check(LONG status, What&& what) {
    if (status != ERROR_SUCCESS) {
        throw RegistryError(status, what() + ": " + errorText(status));
    }
}

std::string valueLabel(const std::string& name) {
    return name.empty() ? std::string("(Default)") : "\"" + name + "\"";
}

/// Longest key name a message shows whole.
constexpr std::size_t MessageNameLength = 200;

constexpr std::uint32_t ClassesRoot = 0x80000000u;

/// One key of a walk down a tree: the open key, its subkeys, the next one to visit.
struct WalkFrame {
    OpenKey key;
    std::vector<std::string> subkeys;
    std::size_t next = 0;
    std::size_t nameLength = 0; ///< of the walk's running full name at this key
};

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
    case ERROR_DISK_FULL:
        return "the disk is full: make room on it and try again";
    case ERROR_OUTOFMEMORY:
        return "out of memory";
    case ERROR_REGISTRY_IO_FAILED:
        return "the registry store's file could not be written (it may have been deleted or "
               "replaced meanwhile): run the command again";
    case ERROR_KEY_DELETED:
        return "the key was deleted meanwhile";
    default:
        return "error " + std::to_string(code);
    }
}

std::string shortened(const std::string& name) {
    if (name.size() <= MessageNameLength) {
        return name;
    }
    auto cut = [&name](std::size_t at) {
        // Never in the middle of a UTF-8 sequence.
        while (at > 0 && at < name.size() &&
               (static_cast<unsigned char>(name[at]) & 0xC0) == 0x80) {
            --at;
        }
        return at;
    };
    const std::size_t head = cut(MessageNameLength / 2);
    const std::size_t tail = cut(name.size() - MessageNameLength / 2);
    return name.substr(0, head) + "..." + name.substr(tail);
}

std::size_t storeDepth(const KeyName& key) {
    const std::size_t below =
        key.path.empty()
            ? 0
            : 1 + static_cast<std::size_t>(std::count(key.path.begin(), key.path.end(), '\\'));
    return below + (key.root == ClassesRoot ? 2 : 0);
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
    check(status, [&] { return "cannot open " + shortened(key.fullName()); });
    return OpenKey(handle, key.fullName(), nullptr);
}

OpenKey OpenKey::create(const KeyName& key) {
    if (const std::size_t depth = storeDepth(key); depth > registry::MaxKeyDepth) {
        throw RegistryError(ERROR_BAD_PATHNAME,
                            "cannot create " + shortened(key.fullName()) + ": it would be " +
                                std::to_string(depth) +
                                " levels deep, and the registry holds keys at most " +
                                std::to_string(registry::MaxKeyDepth) +
                                " levels below HKEY_LOCAL_MACHINE or HKEY_CURRENT_USER "
                                "(HKEY_CLASSES_ROOT is 2 levels down)");
    }
    HKEY handle = nullptr;
    check(RegCreateKeyA(rootHandle(key.root), key.path.c_str(), &handle),
          [&] { return "cannot create " + shortened(key.fullName()); });
    return OpenKey(handle, key.fullName(), nullptr);
}

OpenKey::OpenKey(OpenKey&& other) noexcept
    : m_handle(std::exchange(other.m_handle, nullptr)), m_name(std::move(other.m_name)),
      m_parent(other.m_parent) {}

std::optional<OpenKey> OpenKey::openSubkey(const std::string& name, REGSAM access) const {
    HKEY handle = nullptr;
    const LONG status = RegOpenKeyExA(m_handle, name.c_str(), 0, access, &handle);
    if (status == ERROR_FILE_NOT_FOUND) {
        return std::nullopt;
    }
    check(status, [&] { return "cannot open " + shortened(fullName() + "\\" + name); });
    return OpenKey(handle, name, this);
}

void OpenKey::deleteSubkey(const std::string& name) const {
    check(RegDeleteKeyA(m_handle, name.c_str()),
          [&] { return "cannot delete " + shortened(fullName() + "\\" + name); });
}

std::string OpenKey::fullName() const {
    std::vector<const OpenKey*> chain;
    for (const OpenKey* key = this; key; key = key->m_parent) {
        chain.push_back(key);
    }
    std::string name;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        name += (it == chain.rbegin() ? "" : "\\") + (*it)->m_name;
    }
    return name;
}

std::string OpenKey::label() const {
    return shortened(fullName());
}

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
        check(status, [&] { return "cannot list the subkeys of " + label(); });
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
        check(status, [&] { return "cannot list the values of " + label(); });
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
        check(status,
              [&] { return "cannot read the value " + valueLabel(name) + " of " + label(); });
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
          [&] { return "cannot write the value " + valueLabel(value.name) + " of " + label(); });
}

bool OpenKey::deleteValue(const std::string& name) const {
    const LONG status = RegDeleteValueA(m_handle, name.c_str());
    if (status == ERROR_FILE_NOT_FOUND) {
        return false;
    }
    check(status, [&] { return "cannot delete the value " + valueLabel(name) + " of " + label(); });
    return true;
}

std::optional<std::vector<RegKeyBlock>> collectTree(const KeyName& key) {
    auto top = OpenKey::open(key);
    if (!top) {
        return std::nullopt;
    }
    std::vector<RegKeyBlock> blocks;
    std::deque<WalkFrame> walk; // a deque keeps each parent in place under its subkeys
    std::string name = key.fullName();
    const auto enter = [&](OpenKey opened) {
        blocks.push_back({name, opened.values()});
        auto subkeys = opened.subkeys();
        walk.push_back({std::move(opened), std::move(subkeys), 0, name.size()});
    };
    enter(std::move(*top));
    while (!walk.empty()) {
        WalkFrame& frame = walk.back();
        if (frame.next == frame.subkeys.size()) {
            walk.pop_back();
            continue;
        }
        const std::string& subkey = frame.subkeys[frame.next++];
        if (auto child = frame.key.openSubkey(subkey)) {
            name.resize(frame.nameLength);
            name += '\\';
            name += subkey;
            enter(std::move(*child));
        }
    }
    return blocks;
}

bool deleteTree(const KeyName& key) {
    if (key.path.empty()) {
        throw RegistryError(ERROR_ACCESS_DENIED, "cannot delete the root key " + key.fullName());
    }
    {
        auto top = OpenKey::open(key);
        if (!top) {
            return false;
        }
        std::deque<WalkFrame> walk; // a deque keeps each parent in place under its subkeys
        auto subkeys = top->subkeys();
        walk.push_back({std::move(*top), std::move(subkeys)});
        while (!walk.empty()) {
            WalkFrame& frame = walk.back();
            if (frame.next < frame.subkeys.size()) {
                if (auto child = frame.key.openSubkey(frame.subkeys[frame.next])) {
                    auto below = child->subkeys();
                    walk.push_back({std::move(*child), std::move(below)});
                } else {
                    ++frame.next;
                }
                continue;
            }
            walk.pop_back(); // closes the key, whose subkeys are all gone now
            if (!walk.empty()) {
                WalkFrame& parent = walk.back();
                parent.key.deleteSubkey(parent.subkeys[parent.next++]);
            }
        }
    }
    check(RegDeleteKeyA(rootHandle(key.root), key.path.c_str()),
          [&] { return "cannot delete " + shortened(key.fullName()); });
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

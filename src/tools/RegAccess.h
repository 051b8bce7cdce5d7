#pragma once
// The console tool's way into the registry: open keys as RAII handles, list
// their subkeys and values, copy a tree into .reg blocks, apply the operations
// of a .reg file, delete a tree. Everything goes through the registry API.
#include "RegFile.h"
#include "RegKeyName.h"
#include "RegistryApi.h"

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace tavisk::regtool {

/// A refusal of the registry, with its error code.
class RegistryError final : public std::runtime_error {
public:
    RegistryError(LONG code, const std::string& what) : std::runtime_error(what), m_code(code) {}
    LONG code() const { return m_code; }

private:
    LONG m_code;
};

/// What an error code of the registry API means, in words.
std::string errorText(LONG code);

/// The predefined handle of a root.
HKEY rootHandle(std::uint32_t root);

/// An open key, closed when it goes.
class OpenKey final {
public:
    /// Opens an existing key for the access asked; nothing when it does not
    /// exist. Throws RegistryError for any other refusal.
    static std::optional<OpenKey> open(const KeyName& key, REGSAM access = KEY_READ);
    /// Opens the key, creating it and every missing key on its path. A key
    /// deeper than the registry holds is refused before anything is created.
    static OpenKey create(const KeyName& key);

    OpenKey(OpenKey&& other) noexcept;
    OpenKey& operator=(OpenKey&&) = delete;
    OpenKey(const OpenKey&) = delete;
    OpenKey& operator=(const OpenKey&) = delete;
    ~OpenKey();

    HKEY handle() const { return m_handle; }
    /// Opens the subkey name of this key, which must outlive it; nothing when
    /// it does not exist. Throws RegistryError for any other refusal.
    std::optional<OpenKey> openSubkey(const std::string& name, REGSAM access = KEY_READ) const;
    /// Deletes the subkey name of this key (it must have no subkeys).
    void deleteSubkey(const std::string& name) const;
    /// Subkey names in the registry's order.
    std::vector<std::string> subkeys() const;
    /// Values in the registry's order.
    std::vector<RegValue> values() const;
    /// One value, or nothing when it does not exist. The name comes back as
    /// the value was first written.
    std::optional<RegValue> value(const std::string& name) const;
    /// Stores a value; throws RegistryError when refused.
    void setValue(const RegValue& value) const;
    /// Deletes a value; false when it did not exist.
    bool deleteValue(const std::string& name) const;
    /// The key's full name, built when asked for, so that a chain of subkeys
    /// opened one below the other holds each name once.
    std::string fullName() const;

private:
    std::string storedName(const std::string& name) const;
    /// The full name for a message, shortened when a deep key makes it long.
    std::string label() const;

    OpenKey(HKEY handle, std::string name, const OpenKey* parent)
        : m_handle(handle), m_name(std::move(name)), m_parent(parent) {}

    HKEY m_handle;
    std::string m_name; ///< the full name, or the subkey's own name below m_parent
    const OpenKey* m_parent = nullptr;
};

/// A key name for a message: as it is, or its start and end around "..." when
/// it is too long to read.
std::string shortened(const std::string& name);

/// Levels below HKEY_LOCAL_MACHINE or HKEY_CURRENT_USER at which the store
/// keeps the key (HKEY_CLASSES_ROOT is HKEY_LOCAL_MACHINE\SOFTWARE\Classes).
std::size_t storeDepth(const KeyName& key);

/// The key and every key below it as .reg blocks, depth-first in the
/// registry's order. Nothing when the key does not exist. The tree is walked
/// without recursion, so any depth fits on the stack.
std::optional<std::vector<RegKeyBlock>> collectTree(const KeyName& key);

/// Deletes the key with everything below it, deepest keys first, without
/// recursion; false when it did not exist. Throws RegistryError when refused.
/// Run it inside a transaction.
bool deleteTree(const KeyName& key);

/// Carries out a .reg file's operations; throws RegFileError naming the line
/// of the operation the registry refused. Run it inside a transaction.
void applyOperations(const std::vector<RegOperation>& operations);

} // namespace tavisk::regtool

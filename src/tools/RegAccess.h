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
    /// Opens the key, creating it and every missing key on its path.
    static OpenKey create(const KeyName& key);

    OpenKey(OpenKey&& other) noexcept;
    OpenKey& operator=(OpenKey&&) = delete;
    OpenKey(const OpenKey&) = delete;
    OpenKey& operator=(const OpenKey&) = delete;
    ~OpenKey();

    HKEY handle() const { return m_handle; }
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

private:
    std::string storedName(const std::string& name) const;

    OpenKey(HKEY handle, std::string fullName)
        : m_handle(handle), m_fullName(std::move(fullName)) {}

    HKEY m_handle;
    std::string m_fullName;
};

/// The key and every key below it as .reg blocks, depth-first in the
/// registry's order. Nothing when the key does not exist.
std::optional<std::vector<RegKeyBlock>> collectTree(const KeyName& key);

/// Deletes the key with everything below it; false when it did not exist.
/// Throws RegistryError when refused. Run it inside a transaction.
bool deleteTree(const KeyName& key);

/// Carries out a .reg file's operations; throws RegFileError naming the line
/// of the operation the registry refused. Run it inside a transaction.
void applyOperations(const std::vector<RegOperation>& operations);

} // namespace tavisk::regtool

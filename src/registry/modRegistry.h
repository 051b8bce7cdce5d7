#pragma once
// The system's only door to the registry: read one value as text, write one
// value, name one subkey by its index, delete one key. Nothing is ever thrown
// to the caller; readers answer "Not Found" when nothing could be read and
// writers report nothing.
#include <cstdint>
#include <string>
#include <variant>

namespace modRegistry {

/// Predefined roots, as 32-bit numbers.
constexpr std::uint32_t HKCR = 0x80000000u; ///< HKEY_CLASSES_ROOT
constexpr std::uint32_t HKCU = 0x80000001u; ///< HKEY_CURRENT_USER
constexpr std::uint32_t HKLM = 0x80000002u; ///< HKEY_LOCAL_MACHINE

/// What the readers return when nothing could be read.
inline constexpr const char* NotFound = "Not Found";

/// Registry value types.
constexpr std::int32_t REG_SZ_TYPE = 1;
constexpr std::int32_t REG_EXPAND_SZ_TYPE = 2;
constexpr std::int32_t REG_BINARY_TYPE = 3;
constexpr std::int32_t REG_DWORD_TYPE = 4;

/// Data of a write: text, or a number for REG_DWORD.
using RegData = std::variant<std::string, std::int64_t>;

/// The value's data as text, or "Not Found".
std::string ReadRegValue(std::uint32_t root, std::string keyPath, std::string valueName);

/// Stores a value, creating every missing key on its path. Type 4 stores a
/// 32-bit number; type 1 text with its terminating NUL; any other code the
/// bare text as REG_SZ.
void WriteRegValue(std::uint32_t root, std::string keyPath, std::string valueName,
                   std::int32_t typeCode, RegData data);

/// The name of the subkey at the zero-based index, or "Not Found" past the
/// last one. The index is left unchanged.
std::string EnumRegSubkey(std::uint32_t root, std::string keyPath, std::int32_t& index);

/// Deletes one key; a key with subkeys is refused by the registry, silently.
void DeleteRegKey(std::uint32_t root, std::string keyPath);

/// True when the key can be opened.
bool RegKeyExists(std::uint32_t root, std::string keyPath);

} // namespace modRegistry

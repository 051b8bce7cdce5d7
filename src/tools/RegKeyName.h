#pragma once
// Full key names as users and .reg files write them: a root, spelled out
// (HKEY_LOCAL_MACHINE) or abbreviated (HKLM), then the path below it.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tavisk::regtool {

struct KeyName {
    std::uint32_t root = 0; ///< 0x80000000 and up, as the registry numbers its roots
    std::string path;       ///< below the root, without a trailing "\"; empty for the root

    /// The root spelled out, then "\" and the path when there is one.
    std::string fullName() const;
    /// The name of the subkey child of this key.
    KeyName child(const std::string& name) const;
};

/// The root's full name ("HKEY_CLASSES_ROOT").
std::string rootName(std::uint32_t root);

/// Parses "HKCR\text/plain" and the like: the root's name is matched without
/// regard to case; one trailing "\" is dropped. Nothing for an unknown root.
std::optional<KeyName> parseKeyName(std::string_view text);

} // namespace tavisk::regtool

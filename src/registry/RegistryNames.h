#pragma once
// Key and value names as the registry treats them: UTF-8 text compared
// without regard to case (each character of the Basic Multilingual Plane
// mapped to its simple upper case), key paths split at "\".
#include "StandInRegistry.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavisk::registry {

/// Longest key name and value name, in UTF-16 units as the registry counts them.
constexpr std::size_t MaxKeyNameLength = 255;
constexpr std::size_t MaxValueNameLength = 16383;
/// Deepest key the store creates, in levels below HKEY_LOCAL_MACHINE or
/// HKEY_CURRENT_USER, as deep as the platform's registry goes. A deeper key
/// is refused with ERROR_BAD_PATHNAME.
constexpr std::size_t MaxKeyDepth = 512;

/// The name as it is compared: every character mapped to its simple upper
/// case. Nothing for text that is not well-formed UTF-8.
std::optional<std::string> foldName(std::string_view name);

/// The name's length in UTF-16 units; the name must be well-formed UTF-8.
std::size_t utf16Length(std::string_view name);

/// One component of a key path, as written (a view into the path) and as compared.
struct NamePart {
    std::string_view name;
    std::string fold;
};

/// Splits a key path into its components. Null, "" and a single "\" after
/// the last component name no further key. A leading "\" or an empty
/// component gives ERROR_BAD_PATHNAME; a name over 255 characters or that is
/// not UTF-8 gives ERROR_INVALID_PARAMETER.
LONG splitKeyPath(const char* path, std::vector<NamePart>& parts);

/// Checks a value name (null is the default value) and gives its fold:
/// ERROR_INVALID_PARAMETER for a name over 16,383 characters or not UTF-8.
LONG checkValueName(const char* name, std::string& fold);

} // namespace tavisk::registry

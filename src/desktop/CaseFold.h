#pragma once
// Names compared as the registry compares them: without regard to case.
#include <string>
#include <string_view>

namespace tavisk::desktop {

/// The name as the registry compares it (each character mapped to its simple
/// upper case); text that is not valid UTF-8 is kept as it is.
std::string foldCase(std::string_view text);

/// True when a and b name the same registry key.
inline bool sameName(std::string_view a, std::string_view b) {
    return foldCase(a) == foldCase(b);
}

} // namespace tavisk::desktop

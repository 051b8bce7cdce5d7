#pragma once
// UTF-8, the text of the registry's names and string data on this platform.
#include <cstddef>
#include <string>
#include <string_view>

namespace tavisk::registry {

/// Length of the well-formed UTF-8 sequence at text[at], with its code point
/// in c; 0 for a malformed, overlong, surrogate or out-of-range sequence.
std::size_t decodeUtf8(std::string_view text, std::size_t at, char32_t& c);

/// Appends the code point c as UTF-8.
void appendUtf8(std::string& out, char32_t c);

} // namespace tavisk::registry

#pragma once
// Text conversions between the store and .reg files. The store keeps text as
// UTF-8 bytes; a .reg file is UTF-16LE (the current format) or Windows-1252
// (REGEDIT4). Bytes of the store that are not valid UTF-8 travel as the lone
// code units U+DC80..U+DCFF, one per byte, so that every value survives an
// export and an import unchanged.
#include <optional>
#include <string>
#include <string_view>

namespace tavisk::regtool {

/// The code points of store bytes; each byte of an invalid UTF-8 sequence
/// becomes U+DC00 + byte.
std::u32string decodeStoreText(std::string_view bytes);

/// Store bytes of code points, U+DC80..U+DCFF turned back into their byte.
/// Nothing when another surrogate code point is among them, or when such
/// bytes would join into a character (the text would not come back as itself).
std::optional<std::string> encodeStoreText(std::u32string_view text);

/// UTF-16LE bytes; surrogate code points become their own single code unit.
std::string encodeUtf16Le(std::u32string_view text);

/// Code points of UTF-16LE bytes (an even count); surrogate pairs are joined,
/// unpaired surrogates kept as they are.
std::u32string decodeUtf16Le(std::string_view bytes);

/// Windows-1252 bytes, or nothing when a code point has no byte there.
/// position receives the index of the first such code point.
std::optional<std::string> encodeWindows1252(std::u32string_view text,
                                             std::size_t* position = nullptr);

/// Code points of Windows-1252 bytes. The five bytes the code page leaves
/// undefined map to the control characters of the same number.
std::u32string decodeWindows1252(std::string_view bytes);

/// UTF-8 of code points (surrogates encoded as three bytes each).
std::string toUtf8(std::u32string_view text);

/// "U+00E9" for messages.
std::string codePointName(char32_t c);

} // namespace tavisk::regtool

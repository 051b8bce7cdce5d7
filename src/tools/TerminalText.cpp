#include "TerminalText.h"

#include "Utf8.h"

#include <cstdint>
#include <optional>

namespace tavisk::regtool {
namespace {

/// The code point of the well-formed UTF-8 sequence at text[at], and its
/// length; nothing for a byte that does not start one.
std::optional<std::pair<char32_t, std::size_t>> decodeAt(std::string_view text, std::size_t at) {
    char32_t c = 0;
    const std::size_t length = registry::decodeUtf8(text, at, c);
    if (length == 0) {
        return std::nullopt;
    }
    return std::pair{c, length};
}

bool reordersText(char32_t c) {
    return c == 0x061C || c == 0x200E || c == 0x200F || (c >= 0x202A && c <= 0x202E) ||
           (c >= 0x2066 && c <= 0x2069);
}

bool isControl(char32_t c) {
    return c < 0x20 || c == 0x7F || (c >= 0x80 && c <= 0x9F);
}

std::string hex(std::uint32_t number, int digits) {
    static constexpr char Digits[] = "0123456789ABCDEF";
    std::string text(static_cast<std::size_t>(digits), '0');
    for (int i = digits - 1; i >= 0; --i, number >>= 4) {
        text[static_cast<std::size_t>(i)] = Digits[number & 0xF];
    }
    return text;
}

bool needsQuoting(std::string_view text) {
    if (text.starts_with("$'")) {
        return true;
    }
    for (std::size_t at = 0; at < text.size();) {
        const auto decoded = decodeAt(text, at);
        if (!decoded || isControl(decoded->first) || reordersText(decoded->first)) {
            return true;
        }
        at += decoded->second;
    }
    return false;
}

std::string escapedByte(unsigned char byte) {
    switch (byte) {
    case 0x1B:
        return "\\e";
    case '\a':
        return "\\a";
    case '\b':
        return "\\b";
    case '\t':
        return "\\t";
    case '\n':
        return "\\n";
    case '\v':
        return "\\v";
    case '\f':
        return "\\f";
    case '\r':
        return "\\r";
    default:
        return "\\x" + hex(byte, 2);
    }
}

} // namespace

std::string shownOnTerminal(std::string_view text) {
    if (!needsQuoting(text)) {
        return std::string(text);
    }
    std::string quoted = "$'";
    for (std::size_t at = 0; at < text.size();) {
        const auto decoded = decodeAt(text, at);
        if (!decoded) {
            quoted += "\\x" + hex(static_cast<unsigned char>(text[at]), 2);
            ++at;
            continue;
        }
        const char32_t c = decoded->first;
        if (c < 0x80 && isControl(c)) {
            quoted += escapedByte(static_cast<unsigned char>(c));
        } else if (isControl(c) || reordersText(c)) {
            quoted += "\\u" + hex(c, 4);
        } else if (c == '\\' || c == '\'') {
            quoted += '\\';
            quoted += static_cast<char>(c);
        } else {
            quoted += text.substr(at, decoded->second);
        }
        at += decoded->second;
    }
    return quoted + "'";
}

} // namespace tavisk::regtool

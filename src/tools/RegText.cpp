#include "RegText.h"

#include "Utf8.h"

#include <array>
#include <cstdio>

namespace tavisk::regtool {
namespace {

using registry::appendUtf8;
using registry::decodeUtf8;

constexpr char32_t EscapeBase = 0xDC00;

bool isSurrogate(char32_t c) {
    return c >= 0xD800 && c <= 0xDFFF;
}

/// Code points of the bytes 0x80..0x9F in Windows-1252.
constexpr std::array<char32_t, 32> HighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

std::optional<char> windows1252Byte(char32_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
        return static_cast<char>(c);
    }
    for (std::size_t i = 0; i < HighControls.size(); ++i) {
        if (HighControls[i] == c) {
            return static_cast<char>(0x80 + i);
        }
    }
    return std::nullopt;
}

} // namespace

std::u32string decodeStoreText(std::string_view bytes) {
    std::u32string text;
    text.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size();) {
        char32_t c = 0;
        const std::size_t length = decodeUtf8(bytes, i, c);
        if (length == 0) {
            text += EscapeBase + static_cast<unsigned char>(bytes[i]);
            ++i;
        } else {
            text += c;
            i += length;
        }
    }
    return text;
}

std::optional<std::string> encodeStoreText(std::u32string_view text) {
    std::string bytes;
    bytes.reserve(text.size());
    bool escapes = false;
    for (const char32_t c : text) {
        if (c >= EscapeBase + 0x80 && c <= EscapeBase + 0xFF) {
            bytes += static_cast<char>(c - EscapeBase);
            escapes = true;
        } else if (isSurrogate(c) || c > 0x10FFFF) {
            return std::nullopt;
        } else {
            appendUtf8(bytes, c);
        }
    }
    // Escaped bytes that join into well-formed UTF-8 would come back as
    // another text: such a text has no store bytes of its own.
    if (escapes && decodeStoreText(bytes) != text) {
        return std::nullopt;
    }
    return bytes;
}

std::string encodeUtf16Le(std::u32string_view text) {
    std::string bytes;
    bytes.reserve(text.size() * 2);
    const auto unit = [&bytes](char32_t u) {
        bytes += static_cast<char>(u & 0xFF);
        bytes += static_cast<char>((u >> 8) & 0xFF);
    };
    for (const char32_t c : text) {
        if (c >= 0x10000) {
            unit(0xD800 + ((c - 0x10000) >> 10));
            unit(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            unit(c);
        }
    }
    return bytes;
}

std::u32string decodeUtf16Le(std::string_view bytes) {
    std::u32string text;
    text.reserve(bytes.size() / 2);
    const auto unitAt = [&bytes](std::size_t i) {
        return static_cast<char32_t>(static_cast<unsigned char>(bytes[i]) |
                                     (static_cast<unsigned char>(bytes[i + 1]) << 8));
    };
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        const char32_t high = unitAt(i);
        if (high >= 0xD800 && high <= 0xDBFF && i + 3 < bytes.size()) {
            const char32_t low = unitAt(i + 2);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                text += 0x10000 + ((high - 0xD800) << 10) + (low - 0xDC00);
                i += 2;
                continue;
            }
        }
        text += high;
    }
    return text;
}

std::optional<std::string> encodeWindows1252(std::u32string_view text, std::size_t* position) {
    std::string bytes;
    bytes.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = windows1252Byte(text[i]);
        if (!byte) {
            if (position) {
                *position = i;
            }
            return std::nullopt;
        }
        bytes += *byte;
    }
    return bytes;
}

std::u32string decodeWindows1252(std::string_view bytes) {
    std::u32string text;
    text.reserve(bytes.size());
    for (const char b : bytes) {
        const auto byte = static_cast<unsigned char>(b);
        text += (byte >= 0x80 && byte <= 0x9F) ? HighControls[byte - 0x80] : char32_t{byte};
    }
    return text;
}

std::string toUtf8(std::u32string_view text) {
    std::string bytes;
    bytes.reserve(text.size());
    for (const char32_t c : text) {
        appendUtf8(bytes, c);
    }
    return bytes;
}

std::string codePointName(char32_t c) {
    char name[16];
    std::snprintf(name, sizeof name, "U+%04X", static_cast<unsigned>(c));
    return name;
}

} // namespace tavisk::regtool

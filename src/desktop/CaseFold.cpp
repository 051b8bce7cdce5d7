#include "CaseFold.h"

#include <cwctype>
#include <locale.h>

namespace tavisk::desktop {
namespace {

/// The C.UTF-8 locale's character tables: the same mapping for every user.
locale_t unicodeLocale() {
    static const locale_t locale = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(0));
    return locale;
}

/// Decodes one character at text[at]; returns its length, 0 when invalid.
std::size_t decode(std::string_view text, std::size_t at, char32_t& out) {
    const auto lead = static_cast<unsigned char>(text[at]);
    std::size_t length = lead < 0x80         ? 1
                         : (lead >> 5) == 6  ? 2
                         : (lead >> 4) == 14 ? 3
                         : (lead >> 3) == 30 ? 4
                                             : 0;
    if (length == 0 || at + length > text.size())
        return 0;
    char32_t value = length == 1 ? lead : lead & (0x7F >> length);
    for (std::size_t i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(text[at + i]);
        if ((next & 0xC0) != 0x80)
            return 0;
        value = (value << 6) | (next & 0x3F);
    }
    out = value;
    return length;
}

void encode(char32_t c, std::string& out) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

char32_t upper(char32_t c) {
    if (c < 0x80)
        return (c >= 'a' && c <= 'z') ? c - 32 : c;
    // Characters outside the Basic Multilingual Plane compare as they are.
    if (c > 0xFFFF || unicodeLocale() == static_cast<locale_t>(0))
        return c;
    return static_cast<char32_t>(towupper_l(static_cast<wint_t>(c), unicodeLocale()));
}

} // namespace

std::string foldCase(std::string_view text) {
    std::string folded;
    folded.reserve(text.size());
    std::size_t at = 0;
    while (at < text.size()) {
        char32_t c = 0;
        const std::size_t length = decode(text, at, c);
        if (length == 0) {
            folded += text[at++];
            continue;
        }
        encode(upper(c), folded);
        at += length;
    }
    return folded;
}

} // namespace tavisk::desktop

#include "RegistryNames.h"

#include "UnicodeUpper.h"

#include <algorithm>

namespace tavisk::registry {
namespace {

/// Decodes one well-formed UTF-8 sequence at text[pos], advancing pos; false
/// for malformed, overlong, surrogate or out-of-range sequences.
bool decodeOne(std::string_view text, std::size_t& pos, char32_t& c) {
    const auto lead = static_cast<unsigned char>(text[pos]);
    int extra = 0;
    char32_t min = 0;
    if (lead < 0x80) {
        c = lead;
        ++pos;
        return true;
    } else if ((lead & 0xE0) == 0xC0) {
        extra = 1, c = lead & 0x1F, min = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        extra = 2, c = lead & 0x0F, min = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        extra = 3, c = lead & 0x07, min = 0x10000;
    } else {
        return false;
    }
    if (pos + extra >= text.size()) {
        return false;
    }
    for (int i = 1; i <= extra; ++i) {
        const auto next = static_cast<unsigned char>(text[pos + i]);
        if ((next & 0xC0) != 0x80) {
            return false;
        }
        c = (c << 6) | (next & 0x3F);
    }
    pos += extra + 1;
    return c >= min && c <= 0x10FFFF && (c < 0xD800 || c > 0xDFFF);
}

void encodeOne(char32_t c, std::string& out) {
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

/// Checks one path component or value name and gives its fold.
LONG checkName(std::string_view name, std::size_t maxLength, std::string& fold) {
    auto folded = foldName(name);
    if (!folded || utf16Length(name) > maxLength) {
        return ERROR_INVALID_PARAMETER;
    }
    fold = std::move(*folded);
    return ERROR_SUCCESS;
}

} // namespace

std::optional<std::string> foldName(std::string_view name) {
    const bool ascii = std::all_of(name.begin(), name.end(),
                                   [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    if (ascii) {
        std::string fold(name);
        for (char& c : fold) {
            if (c >= 'a' && c <= 'z') {
                c = static_cast<char>(c - 32);
            }
        }
        return fold;
    }
    std::string fold;
    fold.reserve(name.size());
    std::size_t pos = 0;
    while (pos < name.size()) {
        const auto byte = static_cast<unsigned char>(name[pos]);
        if (byte < 0x80) {
            fold += static_cast<char>((byte >= 'a' && byte <= 'z') ? byte - 32 : byte);
            ++pos;
            continue;
        }
        char32_t c = 0;
        if (!decodeOne(name, pos, c)) {
            return std::nullopt;
        }
        encodeOne(simpleUpper(c), fold);
    }
    return fold;
}

std::size_t utf16Length(std::string_view name) {
    std::size_t units = 0;
    for (const char ch : name) {
        const auto byte = static_cast<unsigned char>(ch);
        if ((byte & 0xC0) != 0x80) {
            units += byte >= 0xF0 ? 2 : 1;
        }
    }
    return units;
}

LONG splitKeyPath(const char* path, std::vector<NamePart>& parts) {
    parts.clear();
    std::string_view rest = path ? path : "";
    if (!rest.empty() && rest.front() == '\\') {
        return ERROR_BAD_PATHNAME;
    }
    if (!rest.empty() && rest.back() == '\\') {
        rest.remove_suffix(1);
    }
    if (rest.empty()) {
        return ERROR_SUCCESS;
    }
    parts.reserve(static_cast<std::size_t>(std::count(rest.begin(), rest.end(), '\\')) + 1);
    for (;;) {
        const auto cut = rest.find('\\');
        const auto name = rest.substr(0, cut);
        if (name.empty()) {
            return ERROR_BAD_PATHNAME;
        }
        NamePart part{name, {}};
        if (const LONG result = checkName(name, MaxKeyNameLength, part.fold)) {
            return result;
        }
        parts.push_back(std::move(part));
        if (cut == std::string_view::npos) {
            break;
        }
        rest.remove_prefix(cut + 1);
    }
    return ERROR_SUCCESS;
}

LONG checkValueName(const char* name, std::string& fold) {
    return checkName(name ? std::string_view(name) : std::string_view(), MaxValueNameLength, fold);
}

} // namespace tavisk::registry

#include "RegistryNames.h"

#include "UnicodeUpper.h"
#include "Utf8.h"

#include <algorithm>

namespace tavisk::registry {
namespace {

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
        const std::size_t length = decodeUtf8(name, pos, c);
        if (length == 0) {
            return std::nullopt;
        }
        appendUtf8(fold, simpleUpper(c));
        pos += length;
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

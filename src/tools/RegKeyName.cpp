#include "RegKeyName.h"

#include <array>

namespace tavisk::regtool {
namespace {

struct RootSpelling {
    std::uint32_t root;
    std::string_view full;
    std::string_view abbreviation;
};

constexpr std::array<RootSpelling, 3> Roots = {{
    {0x80000000u, "HKEY_CLASSES_ROOT", "HKCR"},
    {0x80000001u, "HKEY_CURRENT_USER", "HKCU"},
    {0x80000002u, "HKEY_LOCAL_MACHINE", "HKLM"},
}};

bool equalsIgnoringAsciiCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i])) {
            return false;
        }
    }
    return true;
}

} // namespace

std::string KeyName::fullName() const {
    return path.empty() ? rootName(root) : rootName(root) + "\\" + path;
}

KeyName KeyName::child(const std::string& name) const {
    return {root, path.empty() ? name : path + "\\" + name};
}

std::string rootName(std::uint32_t root) {
    for (const auto& spelling : Roots) {
        if (spelling.root == root) {
            return std::string(spelling.full);
        }
    }
    return {};
}

std::optional<KeyName> parseKeyName(std::string_view text) {
    const auto separator = text.find('\\');
    const std::string_view head = text.substr(0, separator);
    for (const auto& spelling : Roots) {
        if (equalsIgnoringAsciiCase(head, spelling.full) ||
            equalsIgnoringAsciiCase(head, spelling.abbreviation)) {
            std::string path;
            if (separator != std::string_view::npos) {
                path = std::string(text.substr(separator + 1));
            }
            if (!path.empty() && path.back() == '\\') {
                path.pop_back();
            }
            return KeyName{spelling.root, path};
        }
    }
    return std::nullopt;
}

} // namespace tavisk::regtool

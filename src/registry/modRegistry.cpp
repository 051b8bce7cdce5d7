#include "modRegistry.h"

#include "RegistryApi.h"

#include <charconv>
#include <cstdio>
#include <limits>

namespace modRegistry {
namespace {

constexpr DWORD BufferSize = 2048;

HKEY RootHandle(std::uint32_t root) {
    return reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(static_cast<LONG>(root)));
}

std::string HexOf(const std::string& buffer, DWORD count) {
    static constexpr char digits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(count * 2);
    for (DWORD i = 0; i < count; ++i) {
        const auto byte = static_cast<unsigned char>(buffer[i]);
        text += digits[byte >> 4];
        text += digits[byte & 0x0F];
    }
    return text;
}

/// The whole unsigned value in decimal, at least three digits.
std::string DwordOf(const std::string& buffer, DWORD count) {
    std::uint32_t number = 0;
    for (DWORD i = 0; i < count && i < 4; ++i) {
        number |= static_cast<std::uint32_t>(static_cast<unsigned char>(buffer[i])) << (8 * i);
    }
    char text[16];
    std::snprintf(text, sizeof text, "%03u", number);
    return text;
}

/// The text less its last character: the terminator of string data, or the
/// last UTF-8 sequence of text stored without one.
std::string TextOf(const std::string& buffer, DWORD count) {
    if (count == 0) {
        return {};
    }
    std::size_t end = count - 1;
    while (end > 0 && (static_cast<unsigned char>(buffer[end]) & 0xC0) == 0x80) {
        --end;
    }
    return buffer.substr(0, end);
}

/// Data for a REG_DWORD write, as the 32-bit number it must fit in.
bool ToLong(const RegData& data, std::int32_t& number) {
    std::int64_t wide = 0;
    if (const auto* value = std::get_if<std::int64_t>(&data)) {
        wide = *value;
    } else {
        const auto& text = std::get<std::string>(data);
        const auto first = text.find_first_not_of(' ');
        const auto last = text.find_last_not_of(' ');
        if (first == std::string::npos) {
            return false;
        }
        const char* begin = text.data() + first;
        const char* end = text.data() + last + 1;
        if (*begin == '+') {
            ++begin;
        }
        const auto [ptr, ec] = std::from_chars(begin, end, wide);
        if (ec != std::errc() || ptr != end) {
            return false;
        }
    }
    if (wide < std::numeric_limits<std::int32_t>::min() ||
        wide > std::numeric_limits<std::int32_t>::max()) {
        return false;
    }
    number = static_cast<std::int32_t>(wide);
    return true;
}

std::string ToText(const RegData& data) {
    if (const auto* text = std::get_if<std::string>(&data)) {
        return *text;
    }
    return std::to_string(std::get<std::int64_t>(data));
}

} // namespace

std::string ReadRegValue(std::uint32_t root, std::string keyPath, std::string valueName) {
    HKEY key = nullptr;
    RegOpenKeyA(RootHandle(root), keyPath.c_str(), &key);
    std::string buffer(BufferSize, ' ');
    DWORD size = BufferSize;
    DWORD type = 0;
    const LONG result = RegQueryValueExA(key, valueName.c_str(), nullptr, &type,
                                         reinterpret_cast<LPBYTE>(buffer.data()), &size);
    std::string text = NotFound;
    if (result == ERROR_SUCCESS && size <= BufferSize) {
        if (type == REG_BINARY) {
            text = HexOf(buffer, size);
        } else if (type == REG_DWORD) {
            text = DwordOf(buffer, size);
        } else {
            text = TextOf(buffer, size);
        }
    }
    RegCloseKey(key);
    return text;
}

void WriteRegValue(std::uint32_t root, std::string keyPath, std::string valueName,
                   std::int32_t typeCode, RegData data) {
    HKEY key = nullptr;
    RegCreateKeyA(RootHandle(root), keyPath.c_str(), &key);
    if (typeCode == REG_DWORD_TYPE) {
        std::int32_t number = 0;
        if (ToLong(data, number)) {
            const auto bits = static_cast<std::uint32_t>(number);
            const BYTE bytes[4] = {static_cast<BYTE>(bits), static_cast<BYTE>(bits >> 8),
                                   static_cast<BYTE>(bits >> 16), static_cast<BYTE>(bits >> 24)};
            RegSetValueExA(key, valueName.c_str(), 0, REG_DWORD, bytes, 4);
        }
    } else {
        std::string text = ToText(data);
        if (typeCode == REG_SZ_TYPE) {
            text.push_back('\0');
        }
        RegSetValueExA(key, valueName.c_str(), 0, REG_SZ,
                       reinterpret_cast<const BYTE*>(text.data()), static_cast<DWORD>(text.size()));
    }
    RegFlushKey(key);
    RegCloseKey(key);
}

std::string EnumRegSubkey(std::uint32_t root, std::string keyPath, std::int32_t& index) {
    HKEY key = nullptr;
    RegOpenKeyA(RootHandle(root), keyPath.c_str(), &key);
    std::string buffer(BufferSize, ' ');
    const LONG result = RegEnumKeyA(key, static_cast<DWORD>(index), buffer.data(), BufferSize);
    std::string name = NotFound;
    if (result == ERROR_SUCCESS) {
        name = buffer.substr(0, buffer.find('\0'));
    }
    RegCloseKey(key);
    return name;
}

void DeleteRegKey(std::uint32_t root, std::string keyPath) {
    HKEY key = nullptr;
    RegOpenKeyExA(RootHandle(root), "", 0, KEY_ALL_ACCESS, &key);
    RegDeleteKeyA(key, keyPath.c_str());
    RegCloseKey(key);
}

bool RegKeyExists(std::uint32_t root, std::string keyPath) {
    HKEY key = nullptr;
    const LONG result = RegOpenKeyA(RootHandle(root), keyPath.c_str(), &key);
    RegCloseKey(key);
    return result == ERROR_SUCCESS;
}

} // namespace modRegistry

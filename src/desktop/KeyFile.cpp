#include "KeyFile.h"

namespace tavisk::desktop {
namespace {

std::string_view trimLeft(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    return text;
}

std::string_view trimRight(std::string_view text) {
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r'))
        text.remove_suffix(1);
    return text;
}

char unescaped(char code) {
    switch (code) {
    case 's':
        return ' ';
    case 'n':
        return '\n';
    case 't':
        return '\t';
    case 'r':
        return '\r';
    default:
        return code;
    }
}

std::vector<std::string> splitListImpl(std::string_view raw) {
    std::vector<std::string> items;
    std::string current;
    for (std::size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] == '\\' && i + 1 < raw.size()) {
            current += raw[i];
            current += raw[++i];
        } else if (raw[i] == ';') {
            items.push_back(unescapeValue(current));
            current.clear();
        } else {
            current += raw[i];
        }
    }
    if (!current.empty())
        items.push_back(unescapeValue(current));
    return items;
}

} // namespace

std::string escapeValue(std::string_view value) {
    std::string text;
    for (std::size_t i = 0; i < value.size(); ++i) {
        const char c = value[i];
        if (c == '\\')
            text += "\\\\";
        else if (c == '\n')
            text += "\\n";
        else if (c == '\t')
            text += "\\t";
        else if (c == '\r')
            text += "\\r";
        else if (c == ' ' && (i == 0 || i + 1 == value.size()))
            text += "\\s";
        else
            text += c;
    }
    return text;
}

std::string listValue(const std::vector<std::string>& items) {
    std::string text;
    for (const auto& item : items) {
        for (char c : escapeValue(item)) {
            if (c == ';')
                text += '\\';
            text += c;
        }
        text += ';';
    }
    return text;
}

std::string unescapeValue(std::string_view raw) {
    std::string text;
    for (std::size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] == '\\' && i + 1 < raw.size())
            text += unescaped(raw[++i]);
        else
            text += raw[i];
    }
    return text;
}

void KeyFileWriter::group(std::string_view name) {
    if (!m_text.empty())
        m_text += '\n';
    m_text += '[';
    m_text += name;
    m_text += "]\n";
}

void KeyFileWriter::raw(std::string_view key, std::string_view value) {
    m_text += key;
    m_text += '=';
    m_text += value;
    m_text += '\n';
}

KeyFile KeyFile::parse(std::string_view text) {
    KeyFile file;
    while (!text.empty()) {
        auto end = text.find('\n');
        std::string_view line = trimRight(text.substr(0, end));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        line = trimLeft(line);
        if (line.empty() || line.front() == '#')
            continue;
        if (line.front() == '[' && line.back() == ']') {
            file.m_groups.push_back({std::string(line.substr(1, line.size() - 2)), {}});
            continue;
        }
        auto equals = line.find('=');
        if (equals == std::string_view::npos || file.m_groups.empty())
            continue;
        file.m_groups.back().entries.emplace_back(std::string(trimRight(line.substr(0, equals))),
                                                  std::string(trimLeft(line.substr(equals + 1))));
    }
    return file;
}

std::string KeyFile::firstGroup() const {
    return m_groups.empty() ? std::string() : m_groups.front().name;
}

std::optional<std::string> KeyFile::value(std::string_view group, std::string_view key) const {
    for (const auto& g : m_groups) {
        if (g.name != group)
            continue;
        for (const auto& [k, raw] : g.entries)
            if (k == key)
                return unescapeValue(raw);
    }
    return std::nullopt;
}

std::vector<std::string> KeyFile::list(std::string_view group, std::string_view key) const {
    for (const auto& g : m_groups) {
        if (g.name != group)
            continue;
        for (const auto& [k, raw] : g.entries)
            if (k == key)
                return listItems(raw);
    }
    return {};
}

std::vector<std::string> listItems(std::string_view raw) {
    return splitListImpl(raw);
}

} // namespace tavisk::desktop

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

namespace {

/// Appends value escaped as a string; in a list item ";" is escaped too.
/// Runs of ordinary characters are copied whole.
void appendEscaped(std::string& text, std::string_view value, bool listItem) {
    auto isSpecial = [listItem](char c) {
        return c == '\\' || c == '\n' || c == '\t' || c == '\r' || (listItem && c == ';');
    };
    std::size_t start = 0;
    if (!value.empty() && value.front() == ' ') {
        text += "\\s";
        start = 1;
    }
    const bool blankAtEnd = value.size() > start && value.back() == ' ';
    const std::size_t end = blankAtEnd ? value.size() - 1 : value.size();
    while (start < end) {
        std::size_t next = start;
        while (next < end && !isSpecial(value[next]))
            ++next;
        text.append(value, start, next - start);
        if (next == end)
            break;
        switch (value[next]) {
        case '\n':
            text += "\\n";
            break;
        case '\t':
            text += "\\t";
            break;
        case '\r':
            text += "\\r";
            break;
        default:
            text += '\\';
            text += value[next];
        }
        start = next + 1;
    }
    if (blankAtEnd)
        text += "\\s";
}

} // namespace

std::string escapeValue(std::string_view value) {
    std::string text;
    text.reserve(value.size());
    appendEscaped(text, value, false);
    return text;
}

std::string listValue(const std::vector<std::string>& items) {
    std::size_t size = 0;
    for (const auto& item : items)
        size += item.size() + 1;
    std::string text;
    text.reserve(size);
    for (const auto& item : items) {
        appendEscaped(text, item, true);
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

#pragma once
// Key files as desktop entries and the file managers' action files use them:
// "[Group]" headers, "Key=Value" lines, string escapes (\s \n \t \r \\) and
// lists ending each item with ";". Our own small reader and writer, which keep
// every list item and every escape intact.
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tavisk::desktop {

/// A string value as a key file stores it.
std::string escapeValue(std::string_view value);

/// A list value: each item escaped (";" as "\;") and followed by ";".
std::string listValue(const std::vector<std::string>& items);

/// Builds a key file line by line.
class KeyFileWriter final {
public:
    void group(std::string_view name);
    /// Key=value with the value written as given (already escaped).
    void raw(std::string_view key, std::string_view value);
    /// Key=value with the value escaped as a string.
    void string(std::string_view key, std::string_view value) { raw(key, escapeValue(value)); }
    void list(std::string_view key, const std::vector<std::string>& items) {
        raw(key, listValue(items));
    }
    const std::string& text() const { return m_text; }

private:
    std::string m_text;
};

/// A parsed key file; lines it does not understand are skipped.
class KeyFile final {
public:
    static KeyFile parse(std::string_view text);

    /// The first group's name, empty when there is none.
    std::string firstGroup() const;
    /// The value of key in group, unescaped; nothing when absent.
    std::optional<std::string> value(std::string_view group, std::string_view key) const;
    /// A list value's items, unescaped.
    std::vector<std::string> list(std::string_view group, std::string_view key) const;

private:
    struct Group {
        std::string name;
        std::vector<std::pair<std::string, std::string>> entries; ///< key, raw value
    };
    std::vector<Group> m_groups;
};

/// The items of a list value's raw (escaped) text, unescaped.
std::vector<std::string> listItems(std::string_view raw);

/// The raw (escaped) text of a value unescaped as a string.
std::string unescapeValue(std::string_view raw);

} // namespace tavisk::desktop

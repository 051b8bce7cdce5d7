#pragma once
// Key files (desktop entries, mimeapps.list, the file managers' action files)
// read and written through GLib's GKeyFile: the parser every GTK file manager
// uses, so that what the bridge writes is what they read, and what it reads is
// what they see (a duplicated group is one group, a duplicated key has its
// last value).
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

typedef struct _GKeyFile GKeyFile;

namespace tavisk::desktop {

class KeyFile final {
public:
    /// An empty key file, to be filled and written.
    KeyFile();
    /// The text as GLib reads it, comments kept; nothing when GLib refuses it
    /// (error then says why).
    static std::optional<KeyFile> parse(std::string_view text, std::string* error = nullptr);

    bool hasGroup(const std::string& group) const;
    /// The groups, in file order.
    std::vector<std::string> groups() const;
    /// The group's keys, each once, in file order.
    std::vector<std::string> keys(const std::string& group) const;
    /// A string value, unescaped; nothing when absent.
    std::optional<std::string> value(const std::string& group, const std::string& key) const;
    /// A value as written, escapes and all; nothing when absent.
    std::optional<std::string> rawValue(const std::string& group, const std::string& key) const;
    /// A list value's items, unescaped; nothing when absent.
    std::optional<std::vector<std::string>> list(const std::string& group,
                                                 const std::string& key) const;

    /// Creates the group (at the end) when it is missing.
    void addGroup(const std::string& group);
    /// key=value with the value written as given.
    void setRaw(const std::string& group, const std::string& key, const std::string& value);
    /// key=value with the value escaped as a string.
    void setString(const std::string& group, const std::string& key, const std::string& value);
    /// key=value with the items escaped and each followed by ";".
    void setList(const std::string& group, const std::string& key,
                 const std::vector<std::string>& items);
    /// Removes the key's line (GLib's: the last, when the key is duplicated).
    void removeKey(const std::string& group, const std::string& key);
    /// True when a key appears more than once in a group.
    bool hasDuplicateKeys() const;
    /// The file as GLib reads it, one line per key with the value GLib reads,
    /// comments kept. GLib's own edits of a duplicated key go astray (removing
    /// it brings an earlier line back), so an editor starts from this.
    KeyFile rebuilt() const;
    void removeGroup(const std::string& group);

    /// The file's text, as GLib writes it.
    std::string text() const;

private:
    struct Free {
        void operator()(GKeyFile* file) const;
    };
    std::unique_ptr<GKeyFile, Free> m_file;
};

} // namespace tavisk::desktop

#include "KeyFile.h"

#include <glib.h>

#include <algorithm>

namespace tavisk::desktop {
namespace {

/// Takes ownership of a string GLib allocated.
std::string take(gchar* text) {
    std::string result = text ? text : "";
    g_free(text);
    return result;
}

std::vector<std::string> takeList(gchar** items, gsize length) {
    std::vector<std::string> result(items, items + length);
    g_strfreev(items);
    return result;
}

/// Every key line of the group, duplicates included, in file order.
std::vector<std::string> keyLines(GKeyFile* file, const std::string& group) {
    gsize length = 0;
    gchar** keys = g_key_file_get_keys(file, group.c_str(), &length, nullptr);
    return keys ? takeList(keys, length) : std::vector<std::string>{};
}

} // namespace

void KeyFile::Free::operator()(GKeyFile* file) const {
    g_key_file_free(file);
}

KeyFile::KeyFile() : m_file(g_key_file_new()) {}

std::optional<KeyFile> KeyFile::parse(std::string_view text, std::string* error) {
    KeyFile file;
    GError* failure = nullptr;
    if (!g_key_file_load_from_data(
            file.m_file.get(), text.data(), text.size(),
            static_cast<GKeyFileFlags>(G_KEY_FILE_KEEP_COMMENTS | G_KEY_FILE_KEEP_TRANSLATIONS),
            &failure)) {
        if (error)
            *error = failure ? failure->message : "GLib cannot read it";
        g_clear_error(&failure);
        return std::nullopt;
    }
    return file;
}

bool KeyFile::hasGroup(const std::string& group) const {
    return g_key_file_has_group(m_file.get(), group.c_str());
}

std::vector<std::string> KeyFile::keys(const std::string& group) const {
    std::vector<std::string> names;
    for (auto& key : keyLines(m_file.get(), group))
        if (std::find(names.begin(), names.end(), key) == names.end())
            names.push_back(std::move(key));
    return names;
}

std::optional<std::string> KeyFile::value(const std::string& group, const std::string& key) const {
    gchar* text = g_key_file_get_string(m_file.get(), group.c_str(), key.c_str(), nullptr);
    if (!text)
        return std::nullopt;
    return take(text);
}

std::vector<std::string> KeyFile::groups() const {
    gsize length = 0;
    gchar** groups = g_key_file_get_groups(m_file.get(), &length);
    return takeList(groups, length);
}

std::optional<std::string> KeyFile::rawValue(const std::string& group,
                                             const std::string& key) const {
    gchar* text = g_key_file_get_value(m_file.get(), group.c_str(), key.c_str(), nullptr);
    if (!text)
        return std::nullopt;
    return take(text);
}

std::optional<std::vector<std::string>> KeyFile::list(const std::string& group,
                                                      const std::string& key) const {
    if (!g_key_file_has_key(m_file.get(), group.c_str(), key.c_str(), nullptr))
        return std::nullopt;
    gsize length = 0;
    gchar** items =
        g_key_file_get_string_list(m_file.get(), group.c_str(), key.c_str(), &length, nullptr);
    if (!items)
        return std::vector<std::string>{};
    return takeList(items, length);
}

void KeyFile::addGroup(const std::string& group) {
    if (hasGroup(group))
        return;
    // GLib makes a group by its first key; a comment-only key is not possible,
    // so a placeholder key is set and taken out again.
    g_key_file_set_value(m_file.get(), group.c_str(), "X-Tavisk-Placeholder", "");
    g_key_file_remove_key(m_file.get(), group.c_str(), "X-Tavisk-Placeholder", nullptr);
}

void KeyFile::setRaw(const std::string& group, const std::string& key, const std::string& value) {
    g_key_file_set_value(m_file.get(), group.c_str(), key.c_str(), value.c_str());
}

void KeyFile::setString(const std::string& group, const std::string& key,
                        const std::string& value) {
    g_key_file_set_string(m_file.get(), group.c_str(), key.c_str(), value.c_str());
}

void KeyFile::setList(const std::string& group, const std::string& key,
                      const std::vector<std::string>& items) {
    std::vector<const gchar*> pointers;
    for (const auto& item : items)
        pointers.push_back(item.c_str());
    g_key_file_set_string_list(m_file.get(), group.c_str(), key.c_str(), pointers.data(),
                               pointers.size());
}

void KeyFile::removeKey(const std::string& group, const std::string& key) {
    g_key_file_remove_key(m_file.get(), group.c_str(), key.c_str(), nullptr);
}

bool KeyFile::hasDuplicateKeys() const {
    gsize count = 0;
    gchar** groups = g_key_file_get_groups(m_file.get(), &count);
    bool duplicated = false;
    for (const auto& group : takeList(groups, count))
        duplicated = duplicated || keyLines(m_file.get(), group).size() != keys(group).size();
    return duplicated;
}

KeyFile KeyFile::rebuilt() const {
    KeyFile copy;
    GKeyFile* to = copy.m_file.get();
    GKeyFile* from = m_file.get();
    auto copyComment = [&](const gchar* group, const gchar* key) {
        gchar* comment = g_key_file_get_comment(from, group, key, nullptr);
        if (comment && *comment)
            g_key_file_set_comment(to, group, key, comment, nullptr);
        g_free(comment);
    };
    gsize count = 0;
    gchar** groups = g_key_file_get_groups(from, &count);
    bool first = true;
    for (const auto& group : takeList(groups, count)) {
        copy.addGroup(group);
        // Above the first group, GLib's group comment is the file's top comment.
        if (!first)
            copyComment(group.c_str(), nullptr);
        first = false;
        for (const auto& key : keys(group)) {
            copy.setRaw(group, key,
                        take(g_key_file_get_value(from, group.c_str(), key.c_str(), nullptr)));
            copyComment(group.c_str(), key.c_str());
        }
    }
    copyComment(nullptr, nullptr);
    return copy;
}

void KeyFile::removeGroup(const std::string& group) {
    g_key_file_remove_group(m_file.get(), group.c_str(), nullptr);
}

std::string KeyFile::text() const {
    return take(g_key_file_to_data(m_file.get(), nullptr, nullptr));
}

} // namespace tavisk::desktop

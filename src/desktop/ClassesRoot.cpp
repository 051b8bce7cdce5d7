#include "ClassesRoot.h"

#include "CaseFold.h"
#include "RegistryApi.h"

#include <algorithm>
#include <set>

namespace tavisk::desktop {
namespace {

/// An open key, closed when it goes out of scope.
class OpenKey final {
public:
    OpenKey(HKEY parent, const std::string& path) {
        if (RegOpenKeyExA(parent, path.c_str(), 0, KEY_READ, &m_key) != ERROR_SUCCESS)
            m_key = nullptr;
    }
    /// A key below another open key.
    OpenKey(const OpenKey& parent, const std::string& path) : OpenKey(parent.m_key, path) {}
    ~OpenKey() {
        if (m_key)
            RegCloseKey(m_key);
    }
    OpenKey(const OpenKey&) = delete;
    OpenKey& operator=(const OpenKey&) = delete;

    explicit operator bool() const { return m_key != nullptr; }

    std::vector<std::string> subkeys() const {
        std::vector<std::string> names;
        char name[2048];
        for (DWORD index = 0;; ++index) {
            LONG status = RegEnumKeyA(m_key, index, name, sizeof name);
            if (status == ERROR_MORE_DATA)
                continue;
            if (status != ERROR_SUCCESS)
                break;
            names.emplace_back(name);
        }
        return names;
    }

    std::optional<std::string> string(const char* valueName) const {
        // Most values fit a small buffer: one query then, two when one is longer.
        std::string data(256, '\0');
        DWORD type = 0;
        DWORD size = static_cast<DWORD>(data.size());
        LONG status = RegQueryValueExA(m_key, valueName, nullptr, &type,
                                       reinterpret_cast<LPBYTE>(data.data()), &size);
        if (status == ERROR_MORE_DATA) {
            data.assign(size, '\0');
            status = RegQueryValueExA(m_key, valueName, nullptr, &type,
                                      reinterpret_cast<LPBYTE>(data.data()), &size);
        }
        if (status != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ))
            return std::nullopt;
        data.resize(std::min<std::size_t>(size, data.size()));
        while (!data.empty() && data.back() == '\0')
            data.pop_back();
        return data;
    }

private:
    HKEY m_key = nullptr;
};

bool isMimeChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
           std::string_view("!#$&^_.+-").find(c) != std::string_view::npos;
}

void addUnique(std::vector<std::string>& list, const std::string& item) {
    for (const auto& existing : list)
        if (sameName(existing, item))
            return;
    list.push_back(item);
}

} // namespace

std::vector<std::string> classNames() {
    OpenKey root(HKEY_CLASSES_ROOT, "");
    return root ? root.subkeys() : std::vector<std::string>{};
}

namespace {

/// Adds the verbs of one type whose caption keep() takes.
template <class Keep>
void addVerbsOfType(const std::string& type, const Keep& keep, std::vector<ShellVerb>& verbs) {
    OpenKey shell(HKEY_CLASSES_ROOT, type + "\\Shell");
    if (!shell)
        return;
    for (const auto& caption : shell.subkeys()) {
        if (!keep(caption))
            continue;
        OpenKey command(shell, caption + "\\Command");
        if (!command)
            continue;
        if (auto text = command.string(""))
            verbs.push_back({type, caption, *text});
    }
}

bool anyCaption(const std::string&) {
    return true;
}

} // namespace

std::vector<ShellVerb> verbsOfType(const std::string& type) {
    std::vector<ShellVerb> verbs;
    addVerbsOfType(type, anyCaption, verbs);
    return verbs;
}

std::vector<ShellVerb> verbsOfCaptions(const std::set<std::string>& foldedCaptions) {
    std::vector<ShellVerb> verbs;
    if (foldedCaptions.empty())
        return verbs;
    const auto listed = [&](const std::string& caption) {
        return foldedCaptions.count(foldCase(caption)) != 0;
    };
    for (const auto& type : classNames())
        addVerbsOfType(type, listed, verbs);
    return verbs;
}

std::vector<ShellVerb> allVerbs() {
    std::vector<ShellVerb> verbs;
    for (const auto& type : classNames())
        addVerbsOfType(type, anyCaption, verbs);
    return verbs;
}

std::optional<std::string> classValue(const std::string& key, const char* valueName) {
    OpenKey open(HKEY_CLASSES_ROOT, key);
    if (!open)
        return std::nullopt;
    return open.string(valueName);
}

bool looksLikeMimeType(const std::string& text) {
    const auto slash = text.find('/');
    if (slash == std::string::npos || slash == 0 || slash + 1 == text.size() ||
        text.find('/', slash + 1) != std::string::npos)
        return false;
    return std::all_of(text.begin(), text.end(), [](char c) { return c == '/' || isMimeChar(c); });
}

TypeMap TypeMap::read() {
    TypeMap map;
    for (const auto& name : classNames()) {
        if (name.size() < 2 || name.front() != '.')
            continue;
        OpenKey key(HKEY_CLASSES_ROOT, name);
        if (key)
            map.addExtension(name, key.string("").value_or(""),
                             key.string("Content Type").value_or(""));
    }
    return map;
}

TypeMap::Extension TypeMap::parseExtension(const std::string& key, const std::string& defaultValue,
                                           const std::string& contentType) {
    Extension extension{key, "", ""};
    if (looksLikeMimeType(contentType))
        extension.mimeType = contentType;
    else if (looksLikeMimeType(defaultValue))
        extension.mimeType = defaultValue;
    if (!defaultValue.empty() && !looksLikeMimeType(defaultValue))
        extension.className = defaultValue;
    return extension;
}

std::pair<std::string, std::string> TypeMap::namesOf(const std::string& extension) const {
    auto found = m_byKey.find(foldCase(extension));
    if (found == m_byKey.end())
        return {};
    const auto& known = m_extensions[found->second];
    return {known.mimeType, known.className};
}

void TypeMap::addExtension(const std::string& key, const std::string& defaultValue,
                           const std::string& contentType) {
    const Extension extension = parseExtension(key, defaultValue, contentType);
    const std::size_t index = m_extensions.size();
    m_extensions.push_back(extension);
    m_byKey[foldCase(key)] = index;
    if (!extension.mimeType.empty())
        m_byMimeType.emplace(foldCase(extension.mimeType), index);
    if (!extension.className.empty())
        m_byClassName.emplace(foldCase(extension.className), index);
}

TypeMap::Meaning TypeMap::resolveExtension(const Extension& extension) const {
    Meaning meaning;
    if (!extension.mimeType.empty())
        meaning.mimeTypes.push_back(extension.mimeType);
    meaning.extensions.push_back(extension.key);
    return meaning;
}

TypeMap::Meaning TypeMap::resolve(const std::string& type) const {
    const std::string folded = foldCase(type);
    if (!type.empty() && type.front() == '.') {
        auto found = m_byKey.find(folded);
        return found == m_byKey.end() ? Meaning{{}, {type}}
                                      : resolveExtension(m_extensions[found->second]);
    }
    Meaning meaning;
    if (looksLikeMimeType(type)) {
        meaning.mimeTypes.push_back(type);
        auto [first, last] = m_byMimeType.equal_range(folded);
        for (auto it = first; it != last; ++it)
            addUnique(meaning.extensions, m_extensions[it->second].key);
        return meaning;
    }
    auto [first, last] = m_byClassName.equal_range(folded);
    for (auto it = first; it != last; ++it) {
        const auto& extension = m_extensions[it->second];
        if (!extension.mimeType.empty())
            addUnique(meaning.mimeTypes, extension.mimeType);
        addUnique(meaning.extensions, extension.key);
    }
    return meaning;
}

} // namespace tavisk::desktop

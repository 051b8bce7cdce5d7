#include "MimeImport.h"

#include "RegistryApi.h"
#include "RegistryStore.h"
#include "Utf8.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <string_view>
#include <tuple>

namespace tavisk::registry {
namespace {

namespace fs = std::filesystem;

// ------------------------------------------------------------------ files

std::optional<std::string> readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    std::ostringstream text;
    text << in.rdbuf();
    return std::move(text).str();
}

/// Calls each(line, number) for every line of a file that is neither empty
/// nor a comment. False when the file cannot be read.
template <typename Each> bool forEachLine(const fs::path& path, Each each) {
    const auto text = readFile(path);
    if (!text) {
        return false;
    }
    std::string_view rest = *text;
    for (int number = 1; !rest.empty(); ++number) {
        const auto end = rest.find('\n');
        std::string_view line = rest.substr(0, end);
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        if (!line.empty() && line.front() != '#') {
            each(line, number);
        }
    }
    return true;
}

std::string lowerAscii(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return text;
}

std::string trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos) {
        return {};
    }
    return std::string(text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1));
}

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

// ------------------------------------------------------------- XML comments

/// The <comment> texts of a MIME-type XML file, by xml:lang ("" untranslated).
/// A small reader for the files update-mime-database writes: elements,
/// attributes, comments, processing instructions, CDATA and the predefined and
/// numeric entities.
class CommentReader final {
public:
    explicit CommentReader(std::string_view xml) : m_xml(xml) {}

    /// False when the file is not well formed enough to be read.
    bool read(std::map<std::string, std::string>& comments) {
        int depth = 0;
        std::optional<std::string> language; // set while inside a <comment> of the root
        std::string text;
        while (m_pos < m_xml.size()) {
            const auto open = m_xml.find('<', m_pos);
            const auto textEnd = open == std::string_view::npos ? m_xml.size() : open;
            if (language) {
                text += decodeEntities(m_xml.substr(m_pos, textEnd - m_pos));
            }
            if (open == std::string_view::npos) {
                break;
            }
            m_pos = open;
            if (skipMarkup(language ? &text : nullptr)) {
                continue;
            }
            const auto close = m_xml.find('>', m_pos);
            if (close == std::string_view::npos) {
                return false;
            }
            const std::string_view tag = m_xml.substr(m_pos + 1, close - m_pos - 1);
            m_pos = close + 1;
            if (!tag.empty() && tag.front() == '/') {
                if (--depth == 1 && language) {
                    comments[*language] = trimmed(text);
                    language.reset();
                }
                continue;
            }
            const bool empty = !tag.empty() && tag.back() == '/';
            if (depth == 1 && elementName(tag) == "comment" && !empty) {
                language = attribute(tag, "xml:lang");
                text.clear();
            }
            if (!empty) {
                ++depth;
            }
        }
        return depth == 0 && !language;
    }

private:
    /// Skips <?...?>, <!--...-->, <!DOCTYPE ...>; appends CDATA to text.
    bool skipMarkup(std::string* text) {
        const auto skipTo = [this](std::string_view end) {
            const auto at = m_xml.find(end, m_pos);
            m_pos = at == std::string_view::npos ? m_xml.size() : at + end.size();
        };
        const std::string_view rest = m_xml.substr(m_pos);
        if (rest.starts_with("<?")) {
            skipTo("?>");
        } else if (rest.starts_with("<!--")) {
            skipTo("-->");
        } else if (rest.starts_with("<![CDATA[")) {
            const auto end = rest.find("]]>");
            if (text) {
                *text += rest.substr(9, end == std::string_view::npos ? end : end - 9);
            }
            skipTo("]]>");
        } else if (rest.starts_with("<!")) {
            skipTo(">");
        } else {
            return false;
        }
        return true;
    }

    static std::string_view elementName(std::string_view tag) {
        const auto end = tag.find_first_of(" \t\r\n/");
        return tag.substr(0, end);
    }

    /// The value of an attribute of a start tag, or "" when it is absent.
    static std::string attribute(std::string_view tag, std::string_view name) {
        std::size_t at = 0;
        while ((at = tag.find(name, at)) != std::string_view::npos) {
            const bool startsWord = at > 0 && (tag[at - 1] == ' ' || tag[at - 1] == '\t' ||
                                               tag[at - 1] == '\n' || tag[at - 1] == '\r');
            auto pos = tag.find_first_not_of(" \t\r\n", at + name.size());
            if (startsWord && pos != std::string_view::npos && tag[pos] == '=') {
                pos = tag.find_first_not_of(" \t\r\n", pos + 1);
                if (pos != std::string_view::npos && (tag[pos] == '"' || tag[pos] == '\'')) {
                    const auto end = tag.find(tag[pos], pos + 1);
                    if (end != std::string_view::npos) {
                        return decodeEntities(tag.substr(pos + 1, end - pos - 1));
                    }
                }
            }
            at += name.size();
        }
        return {};
    }

    static std::string decodeEntities(std::string_view text) {
        std::string out;
        out.reserve(text.size());
        for (std::size_t i = 0; i < text.size(); ++i) {
            const auto end = text[i] == '&' ? text.find(';', i) : std::string_view::npos;
            if (end == std::string_view::npos) {
                out += text[i];
                continue;
            }
            const std::string_view name = text.substr(i + 1, end - i - 1);
            static const std::map<std::string_view, char> named = {
                {"lt", '<'}, {"gt", '>'}, {"amp", '&'}, {"quot", '"'}, {"apos", '\''}};
            if (const auto found = named.find(name); found != named.end()) {
                out += found->second;
            } else if (name.size() > 1 && name[0] == '#') {
                const bool hex = name[1] == 'x' || name[1] == 'X';
                const std::string digits(name.substr(hex ? 2 : 1));
                char* stop = nullptr;
                const unsigned long c = std::strtoul(digits.c_str(), &stop, hex ? 16 : 10);
                if (digits.empty() || *stop != '\0' || c == 0 || c > 0x10FFFF ||
                    (c >= 0xD800 && c <= 0xDFFF)) {
                    out += text.substr(i, end - i + 1);
                } else {
                    appendUtf8(out, static_cast<char32_t>(c));
                }
            } else {
                out += text.substr(i, end - i + 1);
            }
            i = end;
        }
        return out;
    }

    std::string_view m_xml;
    std::size_t m_pos = 0;
};

// ------------------------------------------------------------------- globs

struct Glob {
    int weight = 50;
    std::string type;
    std::string extension; ///< the pattern less its leading "*."
    bool caseSensitive = false;
    int folderRank = 0; ///< higher is more important
    int order = 0;      ///< position in its file
};

/// "*.ext" with no other wildcard, and usable as a key name.
std::optional<std::string> simpleExtension(std::string_view pattern) {
    if (pattern.size() < 3 || !pattern.starts_with("*.")) {
        return std::nullopt;
    }
    const std::string_view extension = pattern.substr(2);
    if (extension.find_first_of("*?[\\") != std::string_view::npos) {
        return std::nullopt;
    }
    return std::string(extension);
}

/// Splits "weight:type:pattern[:flags[:more]]" into its first four fields;
/// fields after the flags are for later versions of the format.
std::vector<std::string_view> fields(std::string_view line) {
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    while (parts.size() < 4) {
        const auto end = line.find(':', start);
        parts.push_back(line.substr(start, end == std::string_view::npos ? end : end - start));
        if (end == std::string_view::npos) {
            break;
        }
        start = end + 1;
    }
    return parts;
}

bool hasFlag(std::string_view flags, std::string_view flag) {
    while (!flags.empty()) {
        const auto end = flags.find(',');
        if (flags.substr(0, end) == flag) {
            return true;
        }
        flags = end == std::string_view::npos ? std::string_view() : flags.substr(end + 1);
    }
    return false;
}

// ------------------------------------------------------------------- icons

/// Names of the MIME-type icons the icon themes beside a database provide
/// (THEME/SIZE/mimetypes/NAME.ext and THEME/mimetypes/SIZE/NAME.ext).
void collectThemeIcons(const fs::path& iconsFolder, std::set<std::string>& names) {
    std::error_code error;
    const auto addIcons = [&names](const fs::path& folder) {
        std::error_code ignored;
        for (const auto& file : fs::directory_iterator(folder, ignored)) {
            names.insert(file.path().stem().string());
        }
    };
    for (const auto& theme : fs::directory_iterator(iconsFolder, error)) {
        std::error_code ignored;
        for (const auto& sub : fs::directory_iterator(theme.path(), ignored)) {
            if (sub.path().filename() == "mimetypes") {
                for (const auto& size : fs::directory_iterator(sub.path(), ignored)) {
                    addIcons(size.path());
                }
            } else {
                addIcons(sub.path() / "mimetypes");
            }
        }
    }
}

// ---------------------------------------------------------------- the read

/// Gathers the database folder by folder, least important first.
class DatabaseReader final {
public:
    explicit DatabaseReader(std::vector<std::string> languages)
        : m_languages(std::move(languages)) {}

    void readFolder(const fs::path& folder, int rank) {
        const bool found = forEachLine(folder / "types", [this](std::string_view line, int) {
            if (auto name = trimmed(line); !name.empty()) {
                m_types.emplace(std::move(name), MimeType{});
            }
        });
        if (!found) {
            return;
        }
        m_folders.push_back(folder);
        readGlobs(folder, rank);
        readIconList(folder / "icons", m_icons);
        readIconList(folder / "generic-icons", m_genericIcons);
        collectThemeIcons(folder.parent_path() / "icons", m_themeIcons);
    }

    MimeDatabase finish() {
        MimeDatabase database;
        for (auto it = m_folders.rbegin(); it != m_folders.rend(); ++it) {
            database.folders.push_back(it->string());
        }
        for (auto& [name, type] : m_types) {
            type.name = name;
            readDescription(type);
            type.icon = iconOf(name);
            database.types.push_back(std::move(type));
        }
        database.extensions = extensionOwners();
        database.warnings = std::move(m_warnings);
        return database;
    }

private:
    void warn(const fs::path& file, int line, const std::string& what) {
        m_warnings.push_back(file.string() + ":" + std::to_string(line) + ": " + what);
    }

    void readGlobs(const fs::path& folder, int rank) {
        std::vector<Glob> globs;
        std::set<std::string> discarded;
        const fs::path file = folder / "globs2";
        forEachLine(file, [&](std::string_view line, int number) {
            const auto parts = fields(line);
            if (parts.size() < 3 || parts[1].empty()) {
                warn(file, number, "not a weight:type:pattern line");
                return;
            }
            if (parts[2] == "__NOGLOBS__") {
                discarded.emplace(parts[1]);
                return;
            }
            const auto extension = simpleExtension(parts[2]);
            char* end = nullptr;
            const std::string weight(parts[0]);
            const long value = std::strtol(weight.c_str(), &end, 10);
            if (weight.empty() || *end != '\0') {
                warn(file, number, "the weight is not a number");
                return;
            }
            if (extension) {
                const bool cs = parts.size() > 3 && hasFlag(parts[3], "cs");
                globs.push_back(
                    {static_cast<int>(value), std::string(parts[1]), *extension, cs, rank, number});
            }
        });
        std::erase_if(m_globs, [&discarded](const Glob& g) { return discarded.contains(g.type); });
        m_globs.insert(m_globs.end(), globs.begin(), globs.end());
    }

    void readIconList(const fs::path& file, std::map<std::string, std::string>& icons) {
        forEachLine(file, [&](std::string_view line, int number) {
            const auto colon = line.find(':');
            if (colon == std::string_view::npos || colon == 0 || colon + 1 == line.size()) {
                warn(file, number, "not a type:icon line");
                return;
            }
            icons[std::string(line.substr(0, colon))] = std::string(line.substr(colon + 1));
        });
    }

    /// The comments of every folder's XML file of the type, the more important
    /// folder's text winning for each language; then the best language.
    void readDescription(MimeType& type) {
        std::map<std::string, std::string> comments;
        const std::string fileName = lowerAscii(type.name) + ".xml";
        for (const auto& folder : m_folders) {
            const auto xml = readFile(folder / fileName);
            if (xml && !CommentReader(*xml).read(comments)) {
                m_warnings.push_back((folder / fileName).string() + ": not well-formed XML");
            }
        }
        for (const auto& language : m_languages) {
            if (const auto found = comments.find(language); found != comments.end()) {
                type.description = found->second;
                type.hasDescription = true;
                return;
            }
        }
        if (const auto found = comments.find(""); found != comments.end()) {
            type.description = found->second;
            type.hasDescription = true;
        }
    }

    /// The icon element's name; else the type's own icon when a theme has
    /// it; else the generic icon.
    std::string iconOf(const std::string& type) const {
        if (const auto found = m_icons.find(type); found != m_icons.end()) {
            return found->second;
        }
        std::string specific = type;
        std::replace(specific.begin(), specific.end(), '/', '-');
        if (m_themeIcons.contains(specific)) {
            return specific;
        }
        if (const auto found = m_genericIcons.find(type); found != m_genericIcons.end()) {
            return found->second;
        }
        return type.substr(0, type.find('/')) + "-x-generic";
    }

    /// Ranks two claims on one extension: the higher weight; then a pattern in
    /// lower case (how file names are usually spelled, and the registry's
    /// names ignore case); then a case-insensitive one; then the more important
    /// folder; then the earlier line.
    static bool outranks(const Glob& a, const Glob& b) {
        const auto key = [](const Glob& g) {
            return std::tuple(g.weight, lowerAscii(g.extension) == g.extension, !g.caseSensitive,
                              g.folderRank, -g.order);
        };
        return key(a) > key(b);
    }

    std::vector<MimeExtension> extensionOwners() const {
        std::map<std::string, const Glob*> best;
        for (const auto& glob : m_globs) {
            if (!m_types.contains(glob.type)) {
                continue;
            }
            const Glob*& current = best[lowerAscii(glob.extension)];
            if (!current || outranks(glob, *current)) {
                current = &glob;
            }
        }
        std::vector<MimeExtension> owners;
        owners.reserve(best.size());
        for (const auto& [folded, glob] : best) {
            owners.push_back({"." + glob->extension, glob->type});
        }
        return owners;
    }

    std::vector<std::string> m_languages;
    std::vector<fs::path> m_folders; ///< least important first
    std::map<std::string, MimeType> m_types;
    std::vector<Glob> m_globs;
    std::map<std::string, std::string> m_icons;
    std::map<std::string, std::string> m_genericIcons;
    std::set<std::string> m_themeIcons;
    std::vector<std::string> m_warnings;
};

// ---------------------------------------------------------------- the write

/// A key opened or created for the fill, closed when it goes.
class Key final {
public:
    Key(HKEY parent, const std::string& path) {
        m_status = RegCreateKeyA(parent, path.c_str(), &m_handle);
    }
    ~Key() {
        if (m_status == ERROR_SUCCESS) {
            RegCloseKey(m_handle);
        }
    }
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;

    LONG status() const { return m_status; }
    HKEY handle() const { return m_handle; }

private:
    HKEY m_handle = nullptr;
    LONG m_status = ERROR_SUCCESS;
};

enum class Write { Always, OnlyWhenMissing };

class DatabaseWriter final {
public:
    explicit DatabaseWriter(MimeImportResult& result) : m_result(result) {}

    bool writeType(const MimeType& type) {
        const Key key(HKEY_CLASSES_ROOT, type.name);
        if (!check(key.status(), "cannot create the key " + type.name)) {
            return false;
        }
        if (type.hasDescription && !setText(key.handle(), "", type.description, Write::Always)) {
            return false;
        }
        const Key icon(key.handle(), "DefaultIcon");
        return check(icon.status(), "cannot create the key " + type.name + "\\DefaultIcon") &&
               setText(icon.handle(), "", type.icon, Write::Always);
    }

    bool writeExtension(const MimeExtension& extension) {
        const Key key(HKEY_CLASSES_ROOT, extension.key);
        return check(key.status(), "cannot create the key " + extension.key) &&
               setText(key.handle(), "", extension.type, Write::OnlyWhenMissing) &&
               setText(key.handle(), "Content Type", extension.type, Write::OnlyWhenMissing);
    }

private:
    bool check(LONG status, const std::string& what) {
        if (status != ERROR_SUCCESS) {
            m_result.error = what + " (error " + std::to_string(status) + ")";
            return false;
        }
        return true;
    }

    /// The value's type and data, or nothing when it is missing.
    static std::optional<std::pair<DWORD, std::string>> currentValue(HKEY key, const char* name) {
        std::string buffer(256, '\0');
        while (true) {
            DWORD type = 0;
            auto size = static_cast<DWORD>(buffer.size());
            const LONG status = RegQueryValueExA(key, name, nullptr, &type,
                                                 reinterpret_cast<LPBYTE>(buffer.data()), &size);
            if (status == ERROR_MORE_DATA) {
                buffer.resize(std::max<std::size_t>(size, buffer.size() * 2));
                continue;
            }
            if (status != ERROR_SUCCESS) {
                return std::nullopt;
            }
            buffer.resize(size);
            return std::pair(type, buffer);
        }
    }

    bool setText(HKEY key, const char* name, const std::string& text, Write when) {
        const std::string data = text + '\0';
        const auto current = currentValue(key, name);
        if (current && (when == Write::OnlyWhenMissing ||
                        (current->first == REG_SZ && current->second == data))) {
            return true;
        }
        const LONG status =
            RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(data.data()),
                           static_cast<DWORD>(data.size()));
        ++m_result.valuesWritten;
        return check(status, std::string("cannot write the value \"") + name + "\"");
    }

    MimeImportResult& m_result;
};

} // namespace

std::vector<std::string> mimeDatabaseFolders() {
    std::vector<std::string> bases;
    std::string home = environment("XDG_DATA_HOME");
    if (home.empty() && !environment("HOME").empty()) {
        home = environment("HOME") + "/.local/share";
    }
    bases.push_back(home);
    std::string dirs = environment("XDG_DATA_DIRS");
    if (dirs.empty()) {
        dirs = "/usr/local/share:/usr/share";
    }
    std::istringstream list(dirs);
    for (std::string dir; std::getline(list, dir, ':');) {
        bases.push_back(dir);
    }
    std::vector<std::string> folders;
    for (const auto& base : bases) {
        if (base.empty() || base.front() != '/') {
            continue;
        }
        const std::string folder = (fs::path(base) / "mime").lexically_normal().string();
        if (std::find(folders.begin(), folders.end(), folder) == folders.end()) {
            folders.push_back(folder);
        }
    }
    return folders;
}

std::vector<std::string> languagesOfLocale(const std::string& locale) {
    const auto at = locale.find('@');
    const std::string modifier = at == std::string::npos ? "" : locale.substr(at);
    const std::string name = locale.substr(0, std::min(locale.find('.'), at));
    const auto underscore = name.find('_');
    const std::string language = name.substr(0, underscore);
    if (language.empty() || language == "C" || language == "POSIX") {
        return {};
    }
    std::vector<std::string> languages;
    if (underscore != std::string::npos) {
        if (!modifier.empty()) {
            languages.push_back(name + modifier);
        }
        languages.push_back(name);
    }
    if (!modifier.empty()) {
        languages.push_back(language + modifier);
    }
    languages.push_back(language);
    return languages;
}

std::vector<std::string> messageLanguages() {
    for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const std::string locale = environment(variable);
        if (!locale.empty()) {
            return languagesOfLocale(locale);
        }
    }
    return {};
}

MimeDatabase readMimeDatabase(const std::vector<std::string>& folders,
                              const std::vector<std::string>& languages) {
    DatabaseReader reader(languages);
    const int count = static_cast<int>(folders.size());
    for (int rank = 0; rank < count; ++rank) {
        fs::path folder =
            fs::path(folders[static_cast<std::size_t>(count - 1 - rank)]).lexically_normal();
        if (!folder.has_filename()) {
            folder = folder.parent_path();
        }
        reader.readFolder(folder, rank);
    }
    return reader.finish();
}

MimeImportResult importMimeDatabase(const MimeDatabase& database) {
    MimeImportResult result;
    result.folders = database.folders;
    result.types = database.types.size();
    result.extensions = database.extensions.size();
    result.warnings = database.warnings;
    for (const auto& type : database.types) {
        if (!type.hasDescription) {
            result.withoutDescription.push_back(type.name);
        }
    }
    DatabaseWriter writer(result);
    std::string error;
    result.ok = runInTransaction(
        [&] {
            result.valuesWritten = 0;
            for (const auto& type : database.types) {
                if (!writer.writeType(type)) {
                    return false;
                }
            }
            for (const auto& extension : database.extensions) {
                if (!writer.writeExtension(extension)) {
                    return false;
                }
            }
            return true;
        },
        &error);
    if (!result.ok && result.error.empty()) {
        result.error = error.empty() ? "the registry store refused the changes" : error;
    }
    return result;
}

MimeImportResult importMimeDatabase(const std::vector<std::string>& folders) {
    return importMimeDatabase(readMimeDatabase(folders, messageLanguages()));
}

MimeImportResult importMimeDatabase() {
    return importMimeDatabase(mimeDatabaseFolders());
}

bool storeNeedsFileTypes(const OpenResult& opened) {
    if (opened.status == OpenStatus::Created) {
        return true;
    }
    if (opened.status != OpenStatus::Opened) {
        return false;
    }
    char name[256];
    return RegEnumKeyA(HKEY_CLASSES_ROOT, 0, name, sizeof name) == ERROR_NO_MORE_ITEMS;
}

} // namespace tavisk::registry

#include "EntryFormats.h"

#include "KeyFile.h"
#include "Utf8.h"

#include <cstdio>

#include <set>

namespace tavisk::desktop {
namespace {

constexpr const char* ActionName = "tavisk";

void requireMimeTypes(const DesktopEntry& entry) {
    if (entry.mimeTypes.empty())
        throw FormatError("none of its types names a MIME type");
}

/// Builds a key file group by group, in the order written.
class KeyFileWriter final {
public:
    /// The group of the keys that follow; GLib makes it with its first key.
    void group(const std::string& name) { m_group = name; }
    void raw(const std::string& key, const std::string& value) {
        m_file.setRaw(m_group, key, value);
    }
    void string(const std::string& key, const std::string& value) {
        m_file.setString(m_group, key, value);
    }
    void list(const std::string& key, const std::vector<std::string>& items) {
        m_file.setList(m_group, key, items);
    }
    std::string text() const { return m_file.text(); }

private:
    KeyFile m_file;
    std::string m_group;
};

void addMarker(KeyFileWriter& file, const DesktopEntry& entry) {
    file.string(VerbKey, entry.caption);
}

std::string doublePercents(std::string_view text) {
    std::string result;
    for (char c : text) {
        result += c;
        if (c == '%')
            result += '%';
    }
    return result;
}

std::string asciiUpper(std::string text) {
    for (char& c : text)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 32);
    return text;
}

std::string asciiLower(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c + 32);
    return text;
}

/// Thunar's file-type flags: each MIME type's family; application types also
/// count as text, since many of them are text underneath. The patterns do the
/// real matching.
std::set<std::string> thunarFlags(const DesktopEntry& entry) {
    std::set<std::string> flags;
    for (const auto& mime : entry.mimeTypes) {
        const std::string major = asciiLower(mime.substr(0, mime.find('/')));
        if (major == "text" || major == "image" || major == "audio" || major == "video") {
            flags.insert(major + "-files");
        } else {
            flags.insert("other-files");
            if (major == "application")
                flags.insert("text-files");
        }
    }
    if (entry.mimeTypes.empty())
        flags = {"audio-files", "image-files", "other-files", "text-files", "video-files"};
    return flags;
}

/// ".txt" as ".Txt": the first letter after the dot in upper case.
std::string capitalised(std::string extension) {
    const std::size_t first = extension.find_first_not_of('.');
    if (first != std::string::npos)
        extension[first] = asciiUpper(extension.substr(first, 1))[0];
    return extension;
}

void addPattern(std::string& patterns, std::set<std::string>& seen, const std::string& pattern) {
    if (!seen.insert(pattern).second)
        return;
    if (!patterns.empty())
        patterns += ';';
    patterns += pattern;
}

std::string hex4(char32_t c) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%04X", static_cast<unsigned>(c));
    return buffer;
}

} // namespace

std::string iconOf(const DesktopEntry& entry) {
    return entry.icon.empty() ? GenericIcon : entry.icon;
}

bool acceptsSeveralFiles(const CommandLine& command) {
    std::size_t places = 0;
    bool whole = false;
    for (const auto& argument : command.arguments) {
        places += argument.pieces.size() - 1;
        whole = whole || argument.pieces == std::vector<std::string>{"", ""};
    }
    return places == 1 && whole;
}

std::optional<std::string> textProblem(std::string_view text) {
    for (std::size_t at = 0; at < text.size();) {
        char32_t c = 0;
        const std::size_t length = registry::decodeUtf8(text, at, c);
        if (length == 0)
            return "it is not valid UTF-8 (byte " + std::to_string(at + 1) + ")";
        if (c == 0)
            return std::string("it holds a NUL character");
        if ((c < 0x20 && c != '\t') || (c >= 0x7F && c <= 0x9F))
            return "it holds the control character U+" + hex4(c);
        if (c == 0xFFFE || c == 0xFFFF)
            return "it holds the non-character U+" + hex4(c);
        at += length;
    }
    return std::nullopt;
}

std::string xmlText(std::string_view text) {
    std::string result;
    for (std::size_t at = 0; at < text.size();) {
        char32_t c = 0;
        const std::size_t length = registry::decodeUtf8(text, at, c);
        const bool xmlChar = c == '\t' || c == '\n' || c == '\r' || (c >= 0x20 && c <= 0xD7FF) ||
                             (c >= 0xE000 && c <= 0xFFFD) || c >= 0x10000;
        if (length == 0)
            throw FormatError("it is not valid UTF-8, which XML requires");
        if (!xmlChar || (c >= 0x7F && c <= 0x9F))
            throw FormatError("it holds the character U+" + hex4(c) + ", which XML cannot hold");
        if (c == '&')
            result += "&amp;";
        else if (c == '<')
            result += "&lt;";
        else if (c == '>')
            result += "&gt;";
        else if (c == '\r')
            result += "&#13;";
        else
            result.append(text, at, length);
        at += length;
    }
    return result;
}

std::string desktopEntryFile(const DesktopEntry& entry) {
    requireMimeTypes(entry);
    KeyFileWriter file;
    file.group("Desktop Entry");
    file.raw("Version", "1.0");
    file.raw("Type", "Application");
    file.string("Name", entry.caption);
    file.string("Icon", iconOf(entry));
    file.string("Exec", desktopExecLine(entry.command, "%f"));
    file.list("MimeType", entry.mimeTypes);
    file.raw("NoDisplay", "true");
    file.raw("Terminal", "false");
    addMarker(file, entry);
    return file.text();
}

std::string nemoActionFile(const DesktopEntry& entry) {
    requireMimeTypes(entry);
    KeyFileWriter file;
    file.group("Nemo Action");
    file.string("Name", doublePercents(entry.caption));
    file.string("Icon-Name", iconOf(entry));
    file.string("Exec", launchLine(entry.command, "%F"));
    file.list("Mimetypes", entry.mimeTypes);
    file.raw("Selection", "s");
    addMarker(file, entry);
    return file.text();
}

std::string serviceMenuFile(const DesktopEntry& entry) {
    requireMimeTypes(entry);
    KeyFileWriter file;
    file.group("Desktop Entry");
    file.raw("Type", "Service");
    file.raw("X-KDE-ServiceTypes", "KonqPopupMenu/Plugin");
    file.list("MimeType", entry.mimeTypes);
    file.list("Actions", {ActionName});
    addMarker(file, entry);
    file.group(std::string("Desktop Action ") + ActionName);
    file.string("Name", entry.caption);
    file.string("Icon", iconOf(entry));
    file.string("Exec", desktopExecLine(entry.command, "%f"));
    return file.text();
}

std::string fileManagerActionFile(const DesktopEntry& entry) {
    requireMimeTypes(entry);
    KeyFileWriter file;
    file.group("Desktop Entry");
    file.raw("Type", "Action");
    file.string("Name", entry.caption);
    file.string("Tooltip", entry.caption);
    file.string("Icon", iconOf(entry));
    file.list("Profiles", {ActionName});
    addMarker(file, entry);
    file.group(std::string("X-Action-Profile ") + ActionName);
    file.list("MimeTypes", entry.mimeTypes);
    file.string("Exec", launchLine(entry.command, "%f"));
    return file.text();
}

std::string thunarPatterns(const DesktopEntry& entry) {
    std::string patterns;
    std::set<std::string> seen;
    for (const auto& extension : entry.extensions) {
        if (extension.find_first_of(";*?") != std::string::npos)
            continue;
        // Thunar compares names case-sensitively: the usual spellings of each.
        const std::string lower = asciiLower(extension);
        addPattern(patterns, seen, "*" + lower);
        addPattern(patterns, seen, "*" + asciiUpper(extension));
        addPattern(patterns, seen, "*" + capitalised(lower));
    }
    return patterns;
}

std::string thunarAction(const DesktopEntry& entry) {
    const std::string patterns = thunarPatterns(entry);
    if (patterns.empty())
        throw FormatError("none of its types has a file-name extension");
    std::string xml = "<action>\n";
    const bool several = acceptsSeveralFiles(entry.command);
    xml += "\t<icon>" + xmlText(iconOf(entry)) + "</icon>\n";
    xml += "\t<name>" + xmlText(entry.caption) + "</name>\n";
    xml += "\t<submenu></submenu>\n";
    xml += "\t<unique-id>" + xmlText(entry.id) + "</unique-id>\n";
    // %F puts every selected file in the file's place, each as one word; an
    // empty range sets no limit. A command that cannot take several files
    // keeps %f (the first file), and Thunar offers it for one file only.
    xml +=
        "\t<command>" + xmlText(launchLine(entry.command, several ? "%F" : "%f")) + "</command>\n";
    xml += "\t<description></description>\n";
    xml += std::string("\t<range>") + (several ? "" : "1-1") + "</range>\n";
    xml += "\t<patterns>" + xmlText(patterns) + "</patterns>\n";
    for (const auto& flag : thunarFlags(entry))
        xml += "\t<" + flag + "/>\n";
    xml += "</action>";
    return xml;
}

} // namespace tavisk::desktop

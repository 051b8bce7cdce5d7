#pragma once
// What the bridge reads from HKEY_CLASSES_ROOT, through the registry API: the
// shell verbs (type\Shell\caption\Command with a default value) and what each
// type means as MIME types and file-name extensions.
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace tavisk::desktop {

struct ShellVerb {
    std::string type;    ///< the key under HKEY_CLASSES_ROOT, as spelled there
    std::string caption; ///< the verb key's name
    std::string command; ///< the Command key's default value
};

/// The names of every key directly under HKEY_CLASSES_ROOT.
std::vector<std::string> classNames();

/// The verbs of one type, in the registry's order.
std::vector<ShellVerb> verbsOfType(const std::string& type);

/// The verbs of every type whose caption, folded (foldCase), is one of these.
std::vector<ShellVerb> verbsOfCaptions(const std::set<std::string>& foldedCaptions);

/// Every verb under HKEY_CLASSES_ROOT.
std::vector<ShellVerb> allVerbs();

/// A string value (REG_SZ or REG_EXPAND_SZ, trailing NULs dropped) of a key
/// under HKEY_CLASSES_ROOT; nothing when missing or of another type.
std::optional<std::string> classValue(const std::string& key, const char* valueName);

/// True for "major/minor" with the characters a MIME type may have.
bool looksLikeMimeType(const std::string& text);

/// How types map to MIME types and extensions: an extension key names its MIME
/// type in "Content Type" or its default value, and any other key is a class
/// that extension keys name in their default value.
class TypeMap final {
public:
    /// Reads every extension key under HKEY_CLASSES_ROOT.
    static TypeMap read();

    struct Meaning {
        std::vector<std::string> mimeTypes;
        std::vector<std::string> extensions; ///< ".txt", as the keys spell them
    };
    /// What one type key stands for.
    Meaning resolve(const std::string& type) const;

    /// The MIME type and the class an extension key names (each may be empty).
    std::pair<std::string, std::string> namesOf(const std::string& extension) const;

    /// Adds one extension's mapping (for reading and for tests).
    void addExtension(const std::string& key, const std::string& defaultValue,
                      const std::string& contentType);

private:
    struct Extension {
        std::string key;
        std::string mimeType;  ///< empty when it names none
        std::string className; ///< its default value when that is not a MIME type
    };
    Meaning resolveExtension(const Extension& extension) const;
    static Extension parseExtension(const std::string& key, const std::string& defaultValue,
                                    const std::string& contentType);

    std::vector<Extension> m_extensions;
    std::multimap<std::string, std::size_t> m_byMimeType;  ///< folded name to extension
    std::multimap<std::string, std::size_t> m_byClassName; ///< folded name to extension
    std::map<std::string, std::size_t> m_byKey;            ///< folded key to extension
};

} // namespace tavisk::desktop

#pragma once
// Fills HKEY_CLASSES_ROOT with the machine's file types, read from the shared
// MIME database (freedesktop.org shared-mime-info): one key per MIME type with
// its description and a DefaultIcon, and one key per file-name extension naming
// its MIME type. Standard C++ only, so that every tool over the store can use it.
#include "RegistryStore.h"

#include <cstddef>
#include <string>
#include <vector>

namespace tavisk::registry {

/// One MIME type as the fill writes it.
struct MimeType {
    std::string name;        ///< as the database spells it ("text/plain")
    std::string description; ///< the comment in the user's language, else the untranslated one
    bool hasDescription = false;
    std::string icon; ///< icon name for the DefaultIcon key
};

/// One file-name extension and the MIME type that owns it.
struct MimeExtension {
    std::string key;  ///< "." and the extension as its winning pattern spells it (".txt")
    std::string type; ///< the MIME type
};

/// What a read found. Types are sorted by name; extensions by key.
struct MimeDatabase {
    std::vector<std::string> folders; ///< the folders that held a database, most important first
    std::vector<MimeType> types;
    std::vector<MimeExtension> extensions;
    std::vector<std::string> warnings; ///< "FILE:LINE: problem" for lines and files skipped
};

/// The database folders in order of importance: "mime" under $XDG_DATA_HOME
/// (~/.local/share when unset), then under each folder of $XDG_DATA_DIRS
/// (/usr/local/share:/usr/share when unset). Relative folders are ignored.
std::vector<std::string> mimeDatabaseFolders();

/// The languages whose comments describe a type, most wanted first, from the
/// locale name in LC_ALL, else LC_MESSAGES, else LANG ("de_DE.UTF-8@euro" gives
/// de_DE@euro, de_DE, de@euro, de). None for the C and POSIX locales.
std::vector<std::string> messageLanguages();
/// The same for a given locale name.
std::vector<std::string> languagesOfLocale(const std::string& locale);

/// Reads the database from folders given most important first; information in a
/// more important folder overrides that of a less important one.
MimeDatabase readMimeDatabase(const std::vector<std::string>& folders,
                              const std::vector<std::string>& languages);

struct MimeImportResult {
    bool ok = false;
    std::string error;                           ///< why nothing was written, when !ok
    std::vector<std::string> folders;            ///< the folders read
    std::size_t types = 0;                       ///< MIME type keys in the database
    std::size_t extensions = 0;                  ///< extension keys in the database
    std::size_t valuesWritten = 0;               ///< values that were missing or differed
    std::vector<std::string> withoutDescription; ///< types that have no comment
    std::vector<std::string> warnings;
};

/// Writes a database into HKEY_CLASSES_ROOT in one transaction. Nothing already
/// there is removed; only the types' descriptions and DefaultIcon values are
/// changed, and an extension's values are written only when missing. Every
/// string is REG_SZ with its terminating NUL.
MimeImportResult importMimeDatabase(const MimeDatabase& database);

/// Reads the given folders (most important first) in the user's language and
/// writes what they hold.
MimeImportResult importMimeDatabase(const std::vector<std::string>& folders);

/// The fill of a new store: the standard folders, the user's language.
MimeImportResult importMimeDatabase();

/// Whether the store just opened still needs the fill: it was created now, or
/// it is writable and HKEY_CLASSES_ROOT has no key at all (a fill that was cut
/// short when its process died).
bool storeNeedsFileTypes(const OpenResult& opened);

} // namespace tavisk::registry

#pragma once
// Each file manager's own file for one entry, carrying the bridge's marker.
#include "DesktopEntries.h"

#include <optional>
#include <stdexcept>
#include <string>

namespace tavisk::desktop {

/// The marker key of every key file the bridge writes: the verb's caption.
inline constexpr const char* VerbKey = "X-Tavisk-Verb";

/// Thrown when an entry cannot be put into a format (a character the format
/// cannot hold, no type the format can match).
class FormatError final : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

/// A desktop entry for "Open With" in $XDG_DATA_HOME/applications.
std::string desktopEntryFile(const DesktopEntry& entry);
/// A Nemo action in $XDG_DATA_HOME/nemo/actions.
std::string nemoActionFile(const DesktopEntry& entry);
/// A KDE service menu in $XDG_DATA_HOME/kio/servicemenus.
std::string serviceMenuFile(const DesktopEntry& entry);
/// A file-manager action (Caja, PCManFM-Qt) in $XDG_DATA_HOME/file-manager/actions.
std::string fileManagerActionFile(const DesktopEntry& entry);
/// One <action> element of Thunar's uca.xml, without surrounding blanks.
std::string thunarAction(const DesktopEntry& entry);

/// The icon every entry shows when no installed application runs its program.
inline constexpr const char* GenericIcon = "application-x-executable";

/// The entry's icon, or GenericIcon when it has none.
std::string iconOf(const DesktopEntry& entry);

/// True when the command can take several files at once: the clicked file
/// has one place, which is a whole argument of its own, so each selected file
/// can be one argument there.
bool acceptsSeveralFiles(const CommandLine& command);

/// Thunar's file-name patterns for the entry's extensions ("*.txt;*.TXT;*.Txt").
std::string thunarPatterns(const DesktopEntry& entry);

/// Why a caption or command cannot be given to the file managers: not valid
/// UTF-8 (their files must be), or a NUL, another control character or a
/// non-character in it; nothing when it can.
std::optional<std::string> textProblem(std::string_view text);

/// Text for XML character data, with &, < and > as references. Every text of
/// uca.xml is written through here: what is not valid UTF-8 or not a character
/// XML allows is refused with FormatError, so that one entry can never make
/// the whole file unreadable.
std::string xmlText(std::string_view text);

} // namespace tavisk::desktop

#pragma once
// A shell verb's stored command, taken apart as the registry's platform reads
// it, and written again in the launch syntax of the desktop's file managers.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavisk::desktop {

/// One argument: literal text with the clicked file's path in between. A plain
/// literal has one piece; "%1" alone is two empty pieces around one file.
struct Argument {
    std::vector<std::string> pieces;
    bool operator==(const Argument&) const = default;
};

struct CommandLine {
    std::string program;
    std::vector<Argument> arguments;
    bool operator==(const CommandLine&) const = default;
};

/// Takes the stored command apart. A first word in double quotes is the
/// program and the rest is split into arguments by the platform's rules
/// (blanks separate, double quotes group, backslashes escape only quotes).
/// Otherwise the program is the whole command with every "%1" removed and
/// blanks trimmed, and each "%1" is the clicked file as one argument.
/// Nothing when no program remains.
std::optional<CommandLine> parseCommand(std::string_view stored);

/// The command line in the launch syntax shared by desktop entries and the
/// file managers' action files: each word in double quotes where it needs them
/// (with ", `, $ and \ escaped inside), fileCode in every place of the clicked
/// file, and every literal percent sign doubled. The result is read the same
/// way by a launcher that parses it itself and by one that hands it to sh.
std::string launchLine(const CommandLine& command, std::string_view fileCode);

/// The same line for desktop entries and KDE service menus. Their program may
/// hold neither "=" (the format forbids it) nor "%" (GLib looks the program up
/// before it undoes "%%"), so such a program is started through
/// /bin/sh -c 'exec "$0" "$@"', which takes it and the file as arguments and
/// never parses them.
std::string desktopExecLine(const CommandLine& command, std::string_view fileCode);

/// One word quoted for that syntax; unchanged when it needs no quotes.
std::string quoteWord(std::string_view word);

/// A readable form of the program and its arguments, with <file> in the
/// clicked file's place, for listings.
std::string describeCommand(const CommandLine& command);

} // namespace tavisk::desktop

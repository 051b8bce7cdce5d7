#pragma once
// tavisk-shell: the desktop bridge by hand. "sync" rebuilds the file managers'
// entries from the registry store, "clean" removes everything the bridge wrote,
// "list" shows each entry with its caption, types, command, files and
// problems, "check" only the problems.
#include <ostream>
#include <string>
#include <vector>

namespace tavisk::shelltool {

/// Runs one command line (without the program's name). Exit status: 0 on
/// success, 1 when the store is missing or unusable or a file could not be
/// written or removed or check found a problem, 2 on wrong usage. When out is
/// a terminal, list shows
/// text with control characters escaped.
int runShellTool(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err,
                 bool outIsTerminal = false);

} // namespace tavisk::shelltool

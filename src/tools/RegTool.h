#pragma once
// tavisk-reg, the console tool over the registry store: query, add, delete,
// export, import and import-mime. The executable's main only calls runRegTool,
// so tests run the same code in-process.
#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

namespace tavisk::regtool {

/// Exit statuses.
constexpr int ExitSuccess = 0;
constexpr int ExitFailure = 1; ///< a key or value does not exist, or the input is bad
constexpr int ExitUsage = 2;   ///< wrong usage

/// What runs when a command has ended, while its store is still open: given
/// the command's exit status, it returns the tool's.
using CommandEnd = std::function<int(int status)>;

/// Runs the tool with its arguments (without the program's name) on the store
/// of the TAVISK_REGISTRY rule, and returns the exit status. When out is a
/// terminal, query shows names and data with control characters escaped.
int runRegTool(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err,
               bool outIsTerminal = false, const CommandEnd& end = {});

} // namespace tavisk::regtool

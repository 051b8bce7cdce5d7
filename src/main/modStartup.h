#pragma once
// What the program does before its first window: open the registry store it
// works on, refusing one it cannot use, and fill a store made just now with
// the machine's file types.
#include <QString>

namespace tavisk::registry {
struct OpenResult;
}

namespace modStartup {

/// Opens the default store (TAVISK_REGISTRY, else the user's). When it cannot
/// be opened, or can only be read, shows a message that names the file, the
/// problem and what to do, leaves the file as it was and returns false: the
/// program ends. A store created just now is filled with the machine's file
/// types before this returns true.
bool OpenRegistryStore();

/// The message for a store the program cannot work on; empty when it can.
QString StoreProblem(const tavisk::registry::OpenResult& result);

} // namespace modStartup

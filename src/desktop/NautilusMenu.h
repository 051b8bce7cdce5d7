#pragma once
// Nautilus reads no action files: where nautilus-python is installed, the
// bridge writes one extension into the user's nautilus-python folder, and
// keeps the entries it offers in a data file beside it (a key file, merged
// like uca.xml: only the bridge's entries, written whole).
#include "DesktopBridge.h"

#include <functional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace tavisk::desktop {

/// The extension's file name; nautilus-python loads every .py file of the folder.
inline constexpr const char* NautilusExtensionName = "tavisk-bridge.py";
/// The data file's name, the one the extension reads.
inline constexpr const char* NautilusEntriesName = "tavisk-bridge.entries";
/// The data file's first group, which marks it as the bridge's.
inline constexpr const char* NautilusHeaderGroup = "Tavisk Nautilus Menu";

/// The extension's text, as the bridge writes it.
const std::string& nautilusExtensionSource();

/// True when nautilus-python for Nautilus 43 or later is installed: its
/// module is in the extensions-4 folder of one of dirs.libDirs.
bool haveNautilusPython(const XdgDirs& dirs);

/// Puts a file in place with the reconcile's other files.
using StageFile =
    std::function<void(const std::string& path, const std::string& content, mode_t mode)>;

/// Removes one file (or, in a dry run, does not).
using RemoveFile = std::function<void(const std::string& path)>;

/// Brings the extension and its data file in step: entries whose id
/// inScope accepts are replaced by those given (those without a MIME type
/// left out), the others kept. With no entry left, or without
/// nautilus-python, both files go. A file of either name that the bridge did
/// not write is left alone and reported, and then neither is touched.
void reconcileNautilus(const XdgDirs& dirs, const std::vector<DesktopEntry>& entries,
                       const std::function<bool(const std::string& id)>& inScope,
                       const StageFile& stage, const RemoveFile& remove, Outcome& outcome);

/// The ids of the entries the data file holds now (none when it is not the bridge's).
std::vector<std::string> nautilusEntryIds(const XdgDirs& dirs);

} // namespace tavisk::desktop

#pragma once
// Which shell verbs a committed registry change may have touched.
#include <optional>
#include <string>
#include <vector>

namespace tavisk::desktop {

/// A change at or below type\Shell: with a caption when the change lies at or
/// below one verb, without one when the type or its Shell key itself changed
/// (a verb added or deleted, the Shell key gone). An empty type stands for a
/// change of HKEY_CLASSES_ROOT itself: a type added or deleted.
struct VerbChange {
    std::string type;
    std::optional<std::string> caption;
};

/// The changes among full key names ("HKEY_LOCAL_MACHINE\SOFTWARE\Classes\..."
/// or "HKEY_CLASSES_ROOT\...") that concern shell verbs. Other keys, such as
/// a type's DefaultIcon, are left out.
std::vector<VerbChange> verbChanges(const std::vector<std::string>& changedKeys);

/// The extension keys (".txt") whose own values or existence changed: they may
/// now name another MIME type or class.
std::vector<std::string> changedExtensions(const std::vector<std::string>& changedKeys);

/// True for a key whose change can alter an entry: a verb key or one below
/// it, or an extension key.
bool mayChangeEntries(const std::string& fullName);

} // namespace tavisk::desktop

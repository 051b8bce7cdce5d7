#pragma once
// Every key and value the program keeps: the application store under
// HKEY_LOCAL_MACHINE and the shell verbs under HKEY_CLASSES_ROOT. Callers build
// their paths and texts here instead of writing the strings again.
#include <ctime>
#include <functional>
#include <string>

namespace modStoreLayout {

/// The application store, under HKEY_LOCAL_MACHINE, with its trailing separator.
inline constexpr const char* StorePath = "SOFTWARE\\Quorvane\\Tavisk\\Shortcuts\\";

inline constexpr const char* RunBeforeValue = "RunBefore";
inline constexpr const char* PathValue = "PATH";
inline constexpr const char* PathValueAsRead = "Path"; ///< the tree load's spelling
inline constexpr const char* CreatedValue = "CREATED";
inline constexpr const char* FileTypeValue = "FileType";
inline constexpr const char* MarkerName = "AUTHENTIC";
inline constexpr const char* MarkerData = "quorvane";
inline constexpr const char* DefaultIconKey = "\\DefaultIcon";

/// Store path + caption (HKEY_LOCAL_MACHINE).
std::string ApplicationKey(const std::string& caption);
/// Store path + caption + "\" + file type (HKEY_LOCAL_MACHINE).
std::string AssociationKey(const std::string& caption, const std::string& fileType);
/// File type + "\Shell\" + caption (HKEY_CLASSES_ROOT).
std::string VerbKey(const std::string& fileType, const std::string& caption);
/// File type + "\Shell\" + caption + "\Command" (HKEY_CLASSES_ROOT).
std::string CommandKey(const std::string& fileType, const std::string& caption);

/// The path as entered, one blank, "%1".
std::string CommandFromPath(const std::string& path);
/// The command with every "%1" removed (case-sensitive), nothing else touched.
std::string RemovePercentOne(std::string text);
/// The command with every "%1" removed and blanks trimmed from both ends.
std::string PathFromCommand(const std::string& command);
/// Blanks trimmed from both ends.
std::string TrimBlanks(const std::string& text);

/// Today's local date as "dd mmmm yyyy" with the month as the user's locale
/// spells it (for example 05 December 2026).
std::string DateStamp();
/// The date stamp of a given moment.
std::string DateStamp(std::time_t when);

/// The clock DateStamp() reads; tests set their own, an empty one restores the
/// system clock.
void SetClock(std::function<std::time_t()> clock);

} // namespace modStoreLayout

#pragma once
// What the operations share: the node kinds, the text conversion at the
// registry's door, the writes of one association, the marker test and the
// messages that more than one operation shows.
#include <QString>

#include <cstdint>
#include <functional>
#include <string>

class frmMainRoutines;

namespace modOperations::support {

/// Image keys of the two node kinds; the kinds are told apart by these alone.
inline const QString ApplicationImage = QStringLiteral("Application");
inline const QString FileTypeImage = QStringLiteral("FileType");

/// The registry's text (UTF-8) of a text of the window.
std::string Std(const QString& text);

/// Writes one REG_SZ value, creating every missing key on its path.
void WriteText(std::uint32_t root, const std::string& key, const std::string& value,
               const std::string& data);

/// The four writes of one association, in their order: the Command key's
/// default value (the command), its marker, its date; then the record's
/// "FileType".
void WriteAssociation(const QString& caption, const QString& fileType, const QString& command);

/// Runs an operation's registry writes as one change of the store: all of them
/// are kept, made durable once at the end, or none is (a kill half-way leaves
/// the store as it was). False when the store did not keep them, error saying
/// why. What writes throws is thrown on, after nothing of it was kept. (On
/// Windows the writes go to the registry one by one, as they are.)
bool WriteAsOneChange(const std::function<void()>& writes, QString* error = nullptr);

/// As above, telling the user in a message box when nothing was kept.
bool WriteAsOneChange(frmMainRoutines& main, const std::function<void()>& writes);

/// The marker test: the verb's Command key carries "AUTHENTIC" = "quorvane",
/// compared case-sensitively.
bool CarriesMarker(const QString& caption, const QString& fileType);

/// True when the store already has an application key of this caption (names
/// compared as the registry compares them).
bool CaptionInUse(const QString& caption);

/// The same name in the registry's eyes: equal when each character is mapped
/// to its simple upper case.
bool SameKeyName(const QString& one, const QString& other);

/// "An application with the menu caption '...' already exists."
void ReportCaptionInUse(frmMainRoutines& main, const QString& caption);

/// "An error has occurred whilst <what>.  Please report this to <address>"
void ReportFailure(frmMainRoutines& main, const QString& what);

/// Sets panel 1 of the status bar (optionally repainting it at once).
void SetStatus(frmMainRoutines& main, const QString& text, bool repaint);

} // namespace modOperations::support

#pragma once
// Routines every window of the program shares.
#include <QFont>
#include <QString>
#include <Qt>

class QWidget;
class QLineEdit;

namespace modFunctions {

/// Places the window in the middle of the primary screen, by its outer size,
/// and keeps all of it inside the screen's available area: a window larger
/// than that area starts at its top-left corner.
void CentreForm(QWidget* form);

/// Selects a text box's text when the box was entered from the keyboard
/// (Tab, Backtab or an access key): all of it with the caret at the start when
/// it fits the box, at the end when it is wider; nothing when the focus came by
/// mouse or from the program.
void SelectTextOnFocus(QWidget* form, QLineEdit* box, Qt::FocusReason reason);

/// Closes every top-level window of the program; the program ends with the last.
void UnloadAllForms();

/// The named font at this size and weight, or the default sans-serif face
/// where that font is not installed.
QFont NamedFont(const QString& family, double points, bool bold);

/// The text between the Unicode first-strong isolate (U+2068) and the pop
/// directional isolate (U+2069): a name of the user's, put into a text of the
/// program's, keeps its own direction without reordering the text around it.
QString Isolate(const QString& text);

/// The screen-wide mouse pointer: the hourglass while work runs, then back.
void SetHourglass();
void SetDefaultPointer();

} // namespace modFunctions

#include "TextBox.h"

#include <QFocusEvent>

TextBox::TextBox(QWidget* parent) : QLineEdit(parent) {}

void TextBox::focusInEvent(QFocusEvent* event) {
    QLineEdit::focusInEvent(event);
    // A dialog being shown sends its focus widget a focus event of its own
    // (as if by Tab) before its window has the focus: that focus comes from
    // the program, not from the keyboard.
    emit gotFocus(hasFocus() ? event->reason() : Qt::OtherFocusReason);
}

#include "modFunctions.h"

#include <QApplication>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QLineEdit>
#include <QScreen>
#include <QWidget>

namespace modFunctions {

void CentreForm(QWidget* form) {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!form || !screen) {
        return;
    }
    const QRect area = screen->geometry();
    const QRect outer = form->frameGeometry();
    form->move(area.x() + (area.width() - outer.width()) / 2,
               area.y() + (area.height() - outer.height()) / 2);
}

namespace {

/// Tab, Shift+Tab and an Alt access key bring the focus from the keyboard.
bool CameFromKeyboard(Qt::FocusReason reason) {
    return reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason ||
           reason == Qt::ShortcutFocusReason;
}

} // namespace

void SelectTextOnFocus(QWidget* form, QLineEdit* box, Qt::FocusReason reason) {
    if (!box) {
        return;
    }
    if (!CameFromKeyboard(reason)) {
        box->deselect();
        return;
    }
    // The text in the box's own font (the form's unless the box was given
    // another), measured at the form's resolution.
    const QString text = box->text();
    const auto length = static_cast<int>(text.size());
    const QFontMetrics metrics(box->font(), form ? form : box);
    if (box->width() > metrics.horizontalAdvance(text)) {
        // It fits: everything selected, the caret at the start (End, Shift+Home).
        box->setSelection(length, -length);
    } else {
        // Wider: everything selected, the caret at the end, keeping the end of
        // a long path in view.
        box->setSelection(0, length);
    }
}

void SetHourglass() {
    if (!QApplication::overrideCursor()) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
    }
}

void SetDefaultPointer() {
    while (QApplication::overrideCursor()) {
        QApplication::restoreOverrideCursor();
    }
}

} // namespace modFunctions

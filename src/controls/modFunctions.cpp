#include "modFunctions.h"

#include <QApplication>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPointer>
#include <QScreen>
#include <QWidget>

#include <algorithm>

namespace modFunctions {

void CentreForm(QWidget* form) {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!form || !screen) {
        return;
    }
    const QRect whole = screen->geometry();
    const QRect outer = form->frameGeometry();
    const int left = whole.x() + (whole.width() - outer.width()) / 2;
    const int top = whole.y() + (whole.height() - outer.height()) / 2;
    // The whole window stays inside the area that panels and docks leave
    // free; one larger than that area starts at its top-left corner, so that
    // its title bar and menu can be reached.
    const QRect area = screen->availableGeometry();
    form->move(std::max(area.x(), std::min(left, area.x() + area.width() - outer.width())),
               std::max(area.y(), std::min(top, area.y() + area.height() - outer.height())));
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

void UnloadAllForms() {
    // Every window of the program, shown or hidden, as the application lists
    // them. Closing one may close or delete others (the main window's close
    // comes back here), so each is closed through a guard that notices when
    // it is gone.
    QList<QPointer<QWidget>> forms;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->isWindow()) {
            forms.append(widget);
        }
    }
    for (const QPointer<QWidget>& form : forms) {
        if (!form.isNull()) {
            form->close();
        }
    }
    // Closing the last visible window ends the program; the end is asked for
    // here as well, for the case where no window was visible.
    QCoreApplication::quit();
}

QFont NamedFont(const QString& family, double points, bool bold) {
    QFont font;
    if (QFontDatabase::hasFamily(family)) {
        font.setFamily(family);
    } else {
        font.setFamilies({QStringLiteral("sans-serif")});
        font.setStyleHint(QFont::SansSerif);
    }
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

QString Isolate(const QString& text) {
    return QChar(0x2068) + text + QChar(0x2069);
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

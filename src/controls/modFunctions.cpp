#include "modFunctions.h"

#include <QApplication>
#include <QGuiApplication>
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

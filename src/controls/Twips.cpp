#include "Twips.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <cmath>

namespace Twips {

double LogicalDpi() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->logicalDotsPerInchX() : 96.0;
}

int ToPixels(double twips, double dpi) {
    return static_cast<int>(std::lround(twips * dpi / PerInch));
}

double FromPixels(int pixels, double dpi) {
    return pixels * PerInch / dpi;
}

QRect ToPixels(double left, double top, double width, double height, double dpi) {
    return {ToPixels(left, dpi), ToPixels(top, dpi), ToPixels(width, dpi), ToPixels(height, dpi)};
}

void SetGeometry(QWidget* widget, double left, double top, double width, double height) {
    widget->setGeometry(ToPixels(left, top, width, height));
}

} // namespace Twips

#pragma once
// Layout is written in twips (1/1440 inch); this is the one place that turns
// twips into pixels, at the screen's logical DPI.
#include <QRect>

class QWidget;

namespace Twips {

inline constexpr double PerInch = 1440.0;

/// Logical dots per inch of the primary screen (96 when there is none).
double LogicalDpi();

/// Twips to pixels (rounded to the nearest pixel) and back, at dpi.
int ToPixels(double twips, double dpi = LogicalDpi());
double FromPixels(int pixels, double dpi = LogicalDpi());

/// A rectangle given in twips (left, top, width, height), in pixels.
QRect ToPixels(double left, double top, double width, double height, double dpi = LogicalDpi());

/// Places a widget by a rectangle in twips, relative to its parent.
void SetGeometry(QWidget* widget, double left, double top, double width, double height);

} // namespace Twips

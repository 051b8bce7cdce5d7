#include "DialogControls.h"

#include "TextBox.h"
#include "Twips.h"

#include <QFont>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

namespace DialogControls {
namespace {

const QString FormFontFace = QStringLiteral("MS Sans Serif");
constexpr double FormFontPoints = 8.25;
constexpr double SmallestPoints = 6.0;
// The designed face's average letter width at 96 dpi, in pixels.
constexpr double FormFontLetterWidth = 6.0;

double AverageLetterWidth(const QFont& font) {
    static const QString letters =
        QStringLiteral("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ");
    return QFontMetricsF(font).horizontalAdvance(letters) / letters.size();
}

} // namespace

QFont FormFont() {
    QFont font(FormFontFace);
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(FormFontPoints);
    if (QFontInfo(font).family() == FormFontFace) {
        return font;
    }
    // The default sans-serif face stands in, at the size whose letters are no
    // wider than the designed face's, so that captions fit their rectangles.
    const double widest = FormFontLetterWidth * Twips::LogicalDpi() / 96.0;
    while (font.pointSizeF() > SmallestPoints && AverageLetterWidth(font) > widest) {
        font.setPointSizeF(font.pointSizeF() - 0.25);
    }
    return font;
}

void MakeFixedDialog(QWidget* form, const QString& title, double width, double height) {
    form->setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                         Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    form->setWindowTitle(title);
    form->setFont(FormFont());
    form->setFixedSize(Twips::ToPixels(width), Twips::ToPixels(height));
}

QLabel* NewLabel(QWidget* parent, const QString& text, double left, double top, double width,
                 double height) {
    auto* label = new QLabel(text, parent);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setWordWrap(true);
    Twips::SetGeometry(label, left, top, width, height);
    return label;
}

QGroupBox* NewFrame(QWidget* parent, double left, double top, double width, double height) {
    auto* frame = new QGroupBox(parent);
    frame->setFocusPolicy(Qt::NoFocus);
    Twips::SetGeometry(frame, left, top, width, height);
    return frame;
}

TextBox* NewTextBox(QWidget* parent, int maxLength, double left, double top, double width,
                    double height) {
    auto* box = new TextBox(parent);
    box->setMaxLength(maxLength);
    Twips::SetGeometry(box, left, top, width, height);
    return box;
}

QPushButton* NewButton(QWidget* parent, const QString& text, double left, double top, double width,
                       double height) {
    auto* button = new QPushButton(text, parent);
    Twips::SetGeometry(button, left, top, width, height);
    return button;
}

double LeftOf(const QWidget* control) {
    return Twips::FromPixels(control->x());
}

double TopOf(const QWidget* control) {
    return Twips::FromPixels(control->y());
}

double WidthOf(const QWidget* control) {
    return Twips::FromPixels(control->width());
}

double HeightOf(const QWidget* control) {
    return Twips::FromPixels(control->height());
}

void SetLeft(QWidget* control, double left) {
    control->move(Twips::ToPixels(left), control->y());
}

void SetTop(QWidget* control, double top) {
    control->move(control->x(), Twips::ToPixels(top));
}

void SetWidth(QWidget* control, double width) {
    if (width >= 0) {
        control->resize(Twips::ToPixels(width), control->height());
    }
}

void SetHeight(QWidget* control, double height) {
    if (height >= 0) {
        control->resize(control->width(), Twips::ToPixels(height));
    }
}

} // namespace DialogControls

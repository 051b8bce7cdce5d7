#pragma once
// Controls of the dialogs, made and moved by rectangles in twips. A width or
// height below zero is refused, as the controls refuse it, and the control
// keeps its size; positions may be negative.
#include <QString>

class QFont;
class QGroupBox;
class QLabel;
class QPushButton;
class QWidget;
class TextBox;

namespace DialogControls {

/// The dialogs' font. Where its face is missing, the default sans-serif face
/// stands in, sized so that its letters are no wider than the designed face's.
QFont FormFont();

/// Gives a fixed-size dialog its title, client size (twips), font and a
/// title bar with only a close button.
void MakeFixedDialog(QWidget* form, const QString& title, double width, double height);

QLabel* NewLabel(QWidget* parent, const QString& text, double left, double top, double width,
                 double height);
/// A frame without a caption; its children are placed relative to it.
QGroupBox* NewFrame(QWidget* parent, double left, double top, double width, double height);
TextBox* NewTextBox(QWidget* parent, int maxLength, double left, double top, double width,
                    double height);
QPushButton* NewButton(QWidget* parent, const QString& text, double left, double top, double width,
                       double height);

double LeftOf(const QWidget* control);
double TopOf(const QWidget* control);
double WidthOf(const QWidget* control);
double HeightOf(const QWidget* control);
void SetLeft(QWidget* control, double left);
void SetTop(QWidget* control, double top);
void SetWidth(QWidget* control, double width);
void SetHeight(QWidget* control, double height);

} // namespace DialogControls

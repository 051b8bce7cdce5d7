#pragma once
// A one-line text box that tells how it got the focus (Tab, Backtab, an access
// key, the mouse or the program), after the box has handled the focus itself,
// so that a dialog's GotFocus handler can choose what to select.
#include <QLineEdit>

class TextBox final : public QLineEdit {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TextBox)

public:
    explicit TextBox(QWidget* parent = nullptr);

signals:
    void gotFocus(Qt::FocusReason reason);

protected:
    void focusInEvent(QFocusEvent* event) override;
};

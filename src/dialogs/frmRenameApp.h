#pragma once
// Asks for a new menu caption of an existing application. The caller fills
// txtCaption (the current caption) and lblAppName (the executable path), shows
// it modally, then reads txtCaption as typed and Cancelled.
#include "CancellableDialog.h"

class QGroupBox;
class QLabel;
class QPushButton;
class TextBox;

class frmRenameApp final : public CancellableDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmRenameApp)

public:
    explicit frmRenameApp(QWidget* parent = nullptr);
    ~frmRenameApp() override;

    QLabel* const Label1;
    QGroupBox* const Frame1;
    QLabel* const Label2;
    TextBox* const txtCaption;
    QLabel* const Label3;
    QLabel* const lblAppName;
    QPushButton* const cmdOk;
    QPushButton* const cmdCancel;

    void cmdOk_Click();

protected:
    bool event(QEvent* event) override;

private:
    /// Each time the dialog becomes the active window: centred, the caret
    /// after the caption's last character.
    void Form_Activate();
    void txtCaption_GotFocus(Qt::FocusReason reason);
    bool InputPasses();
};

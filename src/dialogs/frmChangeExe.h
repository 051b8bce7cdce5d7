#pragma once
// Asks for a new executable path of an existing application. The caller fills
// txtPath (the current path) and lblAppName (the menu caption), shows it
// modally, then reads txtPath as typed and Cancelled.
#include "CancellableDialog.h"
#include "CommonDialog.h"

class QGroupBox;
class QLabel;
class QPushButton;
class TextBox;

class frmChangeExe final : public CancellableDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmChangeExe)

public:
    explicit frmChangeExe(QWidget* parent = nullptr);
    ~frmChangeExe() override;

    QLabel* const Label1;
    QGroupBox* const Frame1;
    QLabel* const Label2;
    TextBox* const txtPath;
    QPushButton* const cmdDialog;
    QLabel* const Label3;
    QLabel* const lblAppName;
    QPushButton* const cmdOk;
    QPushButton* const cmdCancel;

    void cmdOk_Click();
    void cmdDialog_Click();

protected:
    bool event(QEvent* event) override;

private:
    void Form_Load();
    /// Each time the dialog becomes the active window: the caret after the
    /// path's last character.
    void Form_Activate();
    void txtPath_GotFocus(Qt::FocusReason reason);
    bool InputPasses();

    CommonDialog CommonDialog1;
};

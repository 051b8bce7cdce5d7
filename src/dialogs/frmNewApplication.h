#pragma once
// Asks for the menu caption and the executable path of a new application.
// The caller shows it modally, then reads Cancelled and, when it is False,
// txtName and txtPath as typed.
#include "CancellableDialog.h"
#include "CommonDialog.h"

class QGroupBox;
class QLabel;
class QPushButton;
class TextBox;

class frmNewApplication final : public CancellableDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmNewApplication)

public:
    explicit frmNewApplication(QWidget* parent = nullptr);
    ~frmNewApplication() override;

    QLabel* const Label3;
    QGroupBox* const Frame1;
    QLabel* const Label2;
    TextBox* const txtName;
    QLabel* const Label1;
    TextBox* const txtPath;
    QPushButton* const cmdDialog;
    QPushButton* const cmdOk;
    QPushButton* const cmdCancel;

    void cmdOk_Click();
    void cmdDialog_Click();

private:
    void Form_Load();
    void txtName_GotFocus(Qt::FocusReason reason);
    void txtPath_GotFocus(Qt::FocusReason reason);
    /// The OK check: the first test that fails reports and stops it.
    bool InputPasses();

    CommonDialog CommonDialog1;
};

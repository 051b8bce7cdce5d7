#include "frmChangeExe.h"

#include "Accessibility.h"
#include "DialogControls.h"
#include "TextBox.h"
#include "modFunctions.h"

#include <QEvent>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

using namespace DialogControls;

frmChangeExe::frmChangeExe(QWidget* parent)
    : CancellableDialog(parent),
      Label1(NewLabel(this,
                      QStringLiteral("Type in the name of the application to launch when a user "
                                     "clicks on this menu caption."),
                      630, 120, 5475, 495)),
      Frame1(NewFrame(this, 0, 660, 6105, 1425)),
      Label2(NewLabel(Frame1, QStringLiteral("Executable Path:"), 105, 330, 1215, 195)),
      txtPath(NewTextBox(Frame1, 255, 1425, 270, 4020, 315)),
      cmdDialog(NewButton(Frame1, QStringLiteral("..."), 5460, 270, 405, 315)),
      Label3(NewLabel(Frame1, QStringLiteral("Menu Caption:"), 105, 750, 1035, 195)),
      lblAppName(NewLabel(Frame1, QStringLiteral("AppCaption"), 1425, 750, 4530, 525)),
      cmdOk(NewButton(this, QStringLiteral("OK"), 3885, 2160, 1065, 405)),
      cmdCancel(NewButton(this, QStringLiteral("Cancel"), 5055, 2160, 1065, 405)) {
    MakeFixedDialog(this, QStringLiteral("Change Application Executable"), 6165, 2625);
    cmdOk->setDefault(true);
    Accessibility::NameControl(Frame1, QStringLiteral("Change Application Executable"));
    Accessibility::NameControl(txtPath, QStringLiteral("Executable Path"), Label2);
    Accessibility::NameControl(cmdDialog, QStringLiteral("Browse for the executable"));
    Accessibility::NameControl(lblAppName, QString(), Label3);
    setTabOrder(txtPath, cmdDialog);
    setTabOrder(cmdDialog, cmdOk);
    setTabOrder(cmdOk, cmdCancel);
    connect(txtPath, &TextBox::gotFocus, this, &frmChangeExe::txtPath_GotFocus);
    connect(cmdOk, &QPushButton::clicked, this, &frmChangeExe::cmdOk_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmChangeExe::cmdCancel_Click);
    connect(cmdDialog, &QPushButton::clicked, this, &frmChangeExe::cmdDialog_Click);
    Form_Load();
}

frmChangeExe::~frmChangeExe() = default;

void frmChangeExe::Form_Load() {
    modFunctions::CentreForm(this);
}

bool frmChangeExe::event(QEvent* event) {
    const bool handled = CancellableDialog::event(event);
    if (event->type() == QEvent::WindowActivate) {
        Form_Activate();
    }
    return handled;
}

void frmChangeExe::Form_Activate() {
    txtPath->setFocus();
    txtPath->setCursorPosition(static_cast<int>(txtPath->text().size()));
}

void frmChangeExe::txtPath_GotFocus(Qt::FocusReason reason) {
    modFunctions::SelectTextOnFocus(this, txtPath, reason);
}

void frmChangeExe::cmdOk_Click() {
    if (InputPasses()) {
        HideConfirmed();
    }
}

bool frmChangeExe::InputPasses() {
    if (txtPath->text().isEmpty()) {
        return RefuseInput(txtPath, QStringLiteral("Please specify a path for this application."));
    }
    return true;
}

/// Only a file chosen in this browse replaces the path; a cancelled browse
/// leaves the box as it was.
void frmChangeExe::cmdDialog_Click() {
    const QString chosen = CommonDialog1.showOpen(this);
    if (!chosen.isEmpty()) {
        txtPath->setText(chosen);
    }
}

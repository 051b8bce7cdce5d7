#include "frmNewApplication.h"

#include "Accessibility.h"
#include "DialogControls.h"
#include "TextBox.h"
#include "modFunctions.h"
#include "modStoreLayout.h"

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

using namespace DialogControls;

namespace {

// Off Windows the menu is the file manager's, not the Windows shell's.
#ifdef _WIN32
const QString MenuPlace = QStringLiteral("the Windows environment");
#else
const QString MenuPlace = QStringLiteral("your file manager");
#endif

const QString Instruction =
    QStringLiteral("Specify the caption which will appear in the Right Click menu within ") +
    MenuPlace + QStringLiteral(" and the path to the executable to launch.");

} // namespace

frmNewApplication::frmNewApplication(QWidget* parent)
    : CancellableDialog(parent), Label3(NewLabel(this, Instruction, 630, 180, 4845, 495)),
      Frame1(NewFrame(this, 210, 750, 5370, 1695)),
      Label2(NewLabel(Frame1, QStringLiteral("Menu Caption:"), 105, 390, 1035, 195)),
      txtName(NewTextBox(Frame1, 50, 1425, 330, 3465, 315)),
      Label1(NewLabel(Frame1, QStringLiteral("Executable Path:"), 105, 840, 1215, 195)),
      txtPath(NewTextBox(Frame1, 255, 1425, 780, 3075, 315)),
      cmdDialog(NewButton(Frame1, QStringLiteral("..."), 4545, 780, 405, 315)),
      cmdOk(NewButton(this, QStringLiteral("OK"), 3315, 2550, 1065, 405)),
      cmdCancel(NewButton(this, QStringLiteral("Cancel"), 4485, 2550, 1065, 405)) {
    MakeFixedDialog(this, QStringLiteral("New Application"), 5640, 3030);
    cmdOk->setDefault(true);
    Accessibility::NameControl(Frame1, QStringLiteral("New Application"));
    Accessibility::NameControl(txtName, QStringLiteral("Menu Caption"), Label2);
    Accessibility::NameControl(txtPath, QStringLiteral("Executable Path"), Label1);
    Accessibility::NameControl(cmdDialog, QStringLiteral("Browse for the executable"));
    setTabOrder(txtName, txtPath);
    setTabOrder(txtPath, cmdOk);
    setTabOrder(cmdOk, cmdCancel);
    setTabOrder(cmdCancel, cmdDialog);
    connect(txtName, &TextBox::gotFocus, this, &frmNewApplication::txtName_GotFocus);
    connect(txtPath, &TextBox::gotFocus, this, &frmNewApplication::txtPath_GotFocus);
    connect(cmdOk, &QPushButton::clicked, this, &frmNewApplication::cmdOk_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmNewApplication::cmdCancel_Click);
    connect(cmdDialog, &QPushButton::clicked, this, &frmNewApplication::cmdDialog_Click);
    txtName->setFocus();
    Form_Load();
}

frmNewApplication::~frmNewApplication() = default;

void frmNewApplication::Form_Load() {
    modFunctions::CentreForm(this);
}

void frmNewApplication::txtName_GotFocus(Qt::FocusReason reason) {
    modFunctions::SelectTextOnFocus(this, txtName, reason);
}

void frmNewApplication::txtPath_GotFocus(Qt::FocusReason reason) {
    modFunctions::SelectTextOnFocus(this, txtPath, reason);
}

void frmNewApplication::cmdOk_Click() {
    if (InputPasses()) {
        HideConfirmed();
    }
}

bool frmNewApplication::InputPasses() {
    if (modStoreLayout::TrimBlanks(txtName->text().toStdString()).empty()) {
        return RefuseInput(txtName, QStringLiteral("Please give this application a menu caption."));
    }
    // A backslash would make the caption a path of nested keys.
    if (txtName->text().contains(u'\\')) {
        return RefuseInput(txtName,
                           QStringLiteral("A menu caption cannot contain a backslash (\\)."));
    }
    if (txtPath->text().isEmpty()) {
        return RefuseInput(txtPath, QStringLiteral("Please specify a path for this application."));
    }
    return true;
}

/// The file dialog's name goes into the path unconditionally: after a
/// cancelled browse that is the last file chosen in this dialog, or nothing.
void frmNewApplication::cmdDialog_Click() {
    CommonDialog1.showOpen(this);
    txtPath->setText(CommonDialog1.fileName());
}

#include "frmRenameApp.h"

#include "Accessibility.h"
#include "DialogControls.h"
#include "TextBox.h"
#include "modFunctions.h"
#include "modStoreLayout.h"

#include <QEvent>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

using namespace DialogControls;

frmRenameApp::frmRenameApp(QWidget* parent)
    : CancellableDialog(parent),
      Label1(NewLabel(this,
                      QStringLiteral("Type in the new menu caption to be displayed to launch the "
                                     "application."),
                      630, 150, 5580, 315)),
      Frame1(NewFrame(this, 105, 480, 6105, 1665)),
      Label2(NewLabel(Frame1, QStringLiteral("Menu Caption:"), 105, 360, 1035, 195)),
      txtCaption(NewTextBox(Frame1, 50, 1260, 300, 4635, 315)),
      Label3(NewLabel(Frame1, QStringLiteral("Application:"), 105, 750, 825, 195)),
      lblAppName(NewLabel(Frame1, QStringLiteral("AppName"), 1260, 750, 4635, 795)),
      cmdOk(NewButton(this, QStringLiteral("OK"), 3990, 2220, 1065, 405)),
      cmdCancel(NewButton(this, QStringLiteral("Cancel"), 5160, 2220, 1065, 405)) {
    MakeFixedDialog(this, QStringLiteral("Rename Menu Caption"), 6285, 2670);
    cmdOk->setDefault(true);
    Accessibility::NameControl(Frame1, QStringLiteral("Rename Menu Caption"));
    Accessibility::NameControl(txtCaption, QStringLiteral("Menu Caption"), Label2);
    Accessibility::NameControl(lblAppName, QString(), Label3);
    setTabOrder(txtCaption, cmdOk);
    setTabOrder(cmdOk, cmdCancel);
    connect(txtCaption, &TextBox::gotFocus, this, &frmRenameApp::txtCaption_GotFocus);
    connect(cmdOk, &QPushButton::clicked, this, &frmRenameApp::cmdOk_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmRenameApp::cmdCancel_Click);
}

frmRenameApp::~frmRenameApp() = default;

bool frmRenameApp::event(QEvent* event) {
    const bool handled = CancellableDialog::event(event);
    if (event->type() == QEvent::WindowActivate) {
        Form_Activate();
    }
    return handled;
}

void frmRenameApp::Form_Activate() {
    modFunctions::CentreForm(this);
    txtCaption->setFocus();
    txtCaption->setCursorPosition(static_cast<int>(txtCaption->text().size()));
}

void frmRenameApp::txtCaption_GotFocus(Qt::FocusReason reason) {
    modFunctions::SelectTextOnFocus(this, txtCaption, reason);
}

void frmRenameApp::cmdOk_Click() {
    if (InputPasses()) {
        HideConfirmed();
    }
}

bool frmRenameApp::InputPasses() {
    if (modStoreLayout::TrimBlanks(txtCaption->text().toStdString()).empty()) {
        return RefuseInput(txtCaption,
                           QStringLiteral("Please give this application a menu caption."));
    }
    // A backslash would make the caption a path of nested keys.
    if (txtCaption->text().contains(u'\\')) {
        return RefuseInput(txtCaption,
                           QStringLiteral("A menu caption cannot contain a backslash (\\)."));
    }
    return true;
}

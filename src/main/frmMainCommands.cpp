// The operations behind the window's commands: each runs its routine of
// modOperations on this window; help and About.
#include "frmMain.h"

#include "frmAbout.h"
#include "modHelp.h"
#include "modOperations.h"

void frmMain::AddNewApplication() {
    modOperations::AddNewApplication(*this);
}

void frmMain::AssociateFileTypes() {
    modOperations::AssociateFileTypes(*this);
}

void frmMain::DeleteChoice() {
    modOperations::DeleteChoice(*this);
}

void frmMain::RenameApplication() {
    modOperations::RenameApplication(*this);
}

void frmMain::ChangeApplicationExe() {
    modOperations::ChangeApplicationExe(*this);
}

TreeView& frmMain::treApplications() {
    return *m_ui.treApplications;
}

StatusBar& frmMain::StatusBar1() {
    return *m_ui.StatusBar1;
}

QWidget& frmMain::Form() {
    return *this;
}

void frmMain::ShowHelp() {
    // The same as F1: the guide in the help window.
    modHelp::ShowHelp();
}

void frmMain::ShowAbout() {
    frmAbout about(this);
    about.Form_Load();
    about.exec();
}

// The operations behind the window's commands: each runs its routine of
// modOperations on this window.
#include "frmMain.h"

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

void frmMain::ShowHelp() {}

void frmMain::ShowAbout() {}

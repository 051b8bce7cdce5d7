// The operations behind the window's commands. Each is written with its own
// feature (new application, associate file types, delete, rename, change of
// executable, help, About); until then the command is wired and does nothing.
#include "frmMain.h"

void frmMain::AddNewApplication() {}

void frmMain::AssociateFileTypes() {}

void frmMain::DeleteChoice(bool /*checkSelection*/) {}

void frmMain::RenameApplication() {}

void frmMain::ChangeApplicationExe() {}

void frmMain::ShowHelp() {}

void frmMain::ShowAbout() {}

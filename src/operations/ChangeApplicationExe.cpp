// Change application executable: the new command goes into "PATH", the
// node's Tag and the program's own verbs of the application.
#include "OperationSupport.h"
#include "frmMainRoutines.h"
#include "modOperations.h"

#include "TextBox.h"
#include "TreeView.h"
#include "frmChangeExe.h"
#include "modFunctions.h"
#include "modRegistry.h"
#include "modStoreLayout.h"

#include <QLabel>

#include <memory>

namespace modOperations {

using namespace support;

namespace {

/// The new path as typed, or nothing when the dialog was cancelled.
bool AskForNewPath(frmChangeExe& dialog, QString& newPath) {
    dialog.exec();
    newPath = dialog.txtPath->text();
    dialog.hide();
    return !dialog.Cancelled();
}

/// Rewrites the command of each verb of the application that is the
/// program's own; a foreign verb is left to its owner and a vanished one is
/// not made again.
void RewriteOwnVerbs(frmMainRoutines& main, TreeNode& application, const QString& command) {
    const QString caption = application.text();
    for (const QString& type : GetCurrentTypes(main, application)) {
        if (CarriesMarker(caption, type)) {
            WriteText(modRegistry::HKCR, modStoreLayout::CommandKey(Std(type), Std(caption)),
                      std::string(), Std(command));
        }
    }
}

void ChangeExecutable(frmMainRoutines& main, TreeNode& application, const QString& command) {
    const bool kept = WriteAsOneChange(main, [&] {
        WriteText(modRegistry::HKLM, modStoreLayout::ApplicationKey(Std(application.text())),
                  modStoreLayout::PathValue, Std(command));
        RewriteOwnVerbs(main, application, command);
    });
    if (kept) {
        application.setTag(command);
    }
    main.treApplications_MouseUp(Qt::LeftButton, Qt::NoModifier, 0, 0);
}

} // namespace

void ChangeApplicationExe(frmMainRoutines& main) {
    TreeNode* application = main.treApplications().selectedNode();
    if (application == nullptr || application->imageKey() != ApplicationImage) {
        return;
    }
    try {
        auto dialog = std::make_unique<frmChangeExe>();
        dialog->txtPath->setText(
            QString::fromStdString(modStoreLayout::PathFromCommand(Std(application->tag()))));
        dialog->lblAppName->setText(application->text());
        QString newPath;
        if (!AskForNewPath(*dialog, newPath)) {
            return;
        }
        dialog.reset();
        modFunctions::SetHourglass();
        SetStatus(main, QStringLiteral("Changing application executable..."), false);
        ChangeExecutable(main, *application,
                         QString::fromStdString(modStoreLayout::CommandFromPath(Std(newPath))));
        SetStatus(main, QString(), false);
        modFunctions::SetDefaultPointer();
    } catch (...) {
        SetStatus(main, QString(), false);
        modFunctions::SetDefaultPointer();
        ReportFailure(main, QStringLiteral("renaming the application executable"));
    }
}

} // namespace modOperations

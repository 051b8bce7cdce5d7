// Rename menu caption: the application is deleted and created again under the
// new caption, with its command and its file types.
#include "OperationSupport.h"
#include "frmMainRoutines.h"
#include "modOperations.h"

#include "TextBox.h"
#include "TreeView.h"
#include "frmRenameApp.h"
#include "modFunctions.h"
#include "modStoreLayout.h"

#include <QLabel>

#include <memory>

namespace modOperations {

using namespace support;

namespace {

/// Another application already has the caption. The application's own
/// caption, in any letter case, names its own key and may be kept.
bool CaptionOfAnother(const QString& caption, const QString& oldCaption) {
    return !SameKeyName(caption, oldCaption) && CaptionInUse(caption);
}

/// Shows the dialog until it is cancelled or confirmed with a caption that no
/// other application has; the new caption as typed, or nothing when cancelled.
bool AskForNewCaption(frmMainRoutines& main, frmRenameApp& dialog, const QString& oldCaption,
                      QString& newCaption) {
    for (;;) {
        dialog.exec();
        newCaption = dialog.txtCaption->text();
        dialog.hide();
        if (dialog.Cancelled()) {
            return false;
        }
        if (!CaptionOfAnother(newCaption, oldCaption)) {
            return true;
        }
        ReportCaptionInUse(main, newCaption);
    }
}

/// Deletes the application and creates it again under the new caption. The
/// verbs get the command that SaveApplication has just stored as "PATH".
void Rename(frmMainRoutines& main, TreeNode& application, const QString& newCaption) {
    const QString path =
        QString::fromStdString(modStoreLayout::PathFromCommand(Std(application.tag())));
    const QStringList types = GetCurrentTypes(main, application);
    WriteAsOneChange(main, [&] {
        DeleteApplication(main, false);
        SaveApplication(newCaption, path);
        const QString command = QString::fromStdString(modStoreLayout::CommandFromPath(Std(path)));
        for (const QString& type : types) {
            WriteAssociation(newCaption, type, command);
        }
    });
    main.RefreshTree();
}

} // namespace

void RenameApplication(frmMainRoutines& main) {
    TreeNode* application = main.treApplications().selectedNode();
    if (application == nullptr || application->imageKey() != ApplicationImage) {
        return;
    }
    try {
        auto dialog = std::make_unique<frmRenameApp>();
        dialog->txtCaption->setText(application->text());
        dialog->lblAppName->setText(
            QString::fromStdString(modStoreLayout::RemovePercentOne(Std(application->tag()))));
        QString newCaption;
        if (!AskForNewCaption(main, *dialog, application->text(), newCaption)) {
            return;
        }
        dialog.reset();
        modFunctions::SetHourglass();
        SetStatus(main, QStringLiteral("Renaming application..."), false);
        Rename(main, *application, newCaption);
        SetStatus(main, QString(), false);
        modFunctions::SetDefaultPointer();
    } catch (...) {
        SetStatus(main, QString(), false);
        modFunctions::SetDefaultPointer();
        ReportFailure(main, QStringLiteral("renaming the application caption"));
    }
}

} // namespace modOperations

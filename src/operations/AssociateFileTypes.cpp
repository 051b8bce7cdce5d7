// Associate file types: the file-type dialog, then a shell verb, its marker
// and its record for every ticked type, and a child node for each.
#include "OperationSupport.h"
#include "frmMainRoutines.h"
#include "modOperations.h"

#include "ListItemsModel.h"
#include "ListView.h"
#include "StatusBar.h"
#include "TreeView.h"
#include "frmFileTypes.h"
#include "modFunctions.h"

#include <QWidget>

#include <memory>

namespace modOperations {

using namespace support;

namespace {

/// The selected application node, or the application of the selected file
/// type; nullptr when nothing is selected.
TreeNode* SelectedApplication(frmMainRoutines& main) {
    TreeNode* node = main.treApplications().selectedNode();
    if (node != nullptr && node->imageKey() == FileTypeImage) {
        return node->parent();
    }
    return node;
}

/// For each ticked type, in list order, the verb and the record, as one change
/// of the store; then, when it was kept, a node for each.
void SaveAssociations(frmMainRoutines& main, TreeNode& application, const QStringList& types) {
    const bool kept = WriteAsOneChange(main, [&] {
        for (const QString& type : types) {
            WriteAssociation(application.text(), type, application.tag());
        }
    });
    if (!kept) {
        return;
    }
    for (const QString& type : types) {
        main.treApplications().addChild(&application, type, FileTypeImage);
    }
}

} // namespace

QStringList GetCurrentTypes(frmMainRoutines& main, const TreeNode& applicationNode) {
    QStringList types;
    for (const TreeNode* node : main.treApplications().nodes()) {
        if (node->parent() == &applicationNode) {
            types.append(node->text());
        }
    }
    return types;
}

void AssociateFileTypes(frmMainRoutines& main) {
    TreeNode* application = SelectedApplication(main);
    if (application == nullptr) {
        return;
    }
    const QStringList current = GetCurrentTypes(main, *application);
    auto dialog = std::make_unique<frmFileTypes>(&main.StatusBar1());
    dialog->setWindowTitle(QStringLiteral("Associate Files with '") + application->text() +
                           QStringLiteral("'"));
    dialog->setCurrentTypes(current);
    dialog->exec();
    if (dialog->Cancelled()) {
        return;
    }
    dialog->hide();
    // Nothing yields while the verbs are written: draw the window now, where
    // the dialog stood.
    main.Form().repaint();
    modFunctions::SetHourglass();
    SetStatus(main, QStringLiteral("Saving file associations..."), true);
    SaveAssociations(main, *application, dialog->lvwFileTypes->ListItems().checkedKeys());
    dialog.reset();
    SetStatus(main, QString(), true);
    modFunctions::SetDefaultPointer();
}

} // namespace modOperations

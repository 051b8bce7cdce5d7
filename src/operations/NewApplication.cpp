// New application: the dialog, the store's application key and the new
// top-level node.
#include "OperationSupport.h"
#include "frmMainRoutines.h"
#include "modOperations.h"

#include "TextBox.h"
#include "TreeView.h"
#include "frmNewApplication.h"
#include "modRegistry.h"
#include "modStoreLayout.h"

#include <memory>

namespace modOperations {

using namespace support;

namespace {

/// Shows the dialog until it is cancelled or confirmed with a caption that no
/// other application has. A caption in use is refused with its message and
/// the dialog comes back with what was typed. True when confirmed.
bool AskForNewApplication(frmMainRoutines& main, frmNewApplication& dialog) {
    for (;;) {
        dialog.exec();
        if (dialog.Cancelled()) {
            return false;
        }
        const QString caption = dialog.txtName->text();
        if (!CaptionInUse(caption)) {
            return true;
        }
        ReportCaptionInUse(main, caption);
        dialog.txtName->setFocus();
    }
}

/// The application's node: text, picture, its command as Tag, "X" + index as key.
void AddApplicationNode(frmMainRoutines& main, const QString& caption, const QString& path) {
    TreeNode* node = main.treApplications().addNode(caption, ApplicationImage);
    node->setTag(QString::fromStdString(modStoreLayout::CommandFromPath(Std(path))));
    node->setKey(QStringLiteral("X") + QString::number(node->index()));
}

} // namespace

void AddNewApplication(frmMainRoutines& main) {
    auto dialog = std::make_unique<frmNewApplication>();
    if (!AskForNewApplication(main, *dialog)) {
        return;
    }
    const QString caption = dialog->txtName->text();
    const QString path = dialog->txtPath->text();
    if (SaveApplication(caption, path)) {
        AddApplicationNode(main, caption, path);
    }
    dialog.reset();
    main.treApplications().setSorted(true);
}

bool SaveApplication(QString caption, QString path) {
    using namespace modStoreLayout;
    try {
        const std::string key = ApplicationKey(Std(caption));
        return WriteAsOneChange([&] {
            WriteText(modRegistry::HKLM, key, PathValue, CommandFromPath(Std(path)));
            WriteText(modRegistry::HKLM, key, CreatedValue, DateStamp());
        });
    } catch (...) {
        return false;
    }
}

} // namespace modOperations

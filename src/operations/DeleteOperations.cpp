// Delete association and delete application: only verbs that carry the
// program's marker (or that have vanished) are removed, deepest key first.
#include "OperationSupport.h"
#include "frmMainRoutines.h"
#include "modOperations.h"

#include "MessageBox.h"
#include "TreeView.h"
#include "modFunctions.h"
#include "modRegistry.h"
#include "modStoreLayout.h"

#include <QWidget>

namespace modOperations {

using namespace support;
using modRegistry::HKCR;
using modRegistry::HKLM;

namespace {

/// Neither the Command key nor the verb key exists any more: another program
/// removed the verb, and nothing of it is left to protect.
bool VerbVanished(const std::string& caption, const std::string& fileType) {
    return !modRegistry::RegKeyExists(HKCR, modStoreLayout::CommandKey(fileType, caption)) &&
           !modRegistry::RegKeyExists(HKCR, modStoreLayout::VerbKey(fileType, caption));
}

/// The program may remove the verb: it carries the marker, or it vanished.
bool Deletable(const QString& caption, const QString& fileType) {
    return CarriesMarker(caption, fileType) || VerbVanished(Std(caption), Std(fileType));
}

/// A question with Yes as the default button; true on Yes.
bool AskYes(frmMainRoutines& main, const QString& question) {
    return MessageBox::show(&main.Form(), question, MessageBox::Buttons::YesNo,
                            MessageBox::Icon::Exclamation,
                            MessageBox::Answer::Yes) == MessageBox::Answer::Yes;
}

/// The verb, deepest key first, then the association record.
void DeleteAssociationKeys(const std::string& caption, const std::string& fileType) {
    modRegistry::DeleteRegKey(HKCR, modStoreLayout::CommandKey(fileType, caption));
    modRegistry::DeleteRegKey(HKCR, modStoreLayout::VerbKey(fileType, caption));
    modRegistry::DeleteRegKey(HKLM, modStoreLayout::AssociationKey(caption, fileType));
}

void RefuseForeignVerb(frmMainRoutines& main, const QString& fileType) {
    MessageBox::show(&main.Form(),
                     QStringLiteral("The file type '") + modFunctions::Isolate(fileType) +
                         QStringLiteral("' cannot be removed from this application."),
                     MessageBox::Buttons::Ok, MessageBox::Icon::Critical);
}

} // namespace

void DeleteChoice(frmMainRoutines& main) {
    const TreeNode* node = main.treApplications().selectedNode();
    if (node == nullptr) {
        return;
    }
    if (node->imageKey() == FileTypeImage && node->parent() != nullptr) {
        DeleteAssociation(main, node->parent()->text(), node->text(), true);
    } else {
        DeleteApplication(main, true);
    }
    main.RefreshTree();
}

void DeleteAssociation(frmMainRoutines& main, const QString& caption, const QString& fileType,
                       bool confirm) {
    const std::string name = Std(caption);
    const std::string type = Std(fileType);
    if (!Deletable(caption, fileType)) {
        RefuseForeignVerb(main, fileType);
        return;
    }
    if (confirm &&
        !AskYes(main, QStringLiteral("Are you sure you wish to delete the association '") +
                          modFunctions::Isolate(fileType) +
                          QStringLiteral("' from the application '") +
                          modFunctions::Isolate(caption) + QStringLiteral("' ?"))) {
        return;
    }
    WriteAsOneChange(main, [&] { DeleteAssociationKeys(name, type); });
}

void DeleteApplication(frmMainRoutines& main, bool confirm) {
    const TreeNode* selected = main.treApplications().selectedNode();
    if (selected == nullptr) {
        return;
    }
    const QString caption = selected->text();
    if (confirm &&
        !AskYes(main, QStringLiteral("Are you sure you wish to delete the application '") +
                          modFunctions::Isolate(caption) +
                          QStringLiteral("' and all its file associations ?"))) {
        return;
    }
    // One change of the store; a verb that is not the program's own is
    // refused, and said so once the store is no longer held.
    QStringList refused;
    WriteAsOneChange(main, [&] {
        for (const TreeNode* node : main.treApplications().nodes()) {
            if (node->imageKey() == FileTypeImage && node->parent() != nullptr &&
                node->parent()->key() == selected->key()) {
                if (Deletable(caption, node->text())) {
                    DeleteAssociationKeys(Std(caption), Std(node->text()));
                } else {
                    refused.append(node->text());
                }
            }
        }
        modRegistry::DeleteRegKey(HKLM, modStoreLayout::ApplicationKey(Std(caption)));
    });
    for (const QString& fileType : refused) {
        RefuseForeignVerb(main, fileType);
    }
}

} // namespace modOperations

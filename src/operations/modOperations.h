#pragma once
// The operations that change the application store and the shell verbs:
// new application, associate file types, delete, rename the menu caption and
// change the executable. Each is a routine of the main window's logic and
// takes the window (frmMainRoutines) as its one argument; all but the new
// application act on the tree's selected node. Every registry access goes
// through modRegistry, every key and value name through modStoreLayout.
#include <QString>
#include <QStringList>

class TreeNode;
class frmMainRoutines;

namespace modOperations {

/// Where the error messages of the rename and the change of executable ask
/// the user to report a failure.
inline constexpr const char* SupportAddress = "support@tavisk.example";

/// Asks for a caption and an executable path and adds the application to the
/// store and, as a new top-level node, to the tree; the tree is sorted after.
void AddNewApplication(frmMainRoutines& main);

/// Writes the application key's "PATH" (the path followed by " %1") and
/// "CREATED" (today). False when a run-time failure interrupted it; a value
/// already written stays written.
bool SaveApplication(QString caption, QString path);

/// The file types of an application node: its own children's texts, in the
/// order of the tree's node collection.
QStringList GetCurrentTypes(frmMainRoutines& main, const TreeNode& applicationNode);

/// Associates the selected application (or the application of the selected
/// file type) with the file types the user ticks.
void AssociateFileTypes(frmMainRoutines& main);

/// Delete of the selected node, then the reload of the tree: the association
/// or the whole application. Does nothing when no node is selected.
void DeleteChoice(frmMainRoutines& main);

/// Removes one association (its Command key, its verb key, its record) when
/// its verb is the program's own or has vanished; confirm asks first.
void DeleteAssociation(frmMainRoutines& main, const QString& caption, const QString& fileType,
                       bool confirm);

/// Removes every association of the selected application node, then its
/// application key; confirm asks first.
void DeleteApplication(frmMainRoutines& main, bool confirm);

/// Gives the selected application a new menu caption: deleted, then created
/// again under the new caption with its command and its file types.
void RenameApplication(frmMainRoutines& main);

/// Gives the selected application a new executable path, in the store, in its
/// node's Tag and in the command of each of its own verbs.
void ChangeApplicationExe(frmMainRoutines& main);

} // namespace modOperations

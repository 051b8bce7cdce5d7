#pragma once
// What the operations need of the main window: its tree, its status bar, the
// reload of the tree, the update that follows the selected node, and the
// window itself (to repaint it and to own the message boxes). frmMain
// implements it; the operations are routines of the window's logic that take
// it as their one argument.
#include <Qt>

class QWidget;
class StatusBar;
class TreeView;

class frmMainRoutines {
public:
    virtual ~frmMainRoutines() = default;

    /// The tree of applications and their file types.
    virtual TreeView& treApplications() = 0;
    /// The status bar; panel 1 carries the running operation's progress text.
    virtual StatusBar& StatusBar1() = 0;
    /// Reloads the whole tree from the store.
    virtual void RefreshTree() = 0;
    /// Brings the details panel and the enabled commands in line with the
    /// selected node. None of the arguments is read.
    virtual void treApplications_MouseUp(Qt::MouseButton button, Qt::KeyboardModifiers shift,
                                         double x, double y) = 0;
    /// The main window itself.
    virtual QWidget& Form() = 0;

protected:
    frmMainRoutines() = default;
    frmMainRoutines(const frmMainRoutines&) = default;
    frmMainRoutines& operator=(const frmMainRoutines&) = default;
};

#pragma once
// The main window: the tree of applications on the left, the details of the
// selected node on the right, a splitter between them, the menu bar, the
// toolbar and the status bar. It loads the application store into the tree,
// keeps the details panels and the enabled commands in step with the selected
// node, lays its panels out in twips and carries the commands to their
// operations.
#include "frmMainRoutines.h"
#include "modLayout.h"

#include <QHash>
#include <QIcon>
#include <QMainWindow>
#include <QSizeF>

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>

class QAction;
class QLabel;
class QMenu;
class QToolBar;
class StatusBar;
class TreeView;

/// The window's controls, named as designed. Created by frmMain's constructor
/// and owned by the window.
struct frmMainControls {
    QMenu* mnuFile = nullptr;
    QAction* mnuFileNewApp = nullptr;
    QAction* mnuNewFileType = nullptr;
    QAction* mnuFileBar5 = nullptr;
    QAction* mnuFileExit = nullptr;
    QMenu* mnuEdit = nullptr;
    QAction* mnuEditRenameApp = nullptr;
    QAction* mnuEditRenameExe = nullptr;
    QAction* mnuEditSep1 = nullptr;
    QAction* mnuEditDelete = nullptr;
    QMenu* mnuView = nullptr;
    QAction* mnuViewRefresh = nullptr;
    QMenu* mnuHelp = nullptr;
    QAction* mnuHelpTavisk = nullptr;
    QAction* mnuHelpAbout = nullptr;

    QToolBar* Toolbar = nullptr;
    /// The toolbar's buttons by key: "NewApplication", "AddFileTypes",
    /// "Delete", "rename", "changeexe".
    QHash<QString, QAction*> ToolbarButtons;
    /// The 16x16 pictures by key: "FileType", "Delete", "Application",
    /// "rename", "changeexe".
    QHash<QString, QIcon> ImageList1;

    StatusBar* StatusBar1 = nullptr;

    QWidget* picPanelLeft = nullptr;
    TreeView* treApplications = nullptr;
    QWidget* imgSplitter = nullptr;
    QWidget* picSplitter = nullptr;
    QWidget* picPanelTopRight = nullptr;

    QWidget* picBlank = nullptr;
    QWidget* picAppDetails = nullptr;
    QLabel* imgAppDetails = nullptr;
    QLabel* lblAppDetails = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* lblAppCreated = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* lblExePath = nullptr;
    QWidget* picFileTypeDetails = nullptr;
    QLabel* imgFileTypeDetails = nullptr;
    QLabel* lblFTDetails = nullptr;
    QLabel* Label4 = nullptr;
    QLabel* lblFTCreated = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* lblDefinition = nullptr;
};

class frmMain final : public QMainWindow, public frmMainRoutines {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmMain)

public:
    /// The registry routines the window reads and writes through; modRegistry's
    /// own unless a test stands others in (for example ones that throw, to
    /// drive the failure paths).
    struct RegistryCalls {
        std::function<std::string(std::uint32_t, std::string, std::string)> ReadRegValue;
        std::function<void(std::uint32_t, std::string, std::string, std::int32_t, std::string)>
            WriteRegValue;
        std::function<std::string(std::uint32_t, std::string, std::int32_t&)> EnumRegSubkey;
    };

    explicit frmMain(QWidget* parent = nullptr);
    ~frmMain() override;

    const frmMainControls& controls() const { return m_ui; }
    void setRegistryCalls(RegistryCalls calls);
    /// modRegistry's own routines, the ones the window uses unless told otherwise.
    static RegistryCalls StoreCalls();

    // Start-up and the tree.

    /// Caption, centring and the start-up sequence. False when the start-up
    /// failed: the message has been shown, the window closed, and the program
    /// must end.
    bool Form_Load();
    /// The start-up sequence; false (after its message) on a run-time error.
    bool InitialiseMainWindow();
    /// Empties the tree and fills it from the store.
    void LoadSettings();
    /// Reloads the tree and expands again the nodes that were expanded, by key.
    void RefreshTree() override;
    /// Key presses reach the window before its controls: F5 (whatever the
    /// modifiers) refreshes. True when the key was taken.
    bool Form_KeyDown(int keyCode, Qt::KeyboardModifiers shift);
    /// The machine's whole host name.
    static QString GetMachineName();
    /// The program's help file (the guide's contents page), set at start-up.
    QString HelpFile() const { return m_helpFile; }

    // Selection and details.

    /// Nothing selected: the blank panel, and the commands that need a selection off.
    void ClearSelection();
    /// Brings the details panel and the enabled commands in line with the
    /// selected node. None of the arguments is read.
    void treApplications_MouseUp(Qt::MouseButton button = Qt::LeftButton,
                                 Qt::KeyboardModifiers shift = Qt::NoModifier, double x = 0,
                                 double y = 0) override;
    /// Enter runs treApplications_MouseUp; other keys do nothing here.
    void treApplications_KeyUp(int keyCode, Qt::KeyboardModifiers shift);
    /// Fills and shows the application panel; the selected node is an application node.
    void ShowApplicationDetails();
    /// Fills and shows the association panel; the selected node is an association node.
    void ShowFileTypeDetails();

    // Layout and splitter, in twips.

    /// Places the panels with the splitter at x, clamped (and written back).
    void LayoutPanels(double& x);
    void Form_Resize();
    void picPanelLeft_Resize();
    void picPanelTopRight_Resize();
    /// x: the pointer relative to the splitter's left edge, in twips.
    void imgSplitter_MouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, double x,
                               double y);
    void imgSplitter_MouseMove(Qt::MouseButton button, Qt::KeyboardModifiers shift, double x,
                               double y);
    void imgSplitter_MouseUp(Qt::MouseButton button, Qt::KeyboardModifiers shift, double x,
                             double y);
    bool SplitterDragging() const { return m_splitterDragging; }
    /// Where LayoutPanels and the drag put the panels, in twips.
    const modLayout::PanelBoxes& PanelBoxes() const { return m_boxes; }
    /// The window's outer size in twips, frame, title bar and menu bar included.
    double OuterWidth() const;
    double OuterHeight() const;

    // Commands.

    /// Runs the command of the toolbar button with this key (case-sensitive).
    void Toolbar_ButtonClick(const QString& key);
    void mnuFileNewApp_Click();
    void mnuNewFileType_Click();
    void mnuFileExit_Click();
    void mnuEditRenameApp_Click();
    void mnuEditRenameExe_Click();
    void mnuEditDelete_Click();
    void mnuViewRefresh_Click();
    void mnuHelpTavisk_Click();
    void mnuHelpAbout_Click();
    void StatusBar1_PanelClick(int panel);
    /// The main window is closed: every window of the program goes, and the
    /// program ends.
    void Form_Unload();

    // The operations the commands start (modOperations, frmMainCommands.cpp).

    void AddNewApplication();
    void AssociateFileTypes();
    /// Delete of the selected node, then the reload of the tree. Both doors
    /// (menu item and toolbar button) do nothing when no node is selected.
    void DeleteChoice();
    void RenameApplication();
    void ChangeApplicationExe();
    void ShowHelp();
    void ShowAbout();

    // What the operations use of the window.

    TreeView& treApplications() override;
    StatusBar& StatusBar1() override;
    QWidget& Form() override;

signals:
    /// The user asked for a refresh (F5, View > Refresh): what lies outside
    /// the registry (the file managers' entries) may be checked again too.
    void RefreshRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void CreateMenus();
    void CreateToolbar();
    void CreatePanels();
    void CreateDetailsPanels();
    void ConnectControls();
    void ShowPanel(QWidget* panel);
    void SetToolbarButtonEnabled(const QString& key, bool enabled);
    void ApplyBoxes();
    void PlaceLabel(QLabel* label, double left, double top, double width, double height);
    void SetLabelText(QLabel* label, const QString& text);
    /// A details heading, "'" + caption + "' Details", fitted to its panel.
    void SetHeading(QLabel* heading, const QString& caption);
    void FitHeading(QLabel* heading);
    void NameControls();
    void AlignValueColumn(std::initializer_list<QLabel*> captions,
                          std::initializer_list<QLabel*> values);
    void SetOuterWidth(double twips);
    void UpdateKeyState();
    bool SplitterMouseEvent(QEvent* event);
    void ReportStartupFailure();
    std::string Read(std::uint32_t root, const std::string& key, const std::string& value) const;

    frmMainControls m_ui;
    modLayout::PanelBoxes m_boxes = modLayout::DesignBoxes();
    bool m_splitterDragging = false;
    QSizeF m_laidOutFor; ///< the outer size of the last layout, in twips
    QString m_helpFile;
    RegistryCalls m_registry;
};

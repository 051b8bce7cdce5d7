#include "frmMain.h"

#include "Accessibility.h"
#include "MessageBox.h"
#include "StatusBar.h"
#include "TreeView.h"
#include "Twips.h"
#include "modFunctions.h"
#include "modHelp.h"
#include "modKeyState.h"
#include "modRegistry.h"
#include "modStoreLayout.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QToolBar>

#ifdef _WIN32
#include <QSysInfo>
#else
#include <unistd.h>
#endif

#include <algorithm>
#include <climits>
#include <exception>
#include <vector>

namespace {

using modRegistry::HKCR;
using modRegistry::HKLM;
using modRegistry::NotFound;

const QString ApplicationImage = QStringLiteral("Application");
const QString FileTypeImage = QStringLiteral("FileType");

/// Where the platform reports no frame (no window manager, offscreen), the
/// outer size is the client size plus a classic frame: 4-pixel borders and
/// an 18-pixel title bar at 96 dots per inch.
constexpr double FrameAllowanceWidth = 120;
constexpr double FrameAllowanceHeight = 390;

/// What a heading leaves free at its panel's right edge, in twips.
constexpr double HeadingMargin = 120;

/// The design client area, below the menu bar.
constexpr double DesignClientWidth = 11010;
constexpr double DesignClientHeight = 5685;

/// Takes the key presses of the whole program first and hands those meant
/// for the main window to its Form_KeyDown.
class KeyPreview final : public QObject {
public:
    explicit KeyPreview(frmMain* form) : QObject(form), m_form(form) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress) {
            return false;
        }
        const auto* widget = qobject_cast<QWidget*>(watched);
        if (widget == nullptr || widget->window() != m_form) {
            return false;
        }
        const auto* key = static_cast<QKeyEvent*>(event);
        return m_form->Form_KeyDown(key->key(), key->modifiers());
    }

private:
    frmMain* m_form;
};

/// A label whose long words break anywhere rather than run off its edge, so
/// that a path without blanks wraps too.
class WrappingLabel final : public QLabel {
public:
    using QLabel::QLabel;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        QTextOption option(alignment());
        option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawText(QRectF(contentsRect()), text(), option);
    }
};

QFont HeadingFont() {
    return modFunctions::NamedFont(QStringLiteral("MS Sans Serif"), 13.5, true);
}

QFont LabelFont() {
    return modFunctions::NamedFont(QStringLiteral("MS Sans Serif"), 8, false);
}

QHash<QString, QIcon> LoadImageList() {
    QHash<QString, QIcon> images;
    for (const char* key : {"FileType", "Delete", "Application", "rename", "changeexe"}) {
        const QString name = QString::fromLatin1(key);
        images.insert(name, QIcon(QStringLiteral(":/frmMain/%1.svg").arg(name)));
    }
    return images;
}

QWidget* WhitePanel(QWidget* parent, const QString& name) {
    auto* panel = new Panel(parent);
    panel->setObjectName(name);
    panel->setAutoFillBackground(true);
    QPalette colours = panel->palette();
    colours.setColor(QPalette::Window, Qt::white);
    colours.setColor(QPalette::WindowText, Qt::black);
    panel->setPalette(colours);
    return panel;
}

QString Text(const std::string& text) {
    return QString::fromStdString(text);
}

bool HasFrame(const QWidget* window) {
    return window->frameGeometry().size() != window->geometry().size();
}

} // namespace

// The pictures live in this library's resources, which a static library must
// register by hand. Outside any namespace, as Qt asks.
static void InitialiseResources() {
    Q_INIT_RESOURCE(frmMain);
}

// Construction

frmMain::RegistryCalls frmMain::StoreCalls() {
    return {
        [](std::uint32_t root, std::string key, std::string value) {
            return modRegistry::ReadRegValue(root, std::move(key), std::move(value));
        },
        [](std::uint32_t root, std::string key, std::string value, std::int32_t type,
           std::string data) {
            modRegistry::WriteRegValue(root, std::move(key), std::move(value), type,
                                       std::move(data));
        },
        [](std::uint32_t root, std::string key, std::int32_t& index) {
            return modRegistry::EnumRegSubkey(root, std::move(key), index);
        },
    };
}

frmMain::frmMain(QWidget* parent) : QMainWindow(parent), m_registry(StoreCalls()) {
    InitialiseResources();
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("Tavisk"));
    m_ui.ImageList1 = LoadImageList();
    setCentralWidget(new Panel(this));
    centralWidget()->installEventFilter(this);
    CreateMenus();
    CreateToolbar();
    CreatePanels();
    CreateDetailsPanels();
    ApplyBoxes();
    m_ui.StatusBar1 = new StatusBar(this);
    m_ui.StatusBar1->setMinimumWidth(1); // the panels clip on a narrow window
    setStatusBar(m_ui.StatusBar1);
    ConnectControls();
    NameControls();
    resize(Twips::ToPixels(DesignClientWidth),
           Twips::ToPixels(DesignClientHeight) + menuBar()->sizeHint().height());
    qApp->installEventFilter(new KeyPreview(this));
    UpdateKeyState();
}

frmMain::~frmMain() = default;

void frmMain::setRegistryCalls(RegistryCalls calls) {
    m_registry = std::move(calls);
}

void frmMain::CreateMenus() {
    const auto item = [](QMenu* menu, const char* caption, const QKeySequence& shortcut = {}) {
        QAction* action = menu->addAction(QString::fromUtf8(caption));
        action->setShortcut(shortcut);
        return action;
    };
    m_ui.mnuFile = menuBar()->addMenu(QStringLiteral("&File"));
    m_ui.mnuFileNewApp =
        item(m_ui.mnuFile, "New &Application...", QKeySequence(Qt::CTRL | Qt::Key_N));
    m_ui.mnuNewFileType =
        item(m_ui.mnuFile, "New &File Type Association...", QKeySequence(Qt::CTRL | Qt::Key_F));
    m_ui.mnuFileBar5 = m_ui.mnuFile->addSeparator();
    m_ui.mnuFileExit = item(m_ui.mnuFile, "E&xit");

    m_ui.mnuEdit = menuBar()->addMenu(QStringLiteral("&Edit"));
    m_ui.mnuEditRenameApp = item(m_ui.mnuEdit, "&Rename Menu Caption...");
    m_ui.mnuEditRenameExe = item(m_ui.mnuEdit, "Change Application E&xecutable...");
    m_ui.mnuEditSep1 = m_ui.mnuEdit->addSeparator();
    m_ui.mnuEditDelete = item(m_ui.mnuEdit, "&Delete", QKeySequence(Qt::Key_Delete));

    m_ui.mnuView = menuBar()->addMenu(QStringLiteral("&View"));
    m_ui.mnuViewRefresh = item(m_ui.mnuView, "&Refresh");

    m_ui.mnuHelp = menuBar()->addMenu(QStringLiteral("&Help"));
    m_ui.mnuHelpTavisk = item(m_ui.mnuHelp, "Tavisk Help");
    m_ui.mnuHelpAbout = item(m_ui.mnuHelp, "&About ");
}

void frmMain::CreateToolbar() {
    auto* toolbar = new QToolBar(centralWidget());
    toolbar->setObjectName(QStringLiteral("Toolbar"));
    toolbar->setMovable(false);
    toolbar->setFloatable(false);
    // The 16x16 pictures, 240 twips at the design's 96 dots per inch.
    const int picture = Twips::ToPixels(240);
    toolbar->setIconSize(QSize(picture, picture));
    toolbar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    const auto button = [&](const char* key, const char* toolTip, const char* image,
                            const char* command) {
        const QString name = QString::fromLatin1(key);
        QAction* action =
            toolbar->addAction(m_ui.ImageList1.value(QString::fromLatin1(image)), QString());
        action->setObjectName(name);
        action->setToolTip(QString::fromUtf8(toolTip));
        m_ui.ToolbarButtons.insert(name, action);
        // Assistive tools name a picture-only button by its command.
        Accessibility::NameControl(toolbar->widgetForAction(action), QString::fromUtf8(command));
        connect(action, &QAction::triggered, this, [this, name] { Toolbar_ButtonClick(name); });
    };
    button("NewApplication", "Add a new application", "Application", "New Application");
    button("AddFileTypes", "Associate application with a file type", "FileType",
           "Associate File Types");
    toolbar->addSeparator();
    button("Delete", "Delete item", "Delete", "Delete");
    toolbar->addSeparator();
    button("rename", "Rename application caption", "rename", "Rename Menu Caption");
    button("changeexe", "Change application executable", "changeexe",
           "Change Application Executable");
    m_ui.Toolbar = toolbar;
}

void frmMain::CreatePanels() {
    QWidget* client = centralWidget();
    // Created first, so that it lies beneath the panels: only the strip
    // between them is left to grab.
    m_ui.imgSplitter = new QWidget(client);
    m_ui.imgSplitter->setObjectName(QStringLiteral("imgSplitter"));
    m_ui.imgSplitter->setCursor(Qt::SplitHCursor);
    m_ui.imgSplitter->installEventFilter(this);

    m_ui.picPanelLeft = new Panel(client);
    m_ui.picPanelLeft->setObjectName(QStringLiteral("picPanelLeft"));
    m_ui.treApplications = new TreeView(m_ui.picPanelLeft);
    m_ui.treApplications->setObjectName(QStringLiteral("treApplications"));
    m_ui.treApplications->setImages(m_ui.ImageList1);
    const int picture = Twips::ToPixels(240);
    m_ui.treApplications->view()->setIconSize(QSize(picture, picture));

    m_ui.picPanelTopRight = new Panel(client);
    m_ui.picPanelTopRight->setObjectName(QStringLiteral("picPanelTopRight"));

    m_ui.picSplitter = new QWidget(client);
    m_ui.picSplitter->setObjectName(QStringLiteral("picSplitter"));
    m_ui.picSplitter->setAutoFillBackground(true);
    QPalette grey = m_ui.picSplitter->palette();
    grey.setColor(QPalette::Window, QColor(128, 128, 128));
    m_ui.picSplitter->setPalette(grey);
    m_ui.picSplitter->hide();
    ApplyBoxes();
}

void frmMain::CreateDetailsPanels() {
    QWidget* right = m_ui.picPanelTopRight;
    const auto picture = [](QWidget* panel, const QString& file) {
        auto* image = new QLabel(panel);
        const int size = Twips::ToPixels(480);
        image->setPixmap(QIcon(file).pixmap(size, size));
        Twips::SetGeometry(image, 60, 45, 480, 480);
        return image;
    };
    const auto label = [this](QWidget* panel, const char* text, double left, double top,
                              double width, double height, QLabel* made = nullptr) {
        QLabel* lbl = made != nullptr ? made : new QLabel(panel);
        lbl->setParent(panel);
        lbl->setTextFormat(Qt::PlainText);
        lbl->setFont(LabelFont());
        PlaceLabel(lbl, left, top, width, height);
        SetLabelText(lbl, QString::fromUtf8(text));
        return lbl;
    };

    m_ui.picBlank = WhitePanel(right, QStringLiteral("picBlank"));

    m_ui.picAppDetails = WhitePanel(right, QStringLiteral("picAppDetails"));
    QWidget* app = m_ui.picAppDetails;
    m_ui.imgAppDetails = picture(app, QStringLiteral(":/frmMain/AppDetails.svg"));
    m_ui.lblAppDetails = label(app, "Application Details", 630, 90, 2595, 360);
    m_ui.Label2 = label(app, "Created:", 210, 780, 600, 195);
    m_ui.lblAppCreated = label(app, "1 Jan 2003", 1575, 780, 2580, 195);
    m_ui.Label1 = label(app, "Executable Path:", 210, 1140, 1215, 195);
    auto* exePath = new WrappingLabel(app);
    exePath->setWordWrap(true);
    exePath->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_ui.lblExePath = label(app, "Executable Path", 1575, 1140, 6315, 1335, exePath);

    m_ui.picFileTypeDetails = WhitePanel(right, QStringLiteral("picFileTypeDetails"));
    QWidget* type = m_ui.picFileTypeDetails;
    m_ui.imgFileTypeDetails = picture(type, QStringLiteral(":/frmMain/FileTypeDetails.svg"));
    m_ui.lblFTDetails = label(type, "File Type Details", 570, 60, 2355, 360);
    m_ui.Label4 = label(type, "Created:", 210, 780, 600, 195);
    m_ui.lblFTCreated = label(type, "1st Jan 2003", 1050, 780, 2805, 195);
    m_ui.Label3 = label(type, "Definition:", 210, 1110, 705, 195);
    m_ui.lblDefinition = label(type, "Not Set", 1050, 1110, 540, 195);

    for (QLabel* heading : {m_ui.lblAppDetails, m_ui.lblFTDetails}) {
        heading->setFont(HeadingFont());
        SetLabelText(heading, heading->text());
    }
    // Labels that take the size of their text, as designed; the others keep theirs.
    for (QLabel* fitted : {m_ui.lblAppDetails, m_ui.Label2, m_ui.Label1, m_ui.lblFTDetails,
                           m_ui.Label4, m_ui.Label3, m_ui.lblDefinition}) {
        fitted->setProperty("autoSize", true);
        SetLabelText(fitted, fitted->text());
    }
    AlignValueColumn({m_ui.Label2, m_ui.Label1}, {m_ui.lblAppCreated, m_ui.lblExePath});
    AlignValueColumn({m_ui.Label4, m_ui.Label3}, {m_ui.lblFTCreated, m_ui.lblDefinition});
    ShowPanel(m_ui.picBlank);
}

void frmMain::NameControls() {
    using Accessibility::NameControl;
    NameControl(m_ui.Toolbar, QStringLiteral("Toolbar"));
    NameControl(m_ui.treApplications, QStringLiteral("Applications"));
    NameControl(m_ui.treApplications->view(), QStringLiteral("Applications"));
    NameControl(m_ui.imgSplitter, QStringLiteral("Splitter"));
    NameControl(m_ui.picSplitter, QStringLiteral("Splitter bar"));
    NameControl(m_ui.picPanelLeft, QStringLiteral("Applications"));
    NameControl(m_ui.picPanelTopRight, QStringLiteral("Details"));
    NameControl(m_ui.picBlank, QStringLiteral("Nothing selected"));
    NameControl(m_ui.picAppDetails, QStringLiteral("Application Details"));
    NameControl(m_ui.picFileTypeDetails, QStringLiteral("File Type Details"));
    NameControl(m_ui.imgAppDetails, QStringLiteral("Application"));
    NameControl(m_ui.imgFileTypeDetails, QStringLiteral("File type"));
    NameControl(m_ui.lblAppCreated, QString(), m_ui.Label2);
    NameControl(m_ui.lblExePath, QString(), m_ui.Label1);
    NameControl(m_ui.lblFTCreated, QString(), m_ui.Label4);
    NameControl(m_ui.lblDefinition, QString(), m_ui.Label3);
    NameControl(m_ui.StatusBar1, QStringLiteral("Status"));
}

void frmMain::ConnectControls() {
    const auto on = [this](QAction* action, void (frmMain::*handler)()) {
        connect(action, &QAction::triggered, this, handler);
    };
    on(m_ui.mnuFileNewApp, &frmMain::mnuFileNewApp_Click);
    on(m_ui.mnuNewFileType, &frmMain::mnuNewFileType_Click);
    on(m_ui.mnuFileExit, &frmMain::mnuFileExit_Click);
    on(m_ui.mnuEditRenameApp, &frmMain::mnuEditRenameApp_Click);
    on(m_ui.mnuEditRenameExe, &frmMain::mnuEditRenameExe_Click);
    on(m_ui.mnuEditDelete, &frmMain::mnuEditDelete_Click);
    on(m_ui.mnuViewRefresh, &frmMain::mnuViewRefresh_Click);
    on(m_ui.mnuHelpTavisk, &frmMain::mnuHelpTavisk_Click);
    on(m_ui.mnuHelpAbout, &frmMain::mnuHelpAbout_Click);
    connect(m_ui.treApplications, &TreeView::mouseUp, this,
            [this](Qt::MouseButton button, Qt::KeyboardModifiers shift, QPointF position) {
                treApplications_MouseUp(button, shift, Twips::FromPixels(qRound(position.x())),
                                        Twips::FromPixels(qRound(position.y())));
            });
    connect(m_ui.treApplications, &TreeView::keyUp, this, &frmMain::treApplications_KeyUp);
    connect(m_ui.StatusBar1, &StatusBar::panelClicked, this, &frmMain::StatusBar1_PanelClick);
    // CAPS and NUM follow the keyboard's indicators as the platform reports them.
    auto* keyState = new modKeyState::LockKeyWatcher(this);
    connect(keyState, &modKeyState::LockKeyWatcher::changed, this, &frmMain::UpdateKeyState);
}

// Start-up and the tree

bool frmMain::Form_Load() {
    setWindowTitle(QStringLiteral("Tavisk"));
    modFunctions::CentreForm(this);
    return InitialiseMainWindow();
}

bool frmMain::InitialiseMainWindow() {
    try {
        m_helpFile = modHelp::DefaultHelpFile();
        modHelp::SetHelpFile(m_helpFile);
        show();
        setCursor(Qt::WaitCursor);
        m_ui.StatusBar1->setHeightTwips(modLayout::StatusBarHeight);
        double splitter = modLayout::StartSplitter;
        LayoutPanels(splitter);
        m_ui.StatusBar1->setPanelText(2, GetMachineName());
        if (m_registry.ReadRegValue(HKLM, modStoreLayout::StorePath,
                                    modStoreLayout::RunBeforeValue) == NotFound) {
            m_registry.WriteRegValue(HKLM, modStoreLayout::StorePath,
                                     modStoreLayout::RunBeforeValue, modRegistry::REG_SZ_TYPE, "1");
        }
        show();
        LoadSettings();
        ClearSelection();
        unsetCursor();
        return true;
    } catch (...) {
        ReportStartupFailure();
        return false;
    }
}

void frmMain::ReportStartupFailure() {
    unsetCursor();
    modFunctions::SetDefaultPointer();
    MessageBox::show(this,
                     QStringLiteral("An error occurred whilst loading ") + MessageBox::Title +
                         QStringLiteral("."),
                     MessageBox::Buttons::Ok, MessageBox::Icon::Critical);
    hide();
}

void frmMain::LoadSettings() {
    TreeView* tree = m_ui.treApplications;
    try {
        m_ui.StatusBar1->showProgress(QStringLiteral("Loading settings..."));
        modFunctions::SetHourglass();
        tree->clear();
        const std::string store = modStoreLayout::StorePath;
        for (std::int32_t i = 0;; ++i) {
            const std::string name = m_registry.EnumRegSubkey(HKLM, store, i);
            if (name == NotFound) {
                break;
            }
            const std::string command =
                m_registry.ReadRegValue(HKLM, store + name, modStoreLayout::PathValueAsRead);
            TreeNode* node = tree->addNode(Text(name), ApplicationImage);
            node->setKey(QStringLiteral("X") + QString::number(node->index()));
            node->setTag(Text(command));
            // The records lie under the application's exact key name: a caption
            // with blanks at either end keeps them.
            const std::string associations = store + name + "\\";
            for (std::int32_t j = 0;; ++j) {
                const std::string type = m_registry.EnumRegSubkey(HKLM, associations, j);
                if (type == NotFound) {
                    break;
                }
                tree->addChild(node, Text(type), FileTypeImage);
            }
        }
        m_ui.StatusBar1->setPanelText(1, QString());
        modFunctions::SetDefaultPointer();
        ClearSelection();
    } catch (const std::exception& error) {
        modFunctions::SetDefaultPointer();
        m_ui.StatusBar1->setPanelText(1, QString());
        MessageBox::exclamation(this, QString::fromUtf8(error.what()));
    } catch (...) {
        modFunctions::SetDefaultPointer();
        m_ui.StatusBar1->setPanelText(1, QString());
        MessageBox::exclamation(this, QStringLiteral("Unknown error"));
    }
}

void frmMain::RefreshTree() {
    TreeView* tree = m_ui.treApplications;
    QStringList expanded;
    for (TreeNode* node : tree->nodes()) {
        if (node->expanded()) {
            expanded.append(node->key());
        }
    }
    LoadSettings();
    for (const QString& key : expanded) {
        if (TreeNode* node = tree->nodeByKey(key)) {
            node->setExpanded(true);
        }
    }
}

bool frmMain::Form_KeyDown(int keyCode, Qt::KeyboardModifiers) {
    if (keyCode == Qt::Key_F5) {
        RefreshTree();
        emit RefreshRequested();
        return true;
    }
    return false;
}

QString frmMain::GetMachineName() {
#ifdef _WIN32
    return QSysInfo::machineHostName();
#else
    long longest = sysconf(_SC_HOST_NAME_MAX);
    if (longest <= 0) {
        longest = HOST_NAME_MAX;
    }
    std::vector<char> buffer(static_cast<std::size_t>(longest) + 2, '\0');
    if (gethostname(buffer.data(), buffer.size() - 1) != 0) {
        return QString();
    }
    return QString::fromLocal8Bit(buffer.data());
#endif
}

// Selection and details

void frmMain::ClearSelection() {
    m_ui.treApplications->setSelectedNode(nullptr);
    m_ui.treApplications->setDropHighlightNode(nullptr);
    ShowPanel(m_ui.picBlank);
    SetToolbarButtonEnabled(QStringLiteral("Delete"), false);
    SetToolbarButtonEnabled(QStringLiteral("AddFileTypes"), false);
    SetToolbarButtonEnabled(QStringLiteral("rename"), false);
    m_ui.mnuNewFileType->setEnabled(false);
}

void frmMain::treApplications_MouseUp(Qt::MouseButton, Qt::KeyboardModifiers, double, double) {
    // The commands for an application node (true) or an association node (false).
    const auto enable = [this](bool application) {
        SetToolbarButtonEnabled(QStringLiteral("Delete"), true);
        SetToolbarButtonEnabled(QStringLiteral("AddFileTypes"), true);
        SetToolbarButtonEnabled(QStringLiteral("rename"), application);
        SetToolbarButtonEnabled(QStringLiteral("changeexe"), application);
        m_ui.mnuEditDelete->setEnabled(true);
        m_ui.mnuNewFileType->setEnabled(true);
        m_ui.mnuFileNewApp->setEnabled(true);
        m_ui.mnuEditRenameApp->setEnabled(application);
        m_ui.mnuEditRenameExe->setEnabled(application);
    };
    const TreeNode* node = m_ui.treApplications->selectedNode();
    if (node == nullptr) {
        return;
    }
    if (node->imageKey() == FileTypeImage) {
        enable(false);
        ShowFileTypeDetails();
    }
    node = m_ui.treApplications->selectedNode();
    if (node != nullptr && node->imageKey() == ApplicationImage) {
        enable(true);
        ShowApplicationDetails();
    }
}

void frmMain::treApplications_KeyUp(int keyCode, Qt::KeyboardModifiers shift) {
    if (keyCode == Qt::Key_Return || keyCode == Qt::Key_Enter) {
        treApplications_MouseUp(Qt::LeftButton, shift, 0, 0);
    }
}

void frmMain::ShowApplicationDetails() {
    ShowPanel(m_ui.picAppDetails);
    const TreeNode* node = m_ui.treApplications->selectedNode();
    const QString caption = node != nullptr ? node->text() : QString();
    SetHeading(m_ui.lblAppDetails, caption);
    const std::string key = modStoreLayout::ApplicationKey(caption.toStdString());
    SetLabelText(m_ui.lblExePath, Text(modStoreLayout::RemovePercentOne(
                                      Read(HKLM, key, modStoreLayout::PathValue))));
    SetLabelText(m_ui.lblAppCreated, Text(Read(HKLM, key, modStoreLayout::CreatedValue)));
}

void frmMain::ShowFileTypeDetails() {
    ShowPanel(m_ui.picFileTypeDetails);
    const TreeNode* node = m_ui.treApplications->selectedNode();
    const QString fileType = node != nullptr ? node->text() : QString();
    const TreeNode* parent = node != nullptr ? node->parent() : nullptr;
    const QString caption = parent != nullptr ? parent->text() : QString();
    const std::string command =
        modStoreLayout::CommandKey(fileType.toStdString(), caption.toStdString());
    SetHeading(m_ui.lblFTDetails, fileType);
    SetLabelText(m_ui.lblFTCreated, Text(Read(HKCR, command, modStoreLayout::CreatedValue)));
    SetLabelText(m_ui.lblDefinition, Text(Read(HKCR, fileType.toStdString(), "")));
}

void frmMain::ShowPanel(QWidget* panel) {
    for (QWidget* each : {m_ui.picBlank, m_ui.picAppDetails, m_ui.picFileTypeDetails}) {
        if (each != nullptr) {
            each->setVisible(each == panel);
        }
    }
}

void frmMain::SetToolbarButtonEnabled(const QString& key, bool enabled) {
    if (QAction* button = m_ui.ToolbarButtons.value(key)) {
        button->setEnabled(enabled);
    }
}

void frmMain::PlaceLabel(QLabel* label, double left, double top, double width, double height) {
    label->setProperty("designWidth", width);
    label->setProperty("designHeight", height);
    Twips::SetGeometry(label, left, top, width, height);
}

void frmMain::AlignValueColumn(std::initializer_list<QLabel*> captions,
                               std::initializer_list<QLabel*> values) {
    // Where the face in use is wider than the design's, the captions grow to
    // fit and would run into the values: those then move right as far as the
    // design's least gap (120 twips).
    int column = 0;
    for (const QLabel* caption : captions) {
        column = std::max(column, caption->geometry().right() + 1 + Twips::ToPixels(120));
    }
    for (QLabel* value : values) {
        value->move(std::max(value->x(), column), value->y());
    }
}

void frmMain::SetLabelText(QLabel* label, const QString& text) {
    label->setText(text);
    if (!label->property("autoSize").toBool()) {
        return;
    }
    // Never narrower or lower than designed; wider or higher when the text needs it.
    const QSize needed = label->sizeHint();
    const int width =
        std::max(Twips::ToPixels(label->property("designWidth").toDouble()), needed.width());
    const int height =
        std::max(Twips::ToPixels(label->property("designHeight").toDouble()), needed.height());
    label->resize(width, height);
}

void frmMain::SetHeading(QLabel* heading, const QString& caption) {
    heading->setProperty("caption", caption);
    FitHeading(heading);
}

void frmMain::FitHeading(QLabel* heading) {
    // "'" + caption + "' Details", with the caption isolated so that a
    // right-to-left caption does not reorder the quotes and the word. Where
    // the whole heading is wider than its panel, the caption is cut short
    // with "…" and the whole heading becomes the tooltip.
    const QString caption = heading->property("caption").toString();
    const auto headingOf = [](const QString& shown) {
        return QStringLiteral("'") + modFunctions::Isolate(shown) + QStringLiteral("' Details");
    };
    const QString whole = headingOf(caption);
    const QFontMetrics metrics(heading->font());
    const int room =
        heading->parentWidget()->width() - heading->x() - Twips::ToPixels(HeadingMargin);
    QString shown = whole;
    if (metrics.horizontalAdvance(whole) > room) {
        const int frame = metrics.horizontalAdvance(headingOf(QString()));
        shown = headingOf(metrics.elidedText(caption, Qt::ElideRight, std::max(0, room - frame)));
    }
    SetLabelText(heading, shown);
    heading->setToolTip(shown == whole ? QString() : whole);
}

std::string frmMain::Read(std::uint32_t root, const std::string& key,
                          const std::string& value) const {
    return m_registry.ReadRegValue(root, key, value);
}

// Layout and splitter

double frmMain::OuterWidth() const {
    return HasFrame(this) ? Twips::FromPixels(frameGeometry().width())
                          : Twips::FromPixels(width()) + FrameAllowanceWidth;
}

double frmMain::OuterHeight() const {
    return HasFrame(this) ? Twips::FromPixels(frameGeometry().height())
                          : Twips::FromPixels(height()) + FrameAllowanceHeight;
}

void frmMain::SetOuterWidth(double twips) {
    const double frame = OuterWidth() - Twips::FromPixels(width());
    int pixels = Twips::ToPixels(twips - frame);
    if (Twips::FromPixels(pixels) + frame < twips) {
        ++pixels;
    }
    resize(pixels, height());
}

void frmMain::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    Form_Resize();
}

void frmMain::Form_Resize() {
    if (OuterWidth() < modLayout::MinimumWidth) {
        SetOuterWidth(modLayout::FloorWidth(OuterWidth()));
    }
    double x = m_boxes.imgSplitter.left;
    LayoutPanels(x);
}

void frmMain::LayoutPanels(double& x) {
    m_laidOutFor = QSizeF(OuterWidth(), OuterHeight());
    modLayout::LayoutPanels(m_boxes, x, m_laidOutFor.width(), m_laidOutFor.height());
    ApplyBoxes();
}

void frmMain::moveEvent(QMoveEvent* event) {
    QMainWindow::moveEvent(event);
    // A window manager frames the window after it is shown, without resizing
    // it: the outer size changes all the same, and the layout follows it.
    if (m_laidOutFor != QSizeF(OuterWidth(), OuterHeight())) {
        Form_Resize();
    }
}

void frmMain::ApplyBoxes() {
    const auto place = [](QWidget* widget, const modLayout::Box& box) {
        Twips::SetGeometry(widget, box.left, box.top, box.width, box.height);
    };
    place(m_ui.picPanelLeft, m_boxes.picPanelLeft);
    place(m_ui.imgSplitter, m_boxes.imgSplitter);
    place(m_ui.picSplitter, m_boxes.picSplitter);
    place(m_ui.picPanelTopRight, m_boxes.picPanelTopRight);
    picPanelLeft_Resize();
    picPanelTopRight_Resize();
}

void frmMain::picPanelLeft_Resize() {
    const modLayout::Box fill = modLayout::FillBox(m_boxes.picPanelLeft);
    Twips::SetGeometry(m_ui.treApplications, fill.left, fill.top, fill.width, fill.height);
}

void frmMain::picPanelTopRight_Resize() {
    const modLayout::Box fill = modLayout::FillBox(m_boxes.picPanelTopRight);
    for (QWidget* panel : {m_ui.picAppDetails, m_ui.picFileTypeDetails, m_ui.picBlank}) {
        if (panel != nullptr) {
            Twips::SetGeometry(panel, fill.left, fill.top, fill.width, fill.height);
        }
    }
    for (QLabel* heading : {m_ui.lblAppDetails, m_ui.lblFTDetails}) {
        if (heading != nullptr && heading->property("caption").isValid()) {
            FitHeading(heading);
        }
    }
}

void frmMain::imgSplitter_MouseDown(Qt::MouseButton, Qt::KeyboardModifiers, double, double) {
    const modLayout::Box& bar = m_boxes.picSplitter =
        modLayout::SplitterBarAtMouseDown(m_boxes.imgSplitter);
    Twips::SetGeometry(m_ui.picSplitter, bar.left, bar.top, bar.width, bar.height);
    m_ui.picSplitter->show();
    m_ui.picSplitter->raise();
    m_splitterDragging = true;
}

void frmMain::imgSplitter_MouseMove(Qt::MouseButton, Qt::KeyboardModifiers, double x, double) {
    if (!m_splitterDragging) {
        return;
    }
    modLayout::Box& bar = m_boxes.picSplitter;
    bar.left = modLayout::SplitterBarLeft(m_boxes.imgSplitter.left + x, OuterWidth());
    Twips::SetGeometry(m_ui.picSplitter, bar.left, bar.top, bar.width, bar.height);
}

void frmMain::imgSplitter_MouseUp(Qt::MouseButton, Qt::KeyboardModifiers, double, double) {
    double x = m_boxes.picSplitter.left;
    LayoutPanels(x);
    m_ui.picSplitter->hide();
    m_splitterDragging = false;
}

bool frmMain::SplitterMouseEvent(QEvent* event) {
    const QEvent::Type type = event->type();
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseMove &&
        type != QEvent::MouseButtonRelease) {
        return false;
    }
    const auto* mouse = static_cast<QMouseEvent*>(event);
    const double x = Twips::FromPixels(qRound(mouse->position().x()));
    const double y = Twips::FromPixels(qRound(mouse->position().y()));
    if (type == QEvent::MouseButtonPress) {
        imgSplitter_MouseDown(mouse->button(), mouse->modifiers(), x, y);
    } else if (type == QEvent::MouseMove) {
        imgSplitter_MouseMove(mouse->button(), mouse->modifiers(), x, y);
    } else {
        imgSplitter_MouseUp(mouse->button(), mouse->modifiers(), x, y);
    }
    return true;
}

bool frmMain::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_ui.imgSplitter) {
        return SplitterMouseEvent(event);
    }
    if (watched == centralWidget() && event->type() == QEvent::Resize && m_ui.Toolbar) {
        // The toolbar is docked along the top of the client area.
        m_ui.Toolbar->setGeometry(0, 0, centralWidget()->width(),
                                  Twips::ToPixels(modLayout::ToolbarHeight));
    }
    return QMainWindow::eventFilter(watched, event);
}

void frmMain::UpdateKeyState() {
    const modKeyState::LockKeys keys = modKeyState::QueryLockKeys();
    if (m_ui.StatusBar1 != nullptr) {
        m_ui.StatusBar1->setKeyState(keys.capsLock, keys.numLock, keys.known);
    }
}

// Commands

void frmMain::Toolbar_ButtonClick(const QString& key) {
    if (key == QLatin1String("NewApplication")) {
        AddNewApplication();
    } else if (key == QLatin1String("AddFileTypes")) {
        AssociateFileTypes();
    } else if (key == QLatin1String("Delete")) {
        DeleteChoice();
    } else if (key == QLatin1String("rename")) {
        RenameApplication();
    } else if (key == QLatin1String("changeexe")) {
        ChangeApplicationExe();
    }
}

void frmMain::mnuFileNewApp_Click() {
    AddNewApplication();
}

void frmMain::mnuNewFileType_Click() {
    AssociateFileTypes();
}

void frmMain::mnuFileExit_Click() {
    modFunctions::UnloadAllForms();
}

void frmMain::Form_Unload() {
    modFunctions::UnloadAllForms();
}

void frmMain::closeEvent(QCloseEvent* event) {
    // The close is never refused: nothing is left to save.
    QMainWindow::closeEvent(event);
    event->accept();
    Form_Unload();
}

void frmMain::mnuEditRenameApp_Click() {
    RenameApplication();
}

void frmMain::mnuEditRenameExe_Click() {
    ChangeApplicationExe();
}

void frmMain::mnuEditDelete_Click() {
    DeleteChoice();
}

void frmMain::mnuViewRefresh_Click() {
    RefreshTree();
    emit RefreshRequested();
}

void frmMain::mnuHelpTavisk_Click() {
    ShowHelp();
}

void frmMain::mnuHelpAbout_Click() {
    ShowAbout();
}

void frmMain::StatusBar1_PanelClick(int) {}

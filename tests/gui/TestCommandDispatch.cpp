// The command table, row by row, through every door it lists: the menu item
// (clicked in its open menu), the shortcut (typed into the window), the
// toolbar button (clicked) and F5 and F1. Each door must start the right
// operation, seen by what it does (the dialog it shows, the question it
// asks, the reload of the tree, the store it changes), or do nothing where
// the command is disabled or nothing is selected.
#include "GuiTestSupport.h"

#include "ListItemsModel.h"
#include "ListView.h"
#include "MessageBox.h"
#include "StatusBar.h"
#include "TextBox.h"
#include "TreeView.h"
#include "frmAbout.h"
#include "frmChangeExe.h"
#include "frmFileTypes.h"
#include "frmHelp.h"
#include "frmMain.h"
#include "frmNewApplication.h"
#include "frmRenameApp.h"
#include "modHelp.h"

#include <QAbstractItemView>
#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>
#include <QToolBar>

#include <memory>
#include <string_view>

using namespace GuiTestSupport;
using modRegistry::HKCR;
using modRegistry::HKLM;

namespace {

enum class Door { Menu, Shortcut, Toolbar };

/// What a command did.
struct Outcome {
    QStringList dialogs; ///< classes of the modal dialogs shown
    int questions = 0;   ///< message boxes
    int loads = 0;       ///< loads of the tree from the store
    int writes = 0;      ///< keys changed in the store
    bool helpShown = false;
};

} // namespace

Q_DECLARE_METATYPE(Door)

class TestCommandDispatch final : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void statesAfterStartup();
    void nothingSelected_data();
    void nothingSelected();
    void applicationSelected_data();
    void applicationSelected();
    void associationSelected_data();
    void associationSelected();
    void commandsActOnTheNodeSelectedWhenTheyRun();
    void toolbarKeysCompareCaseSensitively();
    void f1InAnOperationsDialogOpensTheGuide();

private:
    void Start();
    /// Selects a node as the user does, with a left click.
    void Select(const QString& caption, const QString& fileType = {});
    TreeNode* Node(const QString& caption, const QString& fileType = {}) const;
    QAction* MenuItem(const QString& command) const;
    QKeySequence Shortcut(const QString& command) const;
    QString ToolbarKey(const QString& command) const;
    /// Runs a command through a door and reports what it did.
    Outcome Run(const QString& command, Door door);
    /// Runs the current data row with Alpha, or its file type, selected; a
    /// question is answered No and every dialog cancelled, so nothing is written.
    void RunRowWithSelection(const QString& fileType);
    void ClickMenuItem(QAction* item);
    void ClickToolbarButton(const QString& key);

    std::unique_ptr<TempProfile> m_profile;
    std::unique_ptr<frmMain> m_form;
    std::unique_ptr<DialogWatcher> m_dialogs;
    int m_loads = 0;
    int m_writes = 0;
};

void TestCommandDispatch::init() {
    MessageBox::clearHistory();
    m_profile = std::make_unique<TempProfile>();
    QVERIFY(m_profile->ok());
    modHelp::SetHelpFile(QStringLiteral(TAVISK_SOURCE_HELP "/index.html"));
    AddApplication("Alpha", "/usr/bin/alpha %1", {"txtfile", "logfile"});
    AddApplication("Beta", "/usr/bin/beta %1");
    AddFileType("pngfile", "PNG image");
    Start();
}

void TestCommandDispatch::cleanup() {
    m_dialogs.reset();
    if (frmHelp* help = modHelp::HelpWindow()) {
        help->close();
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    m_form.reset();
    m_profile.reset();
    QCOMPARE(MessageBox::pendingAnswers(), 0);
}

void TestCommandDispatch::Start() {
    m_loads = 0;
    m_writes = 0;
    m_form = std::make_unique<frmMain>();
    frmMain::RegistryCalls calls;
    calls.ReadRegValue = [](std::uint32_t root, std::string key, std::string value) {
        return modRegistry::ReadRegValue(root, std::move(key), std::move(value));
    };
    calls.WriteRegValue = [](std::uint32_t root, std::string key, std::string value,
                             std::int32_t type, std::string data) {
        modRegistry::WriteRegValue(root, std::move(key), std::move(value), type, std::move(data));
    };
    calls.EnumRegSubkey = [this](std::uint32_t root, std::string key, std::int32_t& index) {
        // A load starts with the first application of the store.
        if (root == HKLM && std::string_view(key) == modStoreLayout::StorePath && index == 0) {
            ++m_loads;
        }
        return modRegistry::EnumRegSubkey(root, std::move(key), index);
    };
    m_form->setRegistryCalls(calls);
    QVERIFY(m_form->Form_Load());
    m_form->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_form.get()));
    m_form->controls().treApplications->view()->setFocus();
    tavisk::registry::setChangeListener([this](const std::vector<std::string>& keys) {
        m_writes += static_cast<int>(keys.size());
    });
    m_dialogs = std::make_unique<DialogWatcher>();
}

TreeNode* TestCommandDispatch::Node(const QString& caption, const QString& fileType) const {
    for (TreeNode* node : m_form->controls().treApplications->nodes()) {
        if (fileType.isEmpty() && node->parent() == nullptr && node->text() == caption) {
            return node;
        }
        if (!fileType.isEmpty() && node->parent() != nullptr && node->parent()->text() == caption &&
            node->text() == fileType) {
            return node;
        }
    }
    return nullptr;
}

void TestCommandDispatch::Select(const QString& caption, const QString& fileType) {
    TreeView* tree = m_form->controls().treApplications;
    TreeNode* node = Node(caption, fileType);
    QVERIFY(node != nullptr);
    if (node->parent() != nullptr) {
        node->parent()->setExpanded(true);
    }
    QTest::mouseClick(tree->view()->viewport(), Qt::LeftButton, {}, tree->nodeRect(node).center());
    QCOMPARE(tree->selectedNode(), node);
}

QAction* TestCommandDispatch::MenuItem(const QString& command) const {
    const frmMainControls& ui = m_form->controls();
    const QHash<QString, QAction*> items{
        {QStringLiteral("New application"), ui.mnuFileNewApp},
        {QStringLiteral("Associate file types"), ui.mnuNewFileType},
        {QStringLiteral("Rename menu caption"), ui.mnuEditRenameApp},
        {QStringLiteral("Change executable"), ui.mnuEditRenameExe},
        {QStringLiteral("Delete"), ui.mnuEditDelete},
        {QStringLiteral("Refresh"), ui.mnuViewRefresh},
        {QStringLiteral("Help"), ui.mnuHelpTavisk},
        {QStringLiteral("About"), ui.mnuHelpAbout},
    };
    return items.value(command);
}

QKeySequence TestCommandDispatch::Shortcut(const QString& command) const {
    const QHash<QString, QKeySequence> keys{
        {QStringLiteral("New application"), QKeySequence(Qt::CTRL | Qt::Key_N)},
        {QStringLiteral("Associate file types"), QKeySequence(Qt::CTRL | Qt::Key_F)},
        {QStringLiteral("Delete"), QKeySequence(Qt::Key_Delete)},
        {QStringLiteral("Refresh"), QKeySequence(Qt::Key_F5)},
        {QStringLiteral("Help"), QKeySequence(Qt::Key_F1)},
    };
    return keys.value(command);
}

QString TestCommandDispatch::ToolbarKey(const QString& command) const {
    const QHash<QString, QString> keys{
        {QStringLiteral("New application"), QStringLiteral("NewApplication")},
        {QStringLiteral("Associate file types"), QStringLiteral("AddFileTypes")},
        {QStringLiteral("Rename menu caption"), QStringLiteral("rename")},
        {QStringLiteral("Change executable"), QStringLiteral("changeexe")},
        {QStringLiteral("Delete"), QStringLiteral("Delete")},
    };
    return keys.value(command);
}

void TestCommandDispatch::ClickMenuItem(QAction* item) {
    // Opened from the menu bar, as the mouse opens it, and the item clicked.
    QMenuBar* bar = m_form->menuBar();
    QMenu* menu = nullptr;
    for (QAction* title : bar->actions()) {
        if (title->menu() != nullptr && title->menu()->actions().contains(item)) {
            menu = title->menu();
            QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(title).center());
        }
    }
    QVERIFY(menu != nullptr);
    QTRY_VERIFY(menu->isVisible());
    QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(item).center());
    if (menu->isVisible()) {
        menu->close(); // a disabled item leaves its menu open
    }
}

void TestCommandDispatch::ClickToolbarButton(const QString& key) {
    QAction* button = m_form->controls().ToolbarButtons.value(key);
    QVERIFY(button != nullptr);
    QWidget* widget = m_form->controls().Toolbar->widgetForAction(button);
    QVERIFY(widget != nullptr);
    QTest::mouseClick(widget, Qt::LeftButton);
}

Outcome TestCommandDispatch::Run(const QString& command, Door door) {
    // Answers queued for the command's questions stay queued.
    const auto questions = MessageBox::history().size();
    m_dialogs->shown.clear();
    const int loads = m_loads;
    const int writes = m_writes;
    switch (door) {
    case Door::Menu:
        ClickMenuItem(MenuItem(command));
        break;
    case Door::Shortcut:
        QTest::keySequence(QApplication::focusWidget(), Shortcut(command));
        break;
    case Door::Toolbar:
        ClickToolbarButton(ToolbarKey(command));
        break;
    }
    QTest::qWait(50); // a dialog that is to come has come and gone
    Outcome outcome;
    outcome.dialogs = m_dialogs->shown;
    outcome.questions = static_cast<int>(MessageBox::history().size() - questions);
    outcome.loads = m_loads - loads;
    outcome.writes = m_writes - writes;
    frmHelp* help = modHelp::HelpWindow();
    outcome.helpShown = help != nullptr && help->isVisible();
    if (help != nullptr) {
        help->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    return outcome;
}

void TestCommandDispatch::statesAfterStartup() {
    const frmMainControls& ui = m_form->controls();
    for (QAction* item :
         {ui.mnuFileNewApp, ui.mnuFileExit, ui.mnuEditRenameApp, ui.mnuEditRenameExe,
          ui.mnuEditDelete, ui.mnuViewRefresh, ui.mnuHelpTavisk, ui.mnuHelpAbout}) {
        QVERIFY2(item->isEnabled(), qPrintable(item->text()));
    }
    QVERIFY(!ui.mnuNewFileType->isEnabled());
    for (const char* key : {"NewApplication", "changeexe"}) {
        QVERIFY2(ui.ToolbarButtons.value(QString::fromLatin1(key))->isEnabled(), key);
    }
    for (const char* key : {"AddFileTypes", "Delete", "rename"}) {
        QVERIFY2(!ui.ToolbarButtons.value(QString::fromLatin1(key))->isEnabled(), key);
    }
    QVERIFY(ui.treApplications->selectedNode() == nullptr);
    QVERIFY(ui.picBlank->isVisible());
    QCOMPARE(ui.StatusBar1->panelText(1), QString());
    // The offscreen platform cannot tell the lock keys: both panels blank.
    QCOMPARE(ui.StatusBar1->panelText(3), QString());
    QCOMPARE(ui.StatusBar1->panelText(4), QString());
}

namespace {

// Rows: the command and door; the dialog expected (empty: none), the
// questions asked, the loads of the tree, and whether the help window opened.
void Columns() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<Door>("door");
    QTest::addColumn<QString>("dialog");
    QTest::addColumn<int>("questions");
    QTest::addColumn<int>("loads");
    QTest::addColumn<bool>("help");
}

const char* DoorName(Door door) {
    switch (door) {
    case Door::Menu:
        return "menu";
    case Door::Shortcut:
        return "key";
    case Door::Toolbar:
        return "toolbar";
    }
    return "";
}

void Row(const char* command, Door door, const char* dialog, int questions = 0, int loads = 0,
         bool help = false) {
    QTest::addRow("%s by %s", command, DoorName(door))
        << QString::fromLatin1(command) << door << QString::fromLatin1(dialog) << questions << loads
        << help;
}

} // namespace

void TestCommandDispatch::nothingSelected_data() {
    Columns();
    for (Door door : {Door::Menu, Door::Shortcut, Door::Toolbar}) {
        Row("New application", door, "frmNewApplication");
        Row("Associate file types", door, ""); // disabled since the load
        Row("Delete", door, "");               // the menu's checks; the button is disabled
    }
    for (Door door : {Door::Menu, Door::Toolbar}) {
        Row("Rename menu caption", door, ""); // the menu's item checks; the button is disabled
        Row("Change executable", door, "");   // enabled, and checks the selection
    }
    Row("Refresh", Door::Menu, "", 0, 1);
    Row("Refresh", Door::Shortcut, "", 0, 1);
    Row("Help", Door::Menu, "", 0, 0, true);
    Row("Help", Door::Shortcut, "", 0, 0, true);
    Row("About", Door::Menu, "frmAbout");
}

void TestCommandDispatch::nothingSelected() {
    QFETCH(QString, command);
    QFETCH(Door, door);
    QFETCH(QString, dialog);
    QFETCH(int, questions);
    QFETCH(int, loads);
    QFETCH(bool, help);
    const Outcome outcome = Run(command, door);
    QCOMPARE(outcome.dialogs, dialog.isEmpty() ? QStringList() : QStringList{dialog});
    QCOMPARE(outcome.questions, questions);
    QCOMPARE(outcome.loads, loads);
    QCOMPARE(outcome.helpShown, help);
    QCOMPARE(outcome.writes, 0); // every dialog was cancelled
}

void TestCommandDispatch::RunRowWithSelection(const QString& fileType) {
    QFETCH(QString, command);
    QFETCH(Door, door);
    QFETCH(QString, dialog);
    QFETCH(int, questions);
    QFETCH(int, loads);
    Select(QStringLiteral("Alpha"), fileType);
    if (questions > 0) {
        MessageBox::setNextAnswer(MessageBox::Answer::No);
    }
    const Outcome outcome = Run(command, door);
    QCOMPARE(outcome.dialogs, dialog.isEmpty() ? QStringList() : QStringList{dialog});
    QCOMPARE(outcome.questions, questions);
    QCOMPARE(outcome.loads, loads);
    QCOMPARE(outcome.writes, 0);
}

void TestCommandDispatch::applicationSelected_data() {
    Columns();
    for (Door door : {Door::Menu, Door::Shortcut, Door::Toolbar}) {
        Row("New application", door, "frmNewApplication");
        Row("Associate file types", door, "frmFileTypes");
        Row("Delete", door, "", 1, 1); // asked, answered No, reloaded all the same
    }
    for (Door door : {Door::Menu, Door::Toolbar}) {
        Row("Rename menu caption", door, "frmRenameApp");
        Row("Change executable", door, "frmChangeExe");
    }
    Row("Refresh", Door::Menu, "", 0, 1);
    Row("Refresh", Door::Shortcut, "", 0, 1);
}

void TestCommandDispatch::applicationSelected() {
    RunRowWithSelection(QString());
}

void TestCommandDispatch::associationSelected_data() {
    Columns();
    for (Door door : {Door::Menu, Door::Shortcut, Door::Toolbar}) {
        Row("Associate file types", door, "frmFileTypes");
        Row("Delete", door, "", 1, 1);
    }
    for (Door door : {Door::Menu, Door::Toolbar}) {
        Row("Rename menu caption", door, ""); // disabled for a file type
        Row("Change executable", door, "");
    }
}

void TestCommandDispatch::associationSelected() {
    RunRowWithSelection(QStringLiteral("logfile"));
}

void TestCommandDispatch::commandsActOnTheNodeSelectedWhenTheyRun() {
    const frmMainControls& ui = m_form->controls();
    Select(QStringLiteral("Alpha"));
    Node(QStringLiteral("Alpha"))->setExpanded(true);
    // The arrow key moves the selection to the first file type, without an update.
    QTest::keyClick(ui.treApplications->view(), Qt::Key_Down);
    const TreeNode* selected = ui.treApplications->selectedNode();
    QVERIFY(selected != nullptr);
    QCOMPARE(selected->parent(), Node(QStringLiteral("Alpha")));
    const QString type = selected->text();
    const QString other =
        type == QStringLiteral("txtfile") ? QStringLiteral("logfile") : QStringLiteral("txtfile");
    QVERIFY(ui.ToolbarButtons.value(QStringLiteral("rename"))->isEnabled());
    QVERIFY(ui.ToolbarButtons.value(QStringLiteral("changeexe"))->isEnabled());
    QVERIFY(ui.mnuEditRenameApp->isEnabled());
    QVERIFY(ui.mnuEditRenameExe->isEnabled());

    for (Door door : {Door::Menu, Door::Toolbar}) {
        for (const char* command : {"Rename menu caption", "Change executable"}) {
            const Outcome outcome = Run(QString::fromLatin1(command), door);
            QVERIFY2(outcome.dialogs.isEmpty(), command);
            QCOMPARE(outcome.questions, 0);
            QCOMPARE(outcome.writes, 0);
        }
    }
    // Delete removes the file type now selected, not the application.
    MessageBox::setNextAnswer(MessageBox::Answer::Yes);
    const Outcome deleted = Run(QStringLiteral("Delete"), Door::Toolbar);
    QCOMPARE(deleted.questions, 1);
    QVERIFY(Node(QStringLiteral("Alpha"), type) == nullptr);
    QVERIFY(Node(QStringLiteral("Alpha"), other) != nullptr);
    QVERIFY(modRegistry::RegKeyExists(HKLM, modStoreLayout::ApplicationKey("Alpha")));
}

void TestCommandDispatch::toolbarKeysCompareCaseSensitively() {
    for (const char* key :
         {"newapplication", "NEWAPPLICATION", "Rename", "ChangeExe", "delete", "Bogus", ""}) {
        m_form->Toolbar_ButtonClick(QString::fromLatin1(key));
        QTest::qWait(30);
        QVERIFY2(m_dialogs->shown.isEmpty(), key);
    }
    m_form->Toolbar_ButtonClick(QStringLiteral("NewApplication"));
    QTest::qWait(30);
    QCOMPARE(m_dialogs->shown, QStringList{"frmNewApplication"});
}

void TestCommandDispatch::f1InAnOperationsDialogOpensTheGuide() {
    bool helpOpened = false;
    m_dialogs->Then([&helpOpened](QDialog& shown) {
        auto& dialog = static_cast<frmNewApplication&>(shown);
        QTest::keyClick(dialog.txtName, Qt::Key_F1);
        frmHelp* help = modHelp::HelpWindow();
        helpOpened =
            help != nullptr && help->isVisible() && QApplication::activeModalWidget() == help;
        if (help != nullptr) {
            help->close();
        }
        dialog.cmdCancel->click();
    });
    const Outcome outcome = Run(QStringLiteral("New application"), Door::Menu);
    QCOMPARE(outcome.dialogs, QStringList{"frmNewApplication"});
    QVERIFY(helpOpened);
    QCOMPARE(outcome.writes, 0);
}

QTEST_MAIN(TestCommandDispatch)
#include "TestCommandDispatch.moc"

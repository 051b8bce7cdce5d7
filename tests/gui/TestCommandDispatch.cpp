// The commands through every door they have: the menu item (clicked in its
// open menu), the shortcut (typed into the window) and the toolbar button.
// Each door must start the right operation, seen by what it does (the dialog
// it shows, the question it asks, the reload of the tree, the guide), or do
// nothing where the command is disabled or nothing fit is selected.
#include "GuiTestSupport.h"

#include "MessageBox.h"
#include "TreeView.h"
#include "frmHelp.h"
#include "frmMain.h"
#include "modHelp.h"

#include <QAbstractItemView>
#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <QToolBar>

#include <memory>
#include <string_view>

using namespace Qt::StringLiterals;
using namespace GuiTestSupport;

namespace {

enum Door { Menu, Key, Toolbar };

/// A command's doors and what it does with nothing, an application and a file
/// type selected: the dialog shown, "asked" (answered No), "reload", "help".
struct Command {
    const char* name;
    QAction* frmMainControls::*item;
    QKeySequence key;
    const char* toolbar;
    const char* does[3];
};

const Command Commands[] = {
    {"New application",
     &frmMainControls::mnuFileNewApp,
     QKeySequence(Qt::CTRL | Qt::Key_N),
     "NewApplication",
     {"frmNewApplication", "frmNewApplication", "frmNewApplication"}},
    {"Associate file types",
     &frmMainControls::mnuNewFileType,
     QKeySequence(Qt::CTRL | Qt::Key_F),
     "AddFileTypes",
     {"", "frmFileTypes", "frmFileTypes"}},
    {"Rename menu caption",
     &frmMainControls::mnuEditRenameApp,
     {},
     "rename",
     {"", "frmRenameApp", ""}},
    {"Change executable",
     &frmMainControls::mnuEditRenameExe,
     {},
     "changeexe",
     {"", "frmChangeExe", ""}},
    {"Delete",
     &frmMainControls::mnuEditDelete,
     QKeySequence(Qt::Key_Delete),
     "Delete",
     {"", "asked, reload", "asked, reload"}},
    {"Refresh",
     &frmMainControls::mnuViewRefresh,
     QKeySequence(Qt::Key_F5),
     nullptr,
     {"reload", "reload", "reload"}},
    {"Help",
     &frmMainControls::mnuHelpTavisk,
     QKeySequence(Qt::Key_F1),
     nullptr,
     {"help", "help", "help"}},
    {"About", &frmMainControls::mnuHelpAbout, {}, nullptr, {"frmAbout", "frmAbout", "frmAbout"}},
};

} // namespace

class TestCommandDispatch final : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void dispatch_data();
    void dispatch();
    void commandsActOnTheNodeSelectedWhenTheyRun();
    void toolbarKeysCompareCaseSensitively();

private:
    TreeNode* Node(const QString& caption, const QString& fileType = {}) const;
    void Select(const QString& caption, const QString& fileType = {});
    /// Runs a command through a door; what it did, in the words of Command::does.
    QString Run(const Command& command, Door door);

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
    m_loads = 0;
    m_writes = 0;
    m_form = std::make_unique<frmMain>();
    frmMain::RegistryCalls calls = frmMain::StoreCalls();
    calls.EnumRegSubkey = [this](std::uint32_t root, std::string key, std::int32_t& index) {
        // A load starts with the first application of the store.
        m_loads += root == HKLM && key == modStoreLayout::StorePath && index == 0 ? 1 : 0;
        return modRegistry::EnumRegSubkey(root, std::move(key), index);
    };
    m_form->setRegistryCalls(calls);
    QVERIFY(m_form->Form_Load());
    m_form->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_form.get()));
    m_form->controls().treApplications->view()->setFocus();
    tavisk::registry::setChangeListener(
        [this](const std::vector<std::string>& keys) { m_writes += int(keys.size()); });
    m_dialogs = std::make_unique<DialogWatcher>();
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

TreeNode* TestCommandDispatch::Node(const QString& caption, const QString& fileType) const {
    for (TreeNode* node : m_form->controls().treApplications->nodes()) {
        const TreeNode* parent = node->parent();
        if (fileType.isEmpty() ? !parent && node->text() == caption
                               : parent && parent->text() == caption && node->text() == fileType) {
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

QString TestCommandDispatch::Run(const Command& command, Door door) {
    const frmMainControls& ui = m_form->controls();
    const auto questions = MessageBox::history().size();
    m_dialogs->shown.clear();
    const int loads = m_loads;
    if (door == Menu) {
        // Opened from the menu bar, as the mouse opens it, and the item clicked.
        QAction* item = ui.*command.item;
        QMenuBar* bar = m_form->menuBar();
        for (QAction* title : bar->actions()) {
            QMenu* menu = title->menu();
            if (menu != nullptr && menu->actions().contains(item)) {
                QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(title).center());
                [&] { QTRY_VERIFY(menu->isVisible()); }();
                QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(item).center());
                menu->close(); // a disabled item leaves its menu open
            }
        }
    } else if (door == Key) {
        QTest::keySequence(QApplication::focusWidget(), command.key);
    } else {
        QAction* button = ui.ToolbarButtons.value(QString::fromLatin1(command.toolbar));
        QTest::mouseClick(ui.Toolbar->widgetForAction(button), Qt::LeftButton);
    }
    QTest::qWait(50); // a dialog that is to come has come and gone
    QStringList did = m_dialogs->shown;
    for (auto i = questions; i < MessageBox::history().size(); ++i) {
        did << u"asked"_s;
    }
    for (int i = loads; i < m_loads; ++i) {
        did << u"reload"_s;
    }
    if (frmHelp* help = modHelp::HelpWindow()) {
        did << (help->isVisible() ? u"help"_s : u"hidden help"_s);
        help->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    return did.join(u", "_s);
}

void TestCommandDispatch::dispatch_data() {
    QTest::addColumn<int>("command");
    QTest::addColumn<int>("door");
    QTest::addColumn<int>("selected"); // nothing, an application, a file type
    const char* const doors[] = {"menu", "key", "toolbar"};
    const char* const selections[] = {"nothing", "Alpha", "Alpha's logfile"};
    for (int command = 0; command < int(std::size(Commands)); ++command) {
        for (int door : {Menu, Key, Toolbar}) {
            if ((door == Key && Commands[command].key.isEmpty()) ||
                (door == Toolbar && Commands[command].toolbar == nullptr)) {
                continue;
            }
            for (int selected : {0, 1, 2}) {
                QTest::addRow("%s by %s, %s selected", Commands[command].name, doors[door],
                              selections[selected])
                    << command << door << selected;
            }
        }
    }
}

void TestCommandDispatch::dispatch() {
    QFETCH(int, command);
    QFETCH(int, door);
    QFETCH(int, selected);
    const Command& run = Commands[command];
    if (selected > 0) {
        Select(u"Alpha"_s, selected == 2 ? u"logfile"_s : QString());
    }
    const QString does = QString::fromLatin1(run.does[selected]);
    if (does.startsWith(u"asked"_s)) {
        MessageBox::setNextAnswer(MessageBox::Answer::No);
    }
    QCOMPARE(Run(run, Door(door)), does);
    QCOMPARE(m_writes, 0); // every dialog was cancelled, every question answered No
}

void TestCommandDispatch::commandsActOnTheNodeSelectedWhenTheyRun() {
    const frmMainControls& ui = m_form->controls();
    Select(u"Alpha"_s);
    Node(u"Alpha"_s)->setExpanded(true);
    // The arrow key moves the selection to the first file type, without an
    // update: the application's commands stay enabled, but act on the type.
    QTest::keyClick(ui.treApplications->view(), Qt::Key_Down);
    const TreeNode* selected = ui.treApplications->selectedNode();
    QVERIFY(selected != nullptr);
    QCOMPARE(selected->parent(), Node(u"Alpha"_s));
    const QString type = selected->text();
    for (const Command& command : {Commands[2], Commands[3]}) {
        QVERIFY(ui.ToolbarButtons.value(QString::fromLatin1(command.toolbar))->isEnabled());
        QVERIFY((ui.*command.item)->isEnabled());
        QCOMPARE(Run(command, Menu), QString());
        QCOMPARE(Run(command, Toolbar), QString());
    }
    // Delete removes the file type now selected, not the application.
    MessageBox::setNextAnswer(MessageBox::Answer::Yes);
    QCOMPARE(Run(Commands[4], Toolbar), u"asked, reload"_s);
    QVERIFY(Node(u"Alpha"_s, type) == nullptr);
    QCOMPARE(Node(u"Alpha"_s)->childCount(), 1);
}

void TestCommandDispatch::toolbarKeysCompareCaseSensitively() {
    for (const char* key :
         {"newapplication", "NEWAPPLICATION", "Rename", "ChangeExe", "delete", "Bogus", ""}) {
        m_form->Toolbar_ButtonClick(QString::fromLatin1(key));
        QTest::qWait(30);
        QVERIFY2(m_dialogs->shown.isEmpty(), key);
    }
    m_form->Toolbar_ButtonClick(u"NewApplication"_s);
    QTest::qWait(30);
    QCOMPARE(m_dialogs->shown, QStringList{"frmNewApplication"});
}

QTEST_MAIN(TestCommandDispatch)
#include "TestCommandDispatch.moc"

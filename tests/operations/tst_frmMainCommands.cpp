// The operations behind the main window's doors: the shortcuts, the menu
// items and the toolbar buttons of the real window reach them, the details
// panel follows a change of executable, and Delete after a load that failed
// acts on nothing.
#include "OperationsTestSupport.h"
#include "TextBox.h"
#include "frmChangeExe.h"
#include "frmFileTypes.h"
#include "frmMain.h"
#include "frmNewApplication.h"
#include "frmRenameApp.h"

#include "ListItemsModel.h"
#include "ListView.h"

#include <QAction>
#include <QLabel>

using namespace OperationsTestSupport;

namespace {

template <class Dialog> std::function<void(Dialog&)> Cancel() {
    return [](Dialog& dialog) { dialog.reject(); };
}

} // namespace

class TestFrmMainCommands final : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void ctrlNThenCtrlFAsTheUserTypes();
    void everyDoorReachesItsOperation();
    void changeOfExecutableShowsTheNewPath();
    void deleteAfterALoadThatFailed();

private:
    /// Gives the window the keyboard again, as the window manager does when
    /// a dialog goes away.
    bool Activate();
    bool Select(const QString& text, const QString& childText = {});
    TreeNode* Node(const QString& text, const QString& childText = {}) const;
    QAction* Button(const char* key) const { return m_form->controls().ToolbarButtons.value(key); }

    std::unique_ptr<TestRegistry> m_registry;
    std::unique_ptr<frmMain> m_form;
    std::unique_ptr<ModalDriver> m_driver;
};

void TestFrmMainCommands::init() {
    MessageBox::clearHistory();
    m_registry = std::make_unique<TestRegistry>();
    QVERIFY(m_registry->ok());
    for (const char* type : {"txtfile", "pngfile"}) {
        TestRegistry::AddFileType(type);
    }
    TestRegistry::AddApplication("Viewer", "/usr/bin/viewer %1", "01 May 2026", {"txtfile"});
    m_form = std::make_unique<frmMain>();
    QVERIFY(m_form->Form_Load());
    QVERIFY(Activate());
    m_driver = std::make_unique<ModalDriver>();
}

void TestFrmMainCommands::cleanup() {
    QCOMPARE(m_driver->unexpected(), 0);
    QCOMPARE(m_driver->pending(), 0);
    QCOMPARE(MessageBox::pendingAnswers(), 0);
    m_driver.reset();
    m_form.reset();
    m_registry.reset();
}

bool TestFrmMainCommands::Activate() {
    m_form->activateWindow();
    return QTest::qWaitForWindowActive(m_form.get());
}

TreeNode* TestFrmMainCommands::Node(const QString& text, const QString& childText) const {
    for (TreeNode* node : m_form->controls().treApplications->nodes()) {
        const TreeNode* parent = node->parent();
        if (childText.isEmpty() ? (parent == nullptr && node->text() == text)
                                : (parent && parent->text() == text && node->text() == childText)) {
            return node;
        }
    }
    return nullptr;
}

/// A left click on the node, as the user selects; the window updates on the release.
bool TestFrmMainCommands::Select(const QString& text, const QString& childText) {
    TreeView* tree = m_form->controls().treApplications;
    TreeNode* node = Node(text, childText);
    if (node == nullptr) {
        return false;
    }
    if (node->parent()) {
        node->parent()->setExpanded(true);
    }
    QTest::mouseClick(tree->view()->viewport(), Qt::LeftButton, {}, tree->nodeRect(node).center());
    return tree->selectedNode() == node;
}

void TestFrmMainCommands::ctrlNThenCtrlFAsTheUserTypes() {
    m_driver->When<frmNewApplication>([](frmNewApplication& dialog) {
        QTest::keyClicks(dialog.txtName, QStringLiteral("Editor"));
        QTest::keyClick(dialog.txtName, Qt::Key_Tab);
        QTest::keyClicks(dialog.txtPath, QStringLiteral("/opt/my tools/edit"));
        QTest::keyClick(dialog.txtPath, Qt::Key_Return);
    });
    QTest::keyClick(m_form.get(), Qt::Key_N, Qt::ControlModifier);
    QVERIFY(Node(QStringLiteral("Editor")) != nullptr);
    QCOMPARE(Read(HKLM, modStoreLayout::ApplicationKey("Editor"), "PATH"),
             QStringLiteral("/opt/my tools/edit %1"));

    // Ctrl+F waits for a selection since the last load.
    QVERIFY(Activate());
    QTest::keyClick(m_form.get(), Qt::Key_F, Qt::ControlModifier);
    QCOMPARE(m_driver->shown(), 1);
    QVERIFY(Select(QStringLiteral("Editor")));
    m_driver->When<frmFileTypes>([](frmFileTypes& dialog) {
        ListItemsModel& rows = dialog.lvwFileTypes->ListItems();
        for (const char* type : {"txtfile", "pngfile"}) {
            dialog.lvwFileTypes->setCurrentIndex(rows.index(rows.indexOfKey(type)));
            QTest::keyClick(dialog.lvwFileTypes, Qt::Key_Space);
        }
        QTest::keyClick(dialog.lvwFileTypes, Qt::Key_Return);
    });
    QTest::keyClick(m_form.get(), Qt::Key_F, Qt::ControlModifier);
    QCOMPARE(Node(QStringLiteral("Editor"))->childCount(), 2);
    QCOMPARE(m_form->controls().StatusBar1->panelText(1), QString());
    VERIFY_STORE({}, m_form->controls().treApplications);
}

void TestFrmMainCommands::everyDoorReachesItsOperation() {
    const frmMainControls& ui = m_form->controls();
    m_driver->When<frmNewApplication>(Cancel<frmNewApplication>());
    Button("NewApplication")->trigger();
    m_driver->When<frmNewApplication>(Cancel<frmNewApplication>());
    ui.mnuFileNewApp->trigger();

    QVERIFY(Select(QStringLiteral("Viewer")));
    m_driver->When<frmFileTypes>(Cancel<frmFileTypes>());
    Button("AddFileTypes")->trigger();
    m_driver->When<frmFileTypes>(Cancel<frmFileTypes>());
    ui.mnuNewFileType->trigger();
    m_driver->When<frmRenameApp>(Cancel<frmRenameApp>());
    Button("rename")->trigger();
    m_driver->When<frmRenameApp>(Cancel<frmRenameApp>());
    ui.mnuEditRenameApp->trigger();
    m_driver->When<frmChangeExe>(Cancel<frmChangeExe>());
    Button("changeexe")->trigger();
    m_driver->When<frmChangeExe>(Cancel<frmChangeExe>());
    ui.mnuEditRenameExe->trigger();
    QCOMPARE(m_driver->shown(), 8);

    // Delete from the toolbar, from the menu and by the Del key: each asks,
    // and each reloads the tree, which leaves nothing selected.
    const auto deleteBy = [&](const std::function<void()>& door) {
        QVERIFY(Select(QStringLiteral("Viewer"), QStringLiteral("txtfile")));
        MessageBox::setNextAnswer(MessageBox::Answer::No);
        door();
        QCOMPARE(ui.treApplications->selectedNode(), nullptr);
    };
    deleteBy([this] { Button("Delete")->trigger(); });
    deleteBy([&ui] { ui.mnuEditDelete->trigger(); });
    deleteBy([&ui, this] {
        QVERIFY(Activate());
        QTest::keyClick(ui.treApplications->view(), Qt::Key_Delete);
    });
    QCOMPARE(MessageBox::history().size(), 3);
    MessageBox::setNextAnswer(MessageBox::Answer::Yes);
    QVERIFY(Select(QStringLiteral("Viewer"), QStringLiteral("txtfile")));
    QVERIFY(Activate());
    QTest::keyClick(ui.treApplications->view(), Qt::Key_Delete);
    QCOMPARE(Node(QStringLiteral("Viewer"), QStringLiteral("txtfile")), nullptr);
    VERIFY_STORE({}, ui.treApplications);
}

void TestFrmMainCommands::changeOfExecutableShowsTheNewPath() {
    const frmMainControls& ui = m_form->controls();
    QVERIFY(Select(QStringLiteral("Viewer")));
    QCOMPARE(ui.lblExePath->text(), QStringLiteral("/usr/bin/viewer "));
    m_driver->When<frmChangeExe>([](frmChangeExe& dialog) {
        dialog.txtPath->selectAll();
        QTest::keyClicks(dialog.txtPath, QStringLiteral("/opt/My Tools/view"));
        QTest::keyClick(dialog.txtPath, Qt::Key_Return);
    });
    Button("changeexe")->trigger();
    QCOMPARE(ui.lblExePath->text(), QStringLiteral("/opt/My Tools/view "));
    QVERIFY(ui.picAppDetails->isVisible());
    QCOMPARE(Read(HKCR, modStoreLayout::CommandKey("txtfile", "Viewer"), ""),
             QStringLiteral("/opt/My Tools/view %1"));
    VERIFY_STORE({}, ui.treApplications);
}

void TestFrmMainCommands::deleteAfterALoadThatFailed() {
    const frmMainControls& ui = m_form->controls();
    QVERIFY(Select(QStringLiteral("Viewer")));
    QVERIFY(Button("Delete")->isEnabled());
    // The store cannot be listed any more: the reload stops with its message
    // and leaves Delete enabled with nothing selected.
    frmMain::RegistryCalls failing{
        [](std::uint32_t root, std::string key, std::string value) {
            return modRegistry::ReadRegValue(root, key, value);
        },
        [](std::uint32_t root, std::string key, std::string value, std::int32_t type,
           std::string data) { modRegistry::WriteRegValue(root, key, value, type, data); },
        [](std::uint32_t, std::string, std::int32_t&) -> std::string {
            throw std::runtime_error("Disk I/O error");
        }};
    m_form->setRegistryCalls(failing);
    MessageBox::setNextAnswer(MessageBox::Answer::Ok);
    QTest::keyClick(ui.treApplications->view(), Qt::Key_F5);
    QCOMPARE(MessageBox::history().size(), 1);
    QCOMPARE(ui.treApplications->selectedNode(), nullptr);
    QVERIFY(Button("Delete")->isEnabled());

    // Neither door acts, asks or reloads (a reload would fail again, with its message).
    const WriteLog writes;
    Button("Delete")->trigger();
    ui.mnuEditDelete->trigger();
    QCOMPARE(MessageBox::history().size(), 1);
    QVERIFY(writes.empty());
    QVERIFY(Exists(HKLM, modStoreLayout::ApplicationKey("Viewer")));
}

QTEST_MAIN(TestFrmMainCommands)
#include "tst_frmMainCommands.moc"

// Start-up, the load of the store into the tree, the first-run marker, the
// refresh (F5 and View > Refresh) and both failure paths.
#include "GuiTestSupport.h"
#include "frmMain.h"

#include "MessageBox.h"
#include "StatusBar.h"
#include "TreeView.h"

#include <QAbstractItemView>
#include <QAction>
#include <QSysInfo>
#include <QTest>
#include <QToolBar>

#include <memory>
#include <sched.h>
#include <stdexcept>
#include <string_view>
#include <sys/wait.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using namespace GuiTestSupport;

class TestFrmMainStartup final : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void nodeKeysTagsAndChildren();
    void firstRunMarkerWrittenOnce();
    void blanksKeptAndOnlyRecordKeysListed();
    void refreshKeepsExpandedByPosition();
    void f5FromTheTreeWhateverTheModifiers();
    void machineNameIsTheWholeHostName();
    void loadFailureKeepsWhatWasLoaded();

private:
    frmMain& start();

    std::unique_ptr<TempProfile> m_store;
    std::unique_ptr<frmMain> m_form;
};

void TestFrmMainStartup::init() {
    MessageBox::clearHistory();
    m_store = std::make_unique<TempProfile>();
    QVERIFY(m_store->ok());
}

void TestFrmMainStartup::cleanup() {
    m_form.reset();
    m_store.reset();
}

frmMain& TestFrmMainStartup::start() {
    m_form = std::make_unique<frmMain>();
    m_form->Form_Load();
    return *m_form;
}

void TestFrmMainStartup::nodeKeysTagsAndChildren() {
    AddApplication("Alpha", "/usr/bin/alpha %1", {".txt", ".log"});
    AddApplication("Beta", "/usr/bin/beta %1");
    AddApplication("Gamma", "/opt/my tools/gamma %1", {".png"});
    // Beta lost its command: still listed, with the reader's "Not Found".
    modRegistry::DeleteRegKey(HKLM, modStoreLayout::ApplicationKey("Beta"));
    Write(HKLM, modStoreLayout::ApplicationKey("Beta"), "CREATED", "02 May 2026");

    frmMain& form = start();
    TreeView* tree = form.controls().treApplications;
    QCOMPARE(tree->count(), 6);
    const struct {
        const char* text;
        const char* key;
        const char* tag;
        int children;
    } applications[] = {{"Alpha", "X1", "/usr/bin/alpha %1", 2},
                        {"Beta", "X4", "Not Found", 0},
                        {"Gamma", "X5", "/opt/my tools/gamma %1", 1}};
    for (const auto& expected : applications) {
        TreeNode* node = tree->nodeByKey(expected.key);
        QVERIFY2(node != nullptr, expected.key);
        QCOMPARE(node->text(), QString(expected.text));
        QCOMPARE(node->imageKey(), u"Application"_s);
        QCOMPARE(node->tag(), QString(expected.tag));
        QCOMPARE(node->childCount(), expected.children);
        QCOMPARE(node->parent(), nullptr);
        QVERIFY(!node->expanded());
    }
    for (int index : {2, 3, 6}) {
        TreeNode* child = tree->node(index);
        QCOMPARE(child->imageKey(), u"FileType"_s);
        QCOMPARE(child->key(), QString());
        QVERIFY(child->parent() != nullptr);
    }
    QCOMPARE(tree->node(6)->text(), u".png"_s);
    QCOMPARE(tree->node(6)->parent(), tree->nodeByKey("X5"));
    QCOMPARE(tree->selectedNode(), nullptr);
    QCOMPARE(form.windowTitle(), u"Tavisk"_s);
}

void TestFrmMainStartup::firstRunMarkerWrittenOnce() {
    const std::string store = modStoreLayout::StorePath;
    QCOMPARE(Read(HKLM, store, "RunBefore"), QString(modRegistry::NotFound));
    start();
    QCOMPARE(Read(HKLM, store, "RunBefore"), u"1"_s);
    QCOMPARE(m_form->controls().treApplications->count(), 0); // a value, never an application
    QCOMPARE(m_form->controls().StatusBar1->panelText(1), QString());
    QVERIFY(m_form->controls().picBlank->isVisible());

    // A later start finds it and writes nothing.
    Write(HKLM, store, "RunBefore", "seen");
    start();
    QCOMPARE(Read(HKLM, store, "RunBefore"), u"seen"_s);

    // The first-run write refused: no store key at all, and still an empty tree.
    m_form = std::make_unique<frmMain>();
    frmMain::RegistryCalls refusing = frmMain::StoreCalls();
    refusing.WriteRegValue = [](std::uint32_t, std::string, std::string, std::int32_t,
                                std::string) {};
    m_form->setRegistryCalls(refusing);
    modRegistry::DeleteRegKey(HKLM, modStoreLayout::StorePath);
    QVERIFY(!modRegistry::RegKeyExists(HKLM, modStoreLayout::StorePath));
    QVERIFY(m_form->Form_Load());
    QCOMPARE(m_form->controls().treApplications->count(), 0);
    QCOMPARE(m_form->controls().StatusBar1->panelText(1), QString());
    QVERIFY(MessageBox::history().isEmpty());
}

void TestFrmMainStartup::blanksKeptAndOnlyRecordKeysListed() {
    AddApplication("  Padded ", "/usr/bin/pad %1", {".md"});
    Write(HKLM, modStoreLayout::AssociationKey("  Padded ", ".md") + "\\Below", "x", "y");
    start();
    TreeView* tree = m_form->controls().treApplications;
    QCOMPARE(tree->count(), 2);
    QCOMPARE(tree->node(1)->text(), u"  Padded "_s);
    QCOMPARE(tree->node(2)->text(), u".md"_s);
    QCOMPARE(tree->node(2)->childCount(), 0);
}

void TestFrmMainStartup::refreshKeepsExpandedByPosition() {
    AddApplication("A", "/a %1", {".a1", ".a2"});
    AddApplication("B", "/b %1", {".b1"});
    AddApplication("C", "/c %1", {".c1"});
    frmMain& form = start();
    TreeView* tree = form.controls().treApplications;
    tree->nodeByKey("X1")->setExpanded(true); // A
    tree->nodeByKey("X6")->setExpanded(true); // C
    tree->setSelectedNode(tree->nodeByKey("X4"));

    form.RefreshTree();
    QVERIFY(tree->nodeByKey("X1")->expanded());
    QVERIFY(!tree->nodeByKey("X4")->expanded());
    QVERIFY(tree->nodeByKey("X6")->expanded());
    QCOMPARE(tree->selectedNode(), nullptr);

    // Keys stand for positions: with A gone, B holds X1 and is expanded,
    // and no node holds X6 any more.
    for (const char* type : {".a1", ".a2"}) {
        modRegistry::DeleteRegKey(HKLM, modStoreLayout::AssociationKey("A", type));
    }
    modRegistry::DeleteRegKey(HKLM, modStoreLayout::ApplicationKey("A"));
    form.RefreshTree();
    QCOMPARE(tree->nodeByKey("X1")->text(), u"B"_s);
    QVERIFY(tree->nodeByKey("X1")->expanded());
    QCOMPARE(tree->nodeByKey("X3")->text(), u"C"_s);
    QVERIFY(!tree->nodeByKey("X3")->expanded());
    QCOMPARE(tree->nodeByKey("X6"), nullptr);
}

void TestFrmMainStartup::f5FromTheTreeWhateverTheModifiers() {
    frmMain& form = start();
    TreeView* tree = form.controls().treApplications;
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    tree->view()->setFocus();
    const Qt::KeyboardModifiers combinations[] = {
        Qt::NoModifier, Qt::ShiftModifier, Qt::ControlModifier | Qt::AltModifier,
        Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier};
    int added = 0;
    for (const Qt::KeyboardModifiers modifiers : combinations) {
        ++added;
        AddApplication("App" + std::to_string(added), "/x %1");
        QTest::keyClick(tree->view(), Qt::Key_F5, modifiers);
        QCOMPARE(tree->count(), added);
    }
    // From the status bar too: the window sees the key before its controls.
    AddApplication("Last", "/x %1");
    QTest::keyClick(form.controls().StatusBar1, Qt::Key_F5);
    QCOMPARE(tree->count(), added + 1);
    // Other keys are left alone.
    AddApplication("Unseen", "/x %1");
    QTest::keyClick(tree->view(), Qt::Key_F6);
    QCOMPARE(tree->count(), added + 1);
}

void TestFrmMainStartup::machineNameIsTheWholeHostName() {
    const QString name = frmMain::GetMachineName();
    QVERIFY(!name.isEmpty());
    QCOMPARE(name, QSysInfo::machineHostName());
    start();
    QCOMPARE(m_form->controls().StatusBar1->panelText(2), name);

    // A name longer than 32 characters, in a host-name namespace of a child's own.
    const QByteArray longName = "tavisk-test-host-with-a-name-longer-than-32.example";
    const pid_t child = fork();
    QVERIFY(child >= 0);
    if (child == 0) {
        if (unshare(CLONE_NEWUTS) != 0 ||
            sethostname(longName.constData(), static_cast<std::size_t>(longName.size())) != 0) {
            _exit(77);
        }
        _exit(frmMain::GetMachineName() == QString::fromLatin1(longName) ? 0 : 1);
    }
    int status = 0;
    QCOMPARE(waitpid(child, &status, 0), child);
    QVERIFY(WIFEXITED(status));
    if (WEXITSTATUS(status) == 77) {
        QSKIP("no right to set a host name in a namespace of its own");
    }
    QCOMPARE(WEXITSTATUS(status), 0);
}

void TestFrmMainStartup::loadFailureKeepsWhatWasLoaded() {
    AddApplication("Alpha", "/usr/bin/alpha %1", {".txt", ".log"});
    AddApplication("Beta", "/usr/bin/beta %1");
    frmMain& form = start();
    const frmMainControls& ui = form.controls();
    ui.treApplications->setSelectedNode(ui.treApplications->nodeByKey("X1"));
    form.treApplications_MouseUp();
    QVERIFY(ui.picAppDetails->isVisible());

    // The second application cannot be listed. While the tree loads, the
    // status bar says so.
    QStringList statuses;
    frmMain::RegistryCalls failing = frmMain::StoreCalls();
    failing.EnumRegSubkey = [&statuses, &ui](std::uint32_t root, std::string key,
                                             std::int32_t& index) {
        statuses.append(ui.StatusBar1->panelText(1));
        if (key == modStoreLayout::StorePath && index == 1) {
            throw std::runtime_error("Disk I/O error");
        }
        return modRegistry::EnumRegSubkey(root, key, index);
    };
    form.setRegistryCalls(failing);
    MessageBox::setNextAnswer(MessageBox::Answer::Ok);
    form.RefreshTree();
    QCOMPARE(MessageBox::history().size(), 1);
    QCOMPARE(MessageBox::history().first().text, u"Disk I/O error"_s);
    QCOMPARE(MessageBox::history().first().icon, MessageBox::Icon::Exclamation);
    QCOMPARE(ui.treApplications->count(), 3); // Alpha and its two file types
    QCOMPARE(statuses.first(), u"Loading settings..."_s);
    statuses.removeDuplicates();
    QCOMPARE(statuses.size(), 1);
    QCOMPARE(ui.StatusBar1->panelText(1), QString());
    // The load's own ClearSelection did not run: the last update's state stays.
    QVERIFY(ui.picAppDetails->isVisible());
    QVERIFY(ui.ToolbarButtons.value("rename")->isEnabled());
    QVERIFY(ui.mnuNewFileType->isEnabled());
}

QTEST_MAIN(TestFrmMainStartup)
#include "TestFrmMainStartup.moc"

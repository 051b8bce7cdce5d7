// The selection and the details panels: the update runs on the release of a
// mouse button or of Enter in the tree, never on a mere change of selection,
// and always concerns the selected node.
#include "GuiTestSupport.h"
#include "frmMain.h"

#include "MessageBox.h"
#include "TreeView.h"

#include <QAbstractItemView>
#include <QAction>
#include <QFontMetrics>
#include <QLabel>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;
using namespace GuiTestSupport;

namespace {

enum class Commands { Cleared, Application, Association };

} // namespace

class TestFrmMainSelection final : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void rightReleaseUpdatesForTheSelectedNode();
    void rightReleaseOverAnotherNodeKeepsTheSelectedNodesPanel();
    void arrowKeysWaitForEnter();
    void releaseOverEmptySpace();
    void refreshClearsTheSelection();
    void detailsShowTheStoreAsPlainText();
    void headingIsolatesAndFitsTheCaption_data();
    void headingIsolatesAndFitsTheCaption();

private:
    void verifyCommands(Commands expected) const;
    QPoint centreOf(const char* key) const;
    TreeNode* node(const char* key) const;
    QWidget* viewport() const;

    std::unique_ptr<TempProfile> m_store;
    std::unique_ptr<frmMain> m_form;
};

void TestFrmMainSelection::init() {
    MessageBox::clearHistory();
    m_store = std::make_unique<TempProfile>();
    QVERIFY(m_store->ok());
    // X1 Alpha (.log, .txt), X4 Beta, X5 Gamma (.png); nodes are found by
    // key, or by text for the file types.
    AddApplication("Alpha", "/usr/bin/alpha %1", {".txt", ".log"});
    AddApplication("Beta", "/usr/bin/beta %1");
    AddApplication("Gamma", "/usr/bin/gamma %1", {".png"});
    m_form = std::make_unique<frmMain>();
    QVERIFY(m_form->Form_Load());
    QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
    TreeView* tree = m_form->controls().treApplications;
    QCOMPARE(tree->count(), 6);
    tree->nodeByKey("X1")->setExpanded(true);
    tree->nodeByKey("X5")->setExpanded(true);
    tree->view()->setFocus();
}

void TestFrmMainSelection::cleanup() {
    m_form.reset();
    m_store.reset();
}

TreeNode* TestFrmMainSelection::node(const char* key) const {
    TreeView* tree = m_form->controls().treApplications;
    if (TreeNode* keyed = tree->nodeByKey(key)) {
        return keyed;
    }
    for (TreeNode* each : tree->nodes()) {
        if (each->text() == QString::fromUtf8(key)) {
            return each;
        }
    }
    return nullptr;
}

QPoint TestFrmMainSelection::centreOf(const char* key) const {
    return m_form->controls().treApplications->nodeRect(node(key)).center();
}

QWidget* TestFrmMainSelection::viewport() const {
    return m_form->controls().treApplications->view()->viewport();
}

void TestFrmMainSelection::verifyCommands(Commands expected) const {
    const frmMainControls& ui = m_form->controls();
    const bool any = expected != Commands::Cleared;
    const bool application = expected == Commands::Application;
    const auto button = [&ui](const char* key) {
        return ui.ToolbarButtons.value(key)->isEnabled();
    };
    QCOMPARE(button("NewApplication"), true);
    QCOMPARE(button("Delete"), any);
    QCOMPARE(button("AddFileTypes"), any);
    QCOMPARE(button("rename"), application);
    QCOMPARE(ui.mnuNewFileType->isEnabled(), any);
    QCOMPARE(ui.mnuFileNewApp->isEnabled(), true);
    QCOMPARE(ui.mnuEditDelete->isEnabled(), true);
    if (expected == Commands::Association) {
        QVERIFY(!button("changeexe"));
        QVERIFY(!ui.mnuEditRenameApp->isEnabled());
        QVERIFY(!ui.mnuEditRenameExe->isEnabled());
    } else if (application) {
        QVERIFY(button("changeexe"));
        QVERIFY(ui.mnuEditRenameApp->isEnabled());
        QVERIFY(ui.mnuEditRenameExe->isEnabled());
    }
    QCOMPARE(ui.picBlank->isVisible(), !any);
    QCOMPARE(ui.picAppDetails->isVisible(), application);
    QCOMPARE(ui.picFileTypeDetails->isVisible(), expected == Commands::Association);
}

void TestFrmMainSelection::rightReleaseUpdatesForTheSelectedNode() {
    const frmMainControls& ui = m_form->controls();
    TreeView* tree = ui.treApplications;
    // Selected without an update (as the arrow keys do), then a right click.
    tree->setSelectedNode(node("X4"));
    verifyCommands(Commands::Cleared);
    QTest::mouseClick(viewport(), Qt::RightButton, {}, centreOf("X4"));
    verifyCommands(Commands::Application);
    QCOMPARE(ui.lblAppDetails->text(), u"'\u2068Beta\u2069' Details"_s);

    tree->setSelectedNode(node(".png")); // .png under Gamma
    QTest::mouseClick(viewport(), Qt::RightButton, {}, centreOf(".png"));
    verifyCommands(Commands::Association);
    QCOMPARE(ui.lblFTDetails->text(), u"'\u2068.png\u2069' Details"_s);

    // Back to an application: its commands come back.
    tree->setSelectedNode(node("X1"));
    QTest::mouseClick(viewport(), Qt::RightButton, {}, centreOf("X1"));
    verifyCommands(Commands::Application);
}

void TestFrmMainSelection::rightReleaseOverAnotherNodeKeepsTheSelectedNodesPanel() {
    const frmMainControls& ui = m_form->controls();
    QTest::mouseClick(viewport(), Qt::LeftButton, {}, centreOf("X4"));
    QCOMPARE(ui.treApplications->selectedNode(), node("X4"));
    QCOMPARE(ui.lblAppDetails->text(), u"'\u2068Beta\u2069' Details"_s);
    QTest::mouseClick(viewport(), Qt::RightButton, {}, centreOf(".txt"));
    QCOMPARE(ui.treApplications->selectedNode(), node("X4"));
    QCOMPARE(ui.lblAppDetails->text(), u"'\u2068Beta\u2069' Details"_s);
    verifyCommands(Commands::Application);
}

void TestFrmMainSelection::arrowKeysWaitForEnter() {
    const frmMainControls& ui = m_form->controls();
    TreeView* tree = ui.treApplications;
    QTest::mouseClick(viewport(), Qt::LeftButton, {}, centreOf("X1"));
    verifyCommands(Commands::Application);
    QTest::keyClick(tree->view(), Qt::Key_Down);
    QTest::keyClick(tree->view(), Qt::Key_Down);
    QCOMPARE(tree->selectedNode(), node(".txt"));
    verifyCommands(Commands::Application); // still Alpha's panel and commands
    QCOMPARE(ui.lblAppDetails->text(), u"'\u2068Alpha\u2069' Details"_s);
    QTest::keyClick(tree->view(), Qt::Key_Return);
    verifyCommands(Commands::Association);
    QCOMPARE(ui.lblFTDetails->text(), u"'\u2068.txt\u2069' Details"_s);
    // The keypad's Enter does the same.
    QTest::keyClick(tree->view(), Qt::Key_Home);
    QTest::keyClick(tree->view(), Qt::Key_Enter, Qt::KeypadModifier);
    verifyCommands(Commands::Application);
}

void TestFrmMainSelection::releaseOverEmptySpace() {
    const frmMainControls& ui = m_form->controls();
    const QPoint empty(viewport()->width() / 2, viewport()->height() - 4);
    QCOMPARE(ui.treApplications->nodeAt(empty), nullptr);
    QTest::mouseClick(viewport(), Qt::LeftButton, {}, empty);
    verifyCommands(Commands::Cleared);

    ui.treApplications->setSelectedNode(node(".log"));
    QTest::mouseClick(viewport(), Qt::LeftButton, {}, empty);
    QCOMPARE(ui.treApplications->selectedNode(), node(".log"));
    verifyCommands(Commands::Association);
    QCOMPARE(ui.lblFTDetails->text(), u"'\u2068.log\u2069' Details"_s);
}

void TestFrmMainSelection::refreshClearsTheSelection() {
    const frmMainControls& ui = m_form->controls();
    QTest::mouseClick(viewport(), Qt::LeftButton, {}, centreOf("X5"));
    verifyCommands(Commands::Application);
    QTest::keyClick(ui.treApplications->view(), Qt::Key_F5);
    QCOMPARE(ui.treApplications->selectedNode(), nullptr);
    verifyCommands(Commands::Cleared);
    // Left as the last selection set them.
    QVERIFY(ui.ToolbarButtons.value("changeexe")->isEnabled());
    QVERIFY(ui.mnuEditRenameApp->isEnabled());
    QVERIFY(ui.mnuEditRenameExe->isEnabled());

    // After an association: the two rename items and "changeexe" stay off.
    QTest::mouseClick(viewport(), Qt::LeftButton, {}, centreOf(".txt"));
    m_form->RefreshTree();
    verifyCommands(Commands::Cleared);
    QVERIFY(!ui.ToolbarButtons.value("changeexe")->isEnabled());
    QVERIFY(!ui.mnuEditRenameApp->isEnabled());
}

void TestFrmMainSelection::detailsShowTheStoreAsPlainText() {
    const frmMainControls& ui = m_form->controls();
    Write(HKCR, ".txt", "", "Text Document");
    Write(HKCR, modStoreLayout::CommandKey(".txt", "Alpha"), "CREATED", "09 May 2026");
    QTest::mouseClick(viewport(), Qt::LeftButton, {}, centreOf(".txt"));
    QCOMPARE(ui.lblFTDetails->text(), u"'\u2068.txt\u2069' Details"_s);
    QCOMPARE(ui.lblFTCreated->text(), u"09 May 2026"_s);
    QCOMPARE(ui.lblDefinition->text(), u"Text Document"_s);
    QCOMPARE(ui.Label3->text(), u"Definition:"_s);
    QCOMPARE(ui.Label4->text(), u"Created:"_s);

    // .log has no description and its verb no CREATED; Beta loses its PATH.
    modRegistry::DeleteRegKey(HKCR, modStoreLayout::CommandKey(".log", "Alpha"));
    modRegistry::DeleteRegKey(HKLM, modStoreLayout::ApplicationKey("Beta"));
    QTest::mouseClick(viewport(), Qt::LeftButton, {}, centreOf(".log"));
    QCOMPARE(ui.lblFTCreated->text(), u"Not Found"_s);
    QCOMPARE(ui.lblDefinition->text(), u"Not Found"_s);
    QTest::mouseClick(viewport(), Qt::LeftButton, {}, centreOf("X4"));
    QCOMPARE(ui.lblExePath->text(), u"Not Found"_s);
    QCOMPARE(ui.lblAppCreated->text(), u"Not Found"_s);

    // The command without its "%1"s, the blank before it kept.
    AddApplication("<b>Bob's</b> & Co", "/opt/view%1er/run %1", {}, "05 December 2026");
    m_form->RefreshTree();
    ui.treApplications->setSelectedNode(node("<b>Bob's</b> & Co"));
    m_form->treApplications_MouseUp(Qt::RightButton);
    QCOMPARE(ui.lblAppDetails->text(), u"'\u2068<b>Bob's</b> & Co\u2069' Details"_s);
    QCOMPARE(ui.lblAppDetails->textFormat(), Qt::PlainText);
    QCOMPARE(ui.lblExePath->text(), u"/opt/viewer/run "_s);
    QCOMPARE(ui.lblAppCreated->text(), u"05 December 2026"_s);
    QCOMPARE(ui.Label1->text(), u"Executable Path:"_s);
    QCOMPARE(ui.Label2->text(), u"Created:"_s);
}

void TestFrmMainSelection::headingIsolatesAndFitsTheCaption_data() {
    QTest::addColumn<QString>("caption");
    QTest::addColumn<bool>("elided");
    QTest::newRow("short") << u"Notepad"_s << false;
    QTest::newRow("right-to-left") << u"محرر النصوص"_s << false;
    QTest::newRow("long") << u"Viewer "_s.repeated(30) + u"End"_s << true;
}

void TestFrmMainSelection::headingIsolatesAndFitsTheCaption() {
    QFETCH(QString, caption);
    QFETCH(bool, elided);
    AddApplication(caption.toStdString(), "/usr/bin/x %1");
    frmMain& form = *m_form;
    form.RefreshTree();
    TreeView* tree = form.controls().treApplications;
    tree->setSelectedNode(node(caption.toUtf8().constData()));
    form.treApplications_MouseUp();

    const QLabel* heading = form.controls().lblAppDetails;
    const QString whole = u"'\u2068"_s + caption + u"\u2069' Details"_s;
    QCOMPARE(heading->text() == whole, !elided);
    QCOMPARE(heading->toolTip(), elided ? whole : QString());
    QVERIFY(heading->geometry().right() < form.controls().picAppDetails->width());
    if (elided) {
        QVERIFY(heading->text().startsWith(u"'\u2068Viewer Viewer"_s));
        QVERIFY(heading->text().endsWith(u"\u2026\u2069' Details"_s));
        // Wide enough again, the whole heading comes back.
        form.resize(form.width() + QFontMetrics(heading->font()).horizontalAdvance(whole),
                    form.height());
        QTRY_COMPARE(heading->text(), whole);
        QCOMPARE(heading->toolTip(), QString());
    }
}

QTEST_MAIN(TestFrmMainSelection)
#include "TestFrmMainSelection.moc"

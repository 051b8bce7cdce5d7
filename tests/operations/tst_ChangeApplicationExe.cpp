// Change application executable as the user does it: select an application,
// choose the command, type the new path. The command changes in "PATH", in the
// node's Tag and in the program's own verbs of the application only.
#include "OperationsTestSupport.h"
#include "TextBox.h"
#include "frmChangeExe.h"
#include "modOperations.h"

#include <QLabel>

using namespace OperationsTestSupport;

namespace {

std::function<void(frmChangeExe&)> TypePath(const QString& path) {
    return [path](frmChangeExe& dialog) {
        dialog.txtPath->selectAll();
        QTest::keyClicks(dialog.txtPath, path);
        QTest::keyClick(dialog.txtPath, Qt::Key_Return);
    };
}

} // namespace

class TestChangeApplicationExe final : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void newPathWithBlanksEverywhereNoDateChanged();
    void foreignAndVanishedVerbsLeftAlone();
    void anotherApplicationsTypesUntouched();
    void cancelAndTitleBarCloseChangeNothing();
    void failureIsReportedWithTheSupportAddress();
    void onlyForAnApplicationNode();

private:
    std::unique_ptr<TestRegistry> m_registry;
    std::unique_ptr<TestMainWindow> m_main;
    std::unique_ptr<ModalDriver> m_driver;
};

void TestChangeApplicationExe::init() {
    MessageBox::clearHistory();
    m_registry = std::make_unique<TestRegistry>();
    QVERIFY(m_registry->ok());
    TestRegistry::AddApplication("Viewer", "/usr/bin/viewer %1", "01 May 2026",
                                 {"txtfile", "pngfile", "docfile"});
    TestRegistry::AddApplication("Editor", "/bin/edit %1", "02 May 2026", {"rtffile"});
    m_main = std::make_unique<TestMainWindow>();
    QVERIFY(m_main->Start());
    m_driver = std::make_unique<ModalDriver>();
}

void TestChangeApplicationExe::cleanup() {
    QCOMPARE(m_driver->unexpected(), 0);
    QCOMPARE(m_driver->pending(), 0);
    QCOMPARE(MessageBox::pendingAnswers(), 0);
    QCOMPARE(LiveDialogs<frmChangeExe>(), 0);
    QCOMPARE(m_main->StatusBar1().panelText(1), QString());
    QCOMPARE(QApplication::overrideCursor(), nullptr);
    m_driver.reset();
    m_main.reset();
    m_registry.reset();
}

void TestChangeApplicationExe::newPathWithBlanksEverywhereNoDateChanged() {
    const FixedClock clock(2026, 3, 5);
    QVERIFY(m_main->Select(QStringLiteral("Viewer")));
    TreeNode* viewer = m_main->Node(QStringLiteral("Viewer"));
    const QString key = viewer->key();
    QStringList shownInDialog;
    const WriteLog writes(&m_main->StatusBar1());
    m_driver->When<frmChangeExe>([&](frmChangeExe& dialog) {
        shownInDialog << dialog.txtPath->text() << dialog.lblAppName->text();
        TypePath(QStringLiteral("/opt/My Tools/view"))(dialog);
    });
    modOperations::ChangeApplicationExe(*m_main);

    QCOMPARE(shownInDialog,
             (QStringList{QStringLiteral("/usr/bin/viewer"), QStringLiteral("Viewer")}));
    const QString command = QStringLiteral("/opt/My Tools/view %1");
    QCOMPARE(Read(HKLM, modStoreLayout::ApplicationKey("Viewer"), "PATH"), command);
    QCOMPARE(Read(HKLM, modStoreLayout::ApplicationKey("Viewer"), "CREATED"),
             QStringLiteral("01 May 2026"));
    for (const char* type : {"txtfile", "pngfile", "docfile"}) {
        const std::string verb = modStoreLayout::CommandKey(type, "Viewer");
        QCOMPARE(Read(HKCR, verb, ""), command);
        QCOMPARE(Read(HKCR, verb, "CREATED"), QStringLiteral("01 May 2026"));
    }
    // "PATH" first, then the verbs; all under the hourglass and the status text.
    QStringList written = writes.Keys();
    written.erase(std::unique(written.begin(), written.end()), written.end());
    QCOMPARE(written.size(), 4);
    QCOMPARE(written.first(),
             QStringLiteral("HKLM\\SOFTWARE\\Quorvane\\Tavisk\\Shortcuts\\Viewer"));
    for (const WriteLog::Entry& entry : writes.entries()) {
        QCOMPARE(entry.status, QStringLiteral("Changing application executable..."));
        QVERIFY(entry.hourglass);
    }
    // The same node with its new Tag, then the update of the details.
    QCOMPARE(m_main->Node(QStringLiteral("Viewer")), viewer);
    QCOMPARE(viewer->key(), key);
    QCOMPARE(viewer->tag(), command);
    QCOMPARE(viewer->childCount(), 3);
    QCOMPARE(m_main->treApplications().selectedNode(), viewer);
    QCOMPARE(m_main->mouseUps, 1);
    QCOMPARE(m_main->refreshes, 0);
    VERIFY_STORE({}, &m_main->treApplications());
}

void TestChangeApplicationExe::foreignAndVanishedVerbsLeftAlone() {
    TestRegistry::PlantForeignVerb("txtfile", "Viewer", "/usr/bin/other %1");
    modRegistry::DeleteRegKey(HKCR, modStoreLayout::CommandKey("pngfile", "Viewer"));
    modRegistry::DeleteRegKey(HKCR, modStoreLayout::VerbKey("pngfile", "Viewer"));
    QVERIFY(m_main->Select(QStringLiteral("Viewer")));
    m_driver->When<frmChangeExe>(TypePath(QStringLiteral("/bin/view2")));
    modOperations::ChangeApplicationExe(*m_main);

    QCOMPARE(Read(HKCR, modStoreLayout::CommandKey("txtfile", "Viewer"), ""),
             QStringLiteral("/usr/bin/other %1"));
    QCOMPARE(Read(HKCR, modStoreLayout::CommandKey("txtfile", "Viewer"), "AUTHENTIC"),
             QStringLiteral("Not Found"));
    QVERIFY(!Exists(HKCR, modStoreLayout::VerbKey("pngfile", "Viewer")));
    QCOMPARE(Read(HKCR, modStoreLayout::CommandKey("docfile", "Viewer"), ""),
             QStringLiteral("/bin/view2 %1"));
    VERIFY_STORE((QList<ForeignVerb>{{QStringLiteral("Viewer"), QStringLiteral("txtfile")},
                                     {QStringLiteral("Viewer"), QStringLiteral("pngfile")}}),
                 &m_main->treApplications());
}

void TestChangeApplicationExe::anotherApplicationsTypesUntouched() {
    // Viewer takes Editor's executable: Editor's file types are still Editor's.
    QVERIFY(m_main->Select(QStringLiteral("Viewer")));
    m_driver->When<frmChangeExe>(TypePath(QStringLiteral("/bin/edit")));
    modOperations::ChangeApplicationExe(*m_main);
    QVERIFY(!Exists(HKCR, modStoreLayout::VerbKey("rtffile", "Viewer")));
    QCOMPARE(Read(HKCR, modStoreLayout::CommandKey("docfile", "Viewer"), ""),
             QStringLiteral("/bin/edit %1"));

    // And back again from Editor's side.
    QVERIFY(m_main->Select(QStringLiteral("Editor")));
    m_driver->When<frmChangeExe>(TypePath(QStringLiteral("/bin/edit2")));
    modOperations::ChangeApplicationExe(*m_main);
    QCOMPARE(Read(HKCR, modStoreLayout::CommandKey("docfile", "Viewer"), ""),
             QStringLiteral("/bin/edit %1"));
    QCOMPARE(Read(HKCR, modStoreLayout::CommandKey("rtffile", "Editor"), ""),
             QStringLiteral("/bin/edit2 %1"));
    VERIFY_STORE({}, &m_main->treApplications());
}

void TestChangeApplicationExe::cancelAndTitleBarCloseChangeNothing() {
    QVERIFY(m_main->Select(QStringLiteral("Viewer")));
    const WriteLog writes;
    m_driver->When<frmChangeExe>([](frmChangeExe& dialog) {
        QTest::keyClicks(dialog.txtPath, QStringLiteral("2"));
        QTest::keyClick(dialog.txtPath, Qt::Key_Escape);
    });
    modOperations::ChangeApplicationExe(*m_main);
    m_driver->When<frmChangeExe>([](frmChangeExe& dialog) {
        QCOMPARE(dialog.txtPath->text(), QStringLiteral("/usr/bin/viewer"));
        QTest::keyClicks(dialog.txtPath, QStringLiteral("2"));
        dialog.close();
    });
    modOperations::ChangeApplicationExe(*m_main);
    QVERIFY(writes.empty());
    QCOMPARE(m_main->Node(QStringLiteral("Viewer"))->tag(), QStringLiteral("/usr/bin/viewer %1"));
    QCOMPARE(m_main->mouseUps, 0);
}

void TestChangeApplicationExe::failureIsReportedWithTheSupportAddress() {
    QVERIFY(m_main->Select(QStringLiteral("Viewer")));
    m_main->failMouseUp = true;
    MessageBox::setNextAnswer(MessageBox::Answer::Ok);
    m_driver->When<frmChangeExe>(TypePath(QStringLiteral("/bin/view2")));
    modOperations::ChangeApplicationExe(*m_main);

    QCOMPARE(MessageBox::history().size(), 1);
    const MessageBox::Shown& shown = MessageBox::history().first();
    QCOMPARE(shown.text,
             QStringLiteral("An error has occurred whilst renaming the application "
                            "executable.  Please report this to support@tavisk.example"));
    QCOMPARE(shown.icon, MessageBox::Icon::Exclamation);
    QCOMPARE(shown.buttons, MessageBox::Buttons::Ok);
    // What was written stays written.
    QCOMPARE(m_main->Node(QStringLiteral("Viewer"))->tag(), QStringLiteral("/bin/view2 %1"));
    VERIFY_STORE({}, &m_main->treApplications());
}

void TestChangeApplicationExe::onlyForAnApplicationNode() {
    const WriteLog writes;
    modOperations::ChangeApplicationExe(*m_main);
    QVERIFY(m_main->Select(QStringLiteral("Viewer"), QStringLiteral("txtfile")));
    modOperations::ChangeApplicationExe(*m_main);
    QCOMPARE(m_driver->shown(), 0);
    QVERIFY(writes.empty());
    QCOMPARE(m_main->mouseUps, 0);
}

QTEST_MAIN(TestChangeApplicationExe)
#include "tst_ChangeApplicationExe.moc"

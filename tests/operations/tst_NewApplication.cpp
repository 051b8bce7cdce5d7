// New application as the user makes one: the dialog answered, the node the
// operation adds, what the store holds, Cancel, a caption already in use, and
// a failed store write.
#include "OperationsTestSupport.h"
#include "TextBox.h"
#include "frmNewApplication.h"
#include "modOperations.h"

#include <QPushButton>

using namespace OperationsTestSupport;

namespace {

/// Types a caption and a path into the dialog, then presses Enter.
std::function<void(frmNewApplication&)> Type(const QString& caption, const QString& path) {
    return [caption, path](frmNewApplication& dialog) {
        dialog.txtName->selectAll();
        QTest::keyClicks(dialog.txtName, caption);
        dialog.txtPath->selectAll();
        QTest::keyClicks(dialog.txtPath, path);
        QTest::keyClick(dialog.txtPath, Qt::Key_Return);
    };
}

} // namespace

class TestNewApplication final : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void nodesAndKeysOfTwoNewApplications();
    void cancelAndTitleBarCloseWriteNothing();
    void captionInUseIsRefusedAndAskedAgain();
    void failedStoreWriteAddsNoNode();

private:
    std::unique_ptr<TestRegistry> m_registry;
    std::unique_ptr<TestMainWindow> m_main;
    std::unique_ptr<ModalDriver> m_driver;
};

void TestNewApplication::init() {
    MessageBox::clearHistory();
    m_registry = std::make_unique<TestRegistry>();
    QVERIFY(m_registry->ok());
    TestRegistry::AddApplication("Viewer", "/usr/bin/viewer %1", "01 May 2026", {"txtfile"});
    m_main = std::make_unique<TestMainWindow>();
    QVERIFY(m_main->Start());
    m_driver = std::make_unique<ModalDriver>();
}

void TestNewApplication::cleanup() {
    QCOMPARE(m_driver->unexpected(), 0);
    QCOMPARE(m_driver->pending(), 0);
    QCOMPARE(LiveDialogs<frmNewApplication>(), 0);
    m_driver.reset();
    m_main.reset();
    m_registry.reset();
}

void TestNewApplication::nodesAndKeysOfTwoNewApplications() {
    const FixedClock clock(2026, 3, 5);
    m_driver->When<frmNewApplication>(
        Type(QStringLiteral("Editor"), QStringLiteral("/opt/my tools/edit")));
    modOperations::AddNewApplication(*m_main);
    m_driver->When<frmNewApplication>(
        Type(QStringLiteral("  Archive "), QStringLiteral("/bin/ar")));
    modOperations::AddNewApplication(*m_main);

    // Viewer and its file type were loaded as nodes 1 and 2.
    TreeNode* editor = m_main->Node(QStringLiteral("Editor"));
    QVERIFY(editor != nullptr);
    QCOMPARE(editor->index(), 3);
    QCOMPARE(editor->key(), QStringLiteral("X3"));
    QCOMPARE(editor->imageKey(), QStringLiteral("Application"));
    QCOMPARE(editor->tag(), QStringLiteral("/opt/my tools/edit %1"));
    QCOMPARE(editor->childCount(), 0);
    QVERIFY(!editor->expanded());
    TreeNode* archive = m_main->Node(QStringLiteral("  Archive "));
    QVERIFY(archive != nullptr);
    QCOMPARE(archive->key(), QStringLiteral("X4"));
    QCOMPARE(archive->tag(), QStringLiteral("/bin/ar %1"));

    // Nothing selected, no update of the details, no reload; the top level sorted.
    QCOMPARE(m_main->treApplications().selectedNode(), nullptr);
    QCOMPARE(m_main->mouseUps, 0);
    QCOMPARE(m_main->refreshes, 0);
    QVERIFY(m_main->treApplications().sorted());
    QCOMPARE(m_main->Captions(), (QStringList{QStringLiteral("  Archive "),
                                              QStringLiteral("Editor"), QStringLiteral("Viewer")}));

    // The captions as typed, the path unquoted.
    QCOMPARE(Read(HKLM, modStoreLayout::ApplicationKey("Editor"), "PATH"),
             QStringLiteral("/opt/my tools/edit %1"));
    QCOMPARE(Read(HKLM, modStoreLayout::ApplicationKey("Editor"), "CREATED"), clock.today());
    QCOMPARE(Read(HKLM, modStoreLayout::ApplicationKey("  Archive "), "PATH"),
             QStringLiteral("/bin/ar %1"));
    QCOMPARE(Subkeys(HKLM, modStoreLayout::ApplicationKey("Editor")), QStringList());
    QVERIFY(MessageBox::history().isEmpty());
    VERIFY_STORE({}, &m_main->treApplications());
}

void TestNewApplication::cancelAndTitleBarCloseWriteNothing() {
    const WriteLog writes;
    m_driver->When<frmNewApplication>([](frmNewApplication& dialog) {
        QTest::keyClicks(dialog.txtName, QStringLiteral("Editor"));
        QTest::keyClicks(dialog.txtPath, QStringLiteral("/bin/edit"));
        QTest::keyClick(dialog.txtPath, Qt::Key_Escape);
    });
    modOperations::AddNewApplication(*m_main);
    m_driver->When<frmNewApplication>([](frmNewApplication& dialog) {
        // A fresh dialog: nothing of the cancelled one is left in it.
        QVERIFY(dialog.txtName->text().isEmpty());
        QVERIFY(dialog.txtPath->text().isEmpty());
        QTest::keyClicks(dialog.txtName, QStringLiteral("Editor"));
        QTest::keyClicks(dialog.txtPath, QStringLiteral("/bin/edit"));
        dialog.close();
    });
    modOperations::AddNewApplication(*m_main);
    m_driver->When<frmNewApplication>([](frmNewApplication& dialog) {
        QTest::keyClicks(dialog.txtName, QStringLiteral("Editor"));
        QTest::keyClicks(dialog.txtPath, QStringLiteral("/bin/edit"));
        dialog.cmdCancel->click();
    });
    modOperations::AddNewApplication(*m_main);

    QVERIFY(writes.empty());
    QCOMPARE(m_main->Captions(), QStringList{QStringLiteral("Viewer")});
    QVERIFY(!m_main->treApplications().sorted());
    QVERIFY(MessageBox::history().isEmpty());
}

void TestNewApplication::captionInUseIsRefusedAndAskedAgain() {
    const FixedClock clock(2026, 3, 5);
    QStringList seenAgain;
    int writesWhenAskedAgain = -1;
    const WriteLog writes;
    MessageBox::setNextAnswer(MessageBox::Answer::Ok);
    // The store compares names without regard to case: "viewer" is Viewer's key.
    m_driver->When<frmNewApplication>(Type(QStringLiteral("viewer"), QStringLiteral("/bin/other")));
    m_driver->When<frmNewApplication>([&](frmNewApplication& dialog) {
        seenAgain << dialog.txtName->text() << dialog.txtPath->text();
        writesWhenAskedAgain = static_cast<int>(writes.entries().size());
        Type(QStringLiteral("Viewer 2"), QStringLiteral("/bin/other"))(dialog);
    });
    modOperations::AddNewApplication(*m_main);

    QCOMPARE(MessageBox::history().size(), 1);
    const MessageBox::Shown& shown = MessageBox::history().first();
    QCOMPARE(shown.text,
             QStringLiteral(
                 "An application with the menu caption '\u2068viewer\u2069' already exists."));
    QCOMPARE(shown.title, QStringLiteral("Tavisk"));
    QCOMPARE(shown.icon, MessageBox::Icon::Exclamation);
    QCOMPARE(shown.buttons, MessageBox::Buttons::Ok);
    QCOMPARE(seenAgain, (QStringList{QStringLiteral("viewer"), QStringLiteral("/bin/other")}));
    QCOMPARE(writesWhenAskedAgain, 0);

    // Viewer keeps its command and date; the second caption was saved.
    QCOMPARE(Read(HKLM, modStoreLayout::ApplicationKey("Viewer"), "PATH"),
             QStringLiteral("/usr/bin/viewer %1"));
    QCOMPARE(Read(HKLM, modStoreLayout::ApplicationKey("Viewer"), "CREATED"),
             QStringLiteral("01 May 2026"));
    QCOMPARE(Read(HKLM, modStoreLayout::ApplicationKey("Viewer 2"), "PATH"),
             QStringLiteral("/bin/other %1"));
    QCOMPARE(m_main->Captions(),
             (QStringList{QStringLiteral("Viewer"), QStringLiteral("Viewer 2")}));
    VERIFY_STORE({}, &m_main->treApplications());
}

void TestNewApplication::failedStoreWriteAddsNoNode() {
    // The date cannot be had: the write of "CREATED" never happens.
    modStoreLayout::SetClock([]() -> std::time_t { throw std::runtime_error("no clock"); });
    m_driver->When<frmNewApplication>(Type(QStringLiteral("Editor"), QStringLiteral("/bin/edit")));
    modOperations::AddNewApplication(*m_main);
    modStoreLayout::SetClock({});

    QCOMPARE(m_main->Node(QStringLiteral("Editor")), nullptr);
    QVERIFY(m_main->treApplications().sorted());
    QVERIFY(MessageBox::history().isEmpty());
    // The application is written as one change: nothing of it was kept.
    QVERIFY(!Exists(HKLM, modStoreLayout::ApplicationKey("Editor")));
}

QTEST_MAIN(TestNewApplication)
#include "tst_NewApplication.moc"

// Rename menu caption as the user does it: select an application, choose
// Rename, type the new caption. The application is deleted and written again
// under the new caption; another application's caption is refused.
#include "OperationsTestSupport.h"
#include "TextBox.h"
#include "frmRenameApp.h"
#include "modOperations.h"

#include <QLabel>

using namespace OperationsTestSupport;

namespace {

const std::string ViewerCommand = "/usr/bin/viewer %1";

std::function<void(frmRenameApp&)> TypeCaption(const QString& caption) {
    return [caption](frmRenameApp& dialog) {
        dialog.txtCaption->selectAll();
        QTest::keyClicks(dialog.txtCaption, caption);
        QTest::keyClick(dialog.txtCaption, Qt::Key_Return);
    };
}

/// Position of the first (or last) change whose key contains the text.
qsizetype FirstChange(const WriteLog& log, const QString& part) {
    const QStringList keys = log.Keys();
    for (qsizetype i = 0; i < keys.size(); ++i) {
        if (keys[i].contains(part)) {
            return i;
        }
    }
    return -1;
}

qsizetype LastChange(const WriteLog& log, const QString& part) {
    const QStringList keys = log.Keys();
    for (qsizetype i = keys.size() - 1; i >= 0; --i) {
        if (keys[i].contains(part)) {
            return i;
        }
    }
    return -1;
}

} // namespace

class TestRenameApplication final : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void renamedWithItsCommandAndFileTypes();
    void sameCaptionRenewsEveryDate_data();
    void sameCaptionRenewsEveryDate();
    void verbsRunTheCommandStoredAsPath();
    void foreignVerbKeepsTheOldCaptionListed();
    void captionOfAnotherApplicationRefused();
    void cancelAndTitleBarCloseChangeNothing();
    void failureIsReportedWithTheSupportAddress();
    void onlyForAnApplicationNode();

private:
    std::unique_ptr<TestRegistry> m_registry;
    std::unique_ptr<TestMainWindow> m_main;
    std::unique_ptr<ModalDriver> m_driver;
};

void TestRenameApplication::init() {
    MessageBox::clearHistory();
    m_registry = std::make_unique<TestRegistry>();
    QVERIFY(m_registry->ok());
    TestRegistry::AddApplication("Viewer", ViewerCommand, "01 May 2026", {"txtfile", "pngfile"});
    TestRegistry::AddApplication("Editor", "/bin/edit %1", "02 May 2026", {"docfile"});
    m_main = std::make_unique<TestMainWindow>();
    QVERIFY(m_main->Start());
    m_driver = std::make_unique<ModalDriver>();
}

void TestRenameApplication::cleanup() {
    QCOMPARE(m_driver->unexpected(), 0);
    QCOMPARE(m_driver->pending(), 0);
    QCOMPARE(MessageBox::pendingAnswers(), 0);
    QCOMPARE(LiveDialogs<frmRenameApp>(), 0);
    QCOMPARE(m_main->StatusBar1().panelText(1), QString());
    QCOMPARE(QApplication::overrideCursor(), nullptr);
    m_driver.reset();
    m_main.reset();
    m_registry.reset();
}

void TestRenameApplication::renamedWithItsCommandAndFileTypes() {
    const FixedClock clock(2026, 3, 5);
    QVERIFY(m_main->Select(QStringLiteral("Viewer")));
    QStringList shownInDialog;
    const WriteLog writes(&m_main->StatusBar1());
    m_driver->When<frmRenameApp>([&](frmRenameApp& dialog) {
        shownInDialog << dialog.txtCaption->text() << dialog.lblAppName->text();
        TypeCaption(QStringLiteral("Show"))(dialog);
    });
    modOperations::RenameApplication(*m_main);

    // The command with "%1" deleted, its blank kept.
    QCOMPARE(shownInDialog,
             (QStringList{QStringLiteral("Viewer"), QStringLiteral("/usr/bin/viewer ")}));
    QVERIFY(!Exists(HKLM, modStoreLayout::ApplicationKey("Viewer")));
    QVERIFY(!Exists(HKCR, modStoreLayout::VerbKey("txtfile", "Viewer")));
    QCOMPARE(Read(HKLM, modStoreLayout::ApplicationKey("Show"), "PATH"),
             QString::fromStdString(ViewerCommand));
    QCOMPARE(Read(HKLM, modStoreLayout::ApplicationKey("Show"), "CREATED"), clock.today());
    for (const char* type : {"txtfile", "pngfile"}) {
        QCOMPARE(Read(HKCR, modStoreLayout::CommandKey(type, "Show"), "CREATED"), clock.today());
    }
    // The old caption is gone before anything of the new one is written.
    QVERIFY(LastChange(writes, QStringLiteral("\\Viewer")) <
            FirstChange(writes, QStringLiteral("\\Show")));
    for (const WriteLog::Entry& entry : writes.entries()) {
        QCOMPARE(entry.status, QStringLiteral("Renaming application..."));
        QVERIFY(entry.hourglass);
    }
    QCOMPARE(m_main->refreshes, 1);
    QCOMPARE(m_main->Captions(), (QStringList{QStringLiteral("Editor"), QStringLiteral("Show")}));
    QVERIFY(MessageBox::history().isEmpty());
    VERIFY_STORE({}, &m_main->treApplications());
}

void TestRenameApplication::sameCaptionRenewsEveryDate_data() {
    QTest::addColumn<QString>("caption");
    QTest::newRow("same caption") << QStringLiteral("Viewer");
    QTest::newRow("other letter case") << QStringLiteral("VIEWER");
}

void TestRenameApplication::sameCaptionRenewsEveryDate() {
    QFETCH(QString, caption);
    const FixedClock clock(2026, 3, 5);
    QVERIFY(m_main->Select(QStringLiteral("Viewer")));
    m_driver->When<frmRenameApp>(TypeCaption(caption));
    modOperations::RenameApplication(*m_main);

    QVERIFY(MessageBox::history().isEmpty());
    const std::string name = caption.toStdString();
    QCOMPARE(Read(HKLM, modStoreLayout::ApplicationKey(name), "CREATED"), clock.today());
    for (const char* type : {"txtfile", "pngfile"}) {
        QCOMPARE(Read(HKCR, modStoreLayout::CommandKey(type, name), ""),
                 QString::fromStdString(ViewerCommand));
        QCOMPARE(Read(HKCR, modStoreLayout::CommandKey(type, name), "CREATED"), clock.today());
    }
    QCOMPARE(m_main->Captions(), (QStringList{QStringLiteral("Editor"), caption}));
    QCOMPARE(m_main->Node(caption)->childCount(), 2);
    // Editor is not touched.
    QCOMPARE(Read(HKCR, modStoreLayout::CommandKey("docfile", "Editor"), "CREATED"),
             QStringLiteral("02 May 2026"));
    VERIFY_STORE({}, &m_main->treApplications());
}

void TestRenameApplication::verbsRunTheCommandStoredAsPath() {
    // A command with a "%1" inside and blanks at its end, as another tool or
    // an older version may have stored it.
    TestRegistry::AddApplication("Odd", "/opt/odd --file=%1 %1  ", "03 May 2026", {"txtfile"});
    m_main->Load();
    QVERIFY(m_main->Select(QStringLiteral("Odd")));
    m_driver->When<frmRenameApp>(TypeCaption(QStringLiteral("Even")));
    modOperations::RenameApplication(*m_main);

    const QString stored = QStringLiteral("/opt/odd --file= %1");
    QCOMPARE(Read(HKLM, modStoreLayout::ApplicationKey("Even"), "PATH"), stored);
    QCOMPARE(Read(HKCR, modStoreLayout::CommandKey("txtfile", "Even"), ""), stored);
    VERIFY_STORE({}, &m_main->treApplications());
}

void TestRenameApplication::foreignVerbKeepsTheOldCaptionListed() {
    TestRegistry::PlantForeignVerb("txtfile", "Viewer", "/usr/bin/other %1");
    QVERIFY(m_main->Select(QStringLiteral("Viewer")));
    MessageBox::setNextAnswer(MessageBox::Answer::Ok);
    m_driver->When<frmRenameApp>(TypeCaption(QStringLiteral("Show")));
    modOperations::RenameApplication(*m_main);

    QCOMPARE(Texts(),
             QStringList{QStringLiteral(
                 "The file type '\u2068txtfile\u2069' cannot be removed from this application.")});
    QCOMPARE(m_main->Captions(), (QStringList{QStringLiteral("Editor"), QStringLiteral("Show"),
                                              QStringLiteral("Viewer")}));
    QCOMPARE(m_main->Node(QStringLiteral("Show"))->childCount(), 2);
    QVERIFY(m_main->Node(QStringLiteral("Viewer"), QStringLiteral("txtfile")) != nullptr);
    QCOMPARE(m_main->Node(QStringLiteral("Viewer"))->childCount(), 1);
    QCOMPARE(Read(HKCR, modStoreLayout::CommandKey("txtfile", "Viewer"), ""),
             QStringLiteral("/usr/bin/other %1"));
    VERIFY_STORE({ForeignVerb(QStringLiteral("Viewer"), QStringLiteral("txtfile"))},
                 &m_main->treApplications());
}

void TestRenameApplication::captionOfAnotherApplicationRefused() {
    const FixedClock clock(2026, 3, 5);
    QVERIFY(m_main->Select(QStringLiteral("Viewer")));
    const WriteLog writes;
    QString shownAgain;
    int changesWhenAskedAgain = -1;
    MessageBox::setNextAnswer(MessageBox::Answer::Ok);
    m_driver->When<frmRenameApp>(TypeCaption(QStringLiteral("editor")));
    m_driver->When<frmRenameApp>([&](frmRenameApp& dialog) {
        shownAgain = dialog.txtCaption->text();
        changesWhenAskedAgain = static_cast<int>(writes.entries().size());
        QTest::keyClick(dialog.txtCaption, Qt::Key_Escape);
    });
    modOperations::RenameApplication(*m_main);

    QCOMPARE(Texts(),
             QStringList{QStringLiteral(
                 "An application with the menu caption '\u2068editor\u2069' already exists.")});
    const MessageBox::Shown& shown = MessageBox::history().first();
    QCOMPARE(shown.icon, MessageBox::Icon::Exclamation);
    QCOMPARE(shown.buttons, MessageBox::Buttons::Ok);
    QCOMPARE(shownAgain, QStringLiteral("editor"));
    QCOMPARE(changesWhenAskedAgain, 0);
    QVERIFY(writes.empty());
    QCOMPARE(m_main->refreshes, 0);

    // Asked again, another caption goes through.
    MessageBox::clearHistory();
    MessageBox::setNextAnswer(MessageBox::Answer::Ok);
    m_driver->When<frmRenameApp>(TypeCaption(QStringLiteral("Editor")));
    m_driver->When<frmRenameApp>(TypeCaption(QStringLiteral("Show")));
    modOperations::RenameApplication(*m_main);
    QCOMPARE(Texts().size(), 1);
    QCOMPARE(m_main->Captions(), (QStringList{QStringLiteral("Editor"), QStringLiteral("Show")}));
    QCOMPARE(Read(HKLM, modStoreLayout::ApplicationKey("Editor"), "PATH"),
             QStringLiteral("/bin/edit %1"));
    QCOMPARE(m_main->Node(QStringLiteral("Editor"))->childCount(), 1);
    VERIFY_STORE({}, &m_main->treApplications());
}

void TestRenameApplication::cancelAndTitleBarCloseChangeNothing() {
    QVERIFY(m_main->Select(QStringLiteral("Viewer")));
    const WriteLog writes;
    m_driver->When<frmRenameApp>([](frmRenameApp& dialog) {
        QTest::keyClicks(dialog.txtCaption, QStringLiteral(" 2"));
        QTest::keyClick(dialog.txtCaption, Qt::Key_Escape);
    });
    modOperations::RenameApplication(*m_main);
    m_driver->When<frmRenameApp>([](frmRenameApp& dialog) {
        // A fresh dialog, filled again from the node.
        QCOMPARE(dialog.txtCaption->text(), QStringLiteral("Viewer"));
        QTest::keyClicks(dialog.txtCaption, QStringLiteral(" 2"));
        dialog.close();
    });
    modOperations::RenameApplication(*m_main);
    QVERIFY(writes.empty());
    QCOMPARE(m_main->refreshes, 0);
    QVERIFY(MessageBox::history().isEmpty());
}

void TestRenameApplication::failureIsReportedWithTheSupportAddress() {
    const QString message =
        QStringLiteral("An error has occurred whilst renaming the application "
                       "caption.  Please report this to support@tavisk.example");
    // The date cannot be had when the first verb under the new caption is written.
    QVERIFY(m_main->Select(QStringLiteral("Viewer")));
    modStoreLayout::SetClock([]() -> std::time_t { throw std::runtime_error("no clock"); });
    MessageBox::setNextAnswer(MessageBox::Answer::Ok);
    m_driver->When<frmRenameApp>(TypeCaption(QStringLiteral("Show")));
    modOperations::RenameApplication(*m_main);
    modStoreLayout::SetClock({});

    QCOMPARE(Texts(), QStringList{message});
    QCOMPARE(MessageBox::history().first().icon, MessageBox::Icon::Exclamation);
    QCOMPARE(m_main->refreshes, 0);
    // The rename is one change of the store: nothing of it was kept.
    QCOMPARE(Read(HKLM, modStoreLayout::ApplicationKey("Viewer"), "PATH"),
             QString::fromStdString(ViewerCommand));
    QVERIFY(!Exists(HKLM, modStoreLayout::ApplicationKey("Show")));
    for (const char* type : {"txtfile", "pngfile"}) {
        QCOMPARE(Read(HKCR, modStoreLayout::CommandKey(type, "Viewer"), "AUTHENTIC"),
                 QStringLiteral("quorvane"));
        QVERIFY(!Exists(HKCR, modStoreLayout::VerbKey(type, "Show")));
    }

    // The reload fails after everything was written.
    m_main->Load();
    QVERIFY(m_main->Select(QStringLiteral("Editor")));
    MessageBox::clearHistory();
    m_main->failRefresh = true;
    MessageBox::setNextAnswer(MessageBox::Answer::Ok);
    m_driver->When<frmRenameApp>(TypeCaption(QStringLiteral("Writer")));
    modOperations::RenameApplication(*m_main);
    QCOMPARE(Texts(), QStringList{message});
    QCOMPARE(Read(HKCR, modStoreLayout::CommandKey("docfile", "Writer"), ""),
             QStringLiteral("/bin/edit %1"));
}

void TestRenameApplication::onlyForAnApplicationNode() {
    const WriteLog writes;
    modOperations::RenameApplication(*m_main);
    QVERIFY(m_main->Select(QStringLiteral("Viewer"), QStringLiteral("txtfile")));
    modOperations::RenameApplication(*m_main);
    QCOMPARE(m_driver->shown(), 0);
    QVERIFY(writes.empty());
    QVERIFY(MessageBox::history().isEmpty());
}

QTEST_MAIN(TestRenameApplication)
#include "tst_RenameApplication.moc"

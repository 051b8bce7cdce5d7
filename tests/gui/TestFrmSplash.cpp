// The splash: its look and version, the hand-over to the main window only
// after the main window's start-up has loaded the tree, a key press that
// hands over at once, and a failed start-up that ends the program.
#include "GuiTestSupport.h"

#include "MessageBox.h"
#include "TreeView.h"
#include "frmMain.h"
#include "frmSplash.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QProcess>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include <cstdlib>
#include <memory>
#include <stdexcept>

using namespace Qt::StringLiterals;
using namespace GuiTestSupport;

class TestFrmSplash final : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void lookAndVersion();
    void handsOverAfterTheTreeIsLoaded();
    void characterKeyHandsOverAtOnce();
    void failedStartupEndsTheProgram();
    void theProgramLoadsItsStore();

private:
    std::unique_ptr<TempProfile> m_profile;
    std::unique_ptr<frmMain> m_main;
};

void TestFrmSplash::init() {
    MessageBox::clearHistory();
    m_profile = std::make_unique<TempProfile>();
    QVERIFY(m_profile->ok());
}

void TestFrmSplash::cleanup() {
    m_main.reset();
    m_profile.reset();
}

void TestFrmSplash::lookAndVersion() {
    frmSplash splash([] { return true; });
    QCOMPARE(splash.lblVersion->text(), u"Version"_s);
    splash.Form_Load();
    splash.show();
    QVERIFY(QTest::qWaitForWindowExposed(&splash));

    QCOMPARE(splash.lblVersion->text(), QStringLiteral("Version " TAVISK_PROJECT_VERSION));
    QCOMPARE(splash.palette().color(splash.backgroundRole()), QColor(Qt::white));
    QVERIFY(splash.autoFillBackground());
    const QPoint off =
        splash.frameGeometry().center() - QGuiApplication::primaryScreen()->geometry().center();
    QVERIFY(qAbs(off.x()) <= 1 && qAbs(off.y()) <= 1);
    // Both pictures are drawn and lie inside the window, the label too.
    for (QLabel* picture : {splash.Picture1, splash.Picture2}) {
        QVERIFY(!picture->pixmap().isNull());
        QVERIFY(splash.rect().contains(picture->geometry()));
    }
    QVERIFY(splash.rect().contains(splash.lblVersion->geometry()));
    QVERIFY(splash.lblVersion->sizeHint().width() <= splash.lblVersion->width());
    QVERIFY(splash.Timer1->isActive());
}

void TestFrmSplash::handsOverAfterTheTreeIsLoaded() {
    AddApplication("Alpha", "/usr/bin/alpha %1", {".txt", ".log"});
    AddApplication("Beta", "/usr/bin/beta %1");

    // While the main window reads the store, the splash must still be up.
    bool splashUpDuringLoad = true;
    int enumerations = 0;
    bool splashUpAfterStartup = false;
    int nodesAfterStartup = -1;
    QElapsedTimer clock;
    qint64 handedOverAfter = -1;

    std::unique_ptr<frmSplash> splash;
    splash = std::make_unique<frmSplash>([&] {
        handedOverAfter = clock.elapsed();
        m_main = std::make_unique<frmMain>();
        frmMain::RegistryCalls calls = frmMain::StoreCalls();
        calls.EnumRegSubkey = [&](std::uint32_t root, std::string key, std::int32_t& index) {
            ++enumerations;
            splashUpDuringLoad = splashUpDuringLoad && splash->isVisible();
            return modRegistry::EnumRegSubkey(root, std::move(key), index);
        };
        m_main->setRegistryCalls(calls);
        const bool started = m_main->Form_Load();
        splashUpAfterStartup = splash->isVisible();
        nodesAfterStartup = static_cast<int>(m_main->controls().treApplications->nodes().size());
        return started;
    });
    clock.start();
    splash->Form_Load();
    splash->show();
    QVERIFY(QTest::qWaitForWindowExposed(splash.get()));

    QTest::qWait(900);
    QVERIFY(m_main == nullptr);
    QVERIFY(splash->isVisible());
    QTRY_VERIFY_WITH_TIMEOUT(!splash->isVisible(), 5000);

    QVERIFY(handedOverAfter >= 1000);
    QVERIFY(enumerations > 0);
    QVERIFY(splashUpDuringLoad);
    QVERIFY(splashUpAfterStartup);
    QCOMPARE(nodesAfterStartup, 4);
    QVERIFY(m_main->isVisible());
    QVERIFY(!splash->StartupFailed());
    QVERIFY(MessageBox::history().isEmpty());
    // The timer went with the splash: the main window is made once.
    frmMain* first = m_main.get();
    QTest::qWait(1200);
    QCOMPARE(m_main.get(), first);
}

void TestFrmSplash::characterKeyHandsOverAtOnce() {
    int shown = 0;
    frmSplash splash([&shown] {
        ++shown;
        return true;
    });
    splash.Form_Load();
    splash.show();
    QVERIFY(QTest::qWaitForWindowExposed(&splash));

    QTest::keyClick(&splash, Qt::Key_Shift); // a modifier alone is no character
    QCOMPARE(shown, 0);
    QTest::keyClick(&splash, Qt::Key_Escape);
    QCOMPARE(shown, 1);
    QVERIFY(!splash.isVisible());
    QVERIFY(!splash.Timer1->isActive());
    QTest::qWait(1200);
    QCOMPARE(shown, 1);
}

void TestFrmSplash::failedStartupEndsTheProgram() {
    AddApplication("Alpha", "/usr/bin/alpha %1");
    MessageBox::setNextAnswer(MessageBox::Answer::Ok);
    frmSplash splash([this] {
        m_main = std::make_unique<frmMain>();
        frmMain::RegistryCalls calls = frmMain::StoreCalls();
        calls.ReadRegValue = [](std::uint32_t, std::string, std::string) -> std::string {
            throw std::runtime_error("the store went away");
        };
        m_main->setRegistryCalls(calls);
        return m_main->Form_Load();
    });

    const int result = RunEventLoop([&splash] {
        splash.Form_Load();
        splash.show();
    });

    QVERIFY(result != TimedOut);
    QVERIFY(splash.StartupFailed());
    QVERIFY(!splash.isVisible());
    QVERIFY(!m_main->isVisible());
    QCOMPARE(MessageBox::history().size(), 1);
    const MessageBox::Shown& shown = MessageBox::history().first();
    QCOMPARE(shown.text, u"An error occurred whilst loading Tavisk."_s);
    QCOMPARE(shown.icon, MessageBox::Icon::Critical);
    QCOMPARE(shown.buttons, MessageBox::Buttons::Ok);
    QCOMPARE(shown.title, u"Tavisk"_s);
}

void TestFrmSplash::theProgramLoadsItsStore() {
    // The program itself on the test's store: its splash hands over to the
    // main window, whose start-up writes the first-run marker.
    tavisk::registry::closeStore();
    QProcess program;
    program.start(QStringLiteral(TAVISK_PROGRAM), {});
    QVERIFY(program.waitForStarted());
    QString marker;
    QElapsedTimer waited;
    waited.start();
    while (marker != u"1"_s && waited.elapsed() < 20000) {
        QTest::qWait(200);
        QVERIFY(tavisk::registry::openStore(m_profile->storeFile().toStdString()).ok());
        marker = Read(modRegistry::HKLM, modStoreLayout::StorePath, "RunBefore");
        tavisk::registry::closeStore();
    }
    program.kill();
    program.waitForFinished();
    QCOMPARE(marker, u"1"_s);
}

QTEST_MAIN(TestFrmSplash)
#include "TestFrmSplash.moc"

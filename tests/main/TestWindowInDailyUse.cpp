// The main window in daily use: placement on a small screen, the details
// heading with right-to-left and long captions, the message for a damaged
// store, and the New Application instruction off Windows.
#include "MessageBox.h"
#include "TempStore.h"
#include "TreeView.h"
#include "frmMain.h"
#include "frmNewApplication.h"
#include "modFunctions.h"
#include "modStartup.h"

#include <QFile>
#include <QLabel>
#include <QScreen>

#include <sqlite3.h>

class TestWindowInDailyUse final : public QObject {
    Q_OBJECT

private slots:
    void init();
    void centreFormKeepsTheWindowOnTheScreen_data();
    void centreFormKeepsTheWindowOnTheScreen();
    void headingIsolatesAndFitsTheCaption_data();
    void headingIsolatesAndFitsTheCaption();
    void damagedStoreGetsAShortMessageWithDetails();
    void newApplicationInstructionNamesTheFileManager();
};

void TestWindowInDailyUse::init() {
    MessageBox::clearHistory();
}

void TestWindowInDailyUse::centreFormKeepsTheWindowOnTheScreen_data() {
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QPoint>("position");
    // On the offscreen platform's screen of 800 x 800 pixels.
    QTest::newRow("fits: centred") << QSize(400, 300) << QPoint(200, 250);
    QTest::newRow("screen-sized") << QSize(800, 800) << QPoint(0, 0);
    QTest::newRow("too wide") << QSize(1000, 300) << QPoint(0, 250);
    QTest::newRow("too high") << QSize(600, 900) << QPoint(100, 0);
    QTest::newRow("too large") << QSize(1184, 900) << QPoint(0, 0);
}

void TestWindowInDailyUse::centreFormKeepsTheWindowOnTheScreen() {
    QFETCH(QSize, size);
    QFETCH(QPoint, position);
    QCOMPARE(QGuiApplication::primaryScreen()->availableGeometry(), QRect(0, 0, 800, 800));
    QWidget window;
    window.resize(size);
    modFunctions::CentreForm(&window);
    QCOMPARE(window.frameGeometry().topLeft(), position);
}

void TestWindowInDailyUse::headingIsolatesAndFitsTheCaption_data() {
    QTest::addColumn<QString>("caption");
    QTest::addColumn<bool>("elided");
    QTest::newRow("short") << QStringLiteral("Notepad") << false;
    QTest::newRow("right-to-left") << QStringLiteral("محرر النصوص") << false;
    QTest::newRow("long") << QStringLiteral("Viewer ").repeated(30) + QStringLiteral("End") << true;
}

void TestWindowInDailyUse::headingIsolatesAndFitsTheCaption() {
    QFETCH(QString, caption);
    QFETCH(bool, elided);
    TempStore store;
    QVERIFY(store.ok());
    TempStore::AddApplication(caption.toStdString(), "/usr/bin/x %1", "01 May 2026");
    frmMain form;
    QVERIFY(form.Form_Load());
    TreeView* tree = form.controls().treApplications;
    tree->setSelectedNode(tree->nodes().at(0));
    form.treApplications_MouseUp();

    const QLabel* heading = form.controls().lblAppDetails;
    const QString whole = QStringLiteral("'\u2068") + caption + QStringLiteral("\u2069' Details");
    QCOMPARE(heading->text() == whole, !elided);
    QCOMPARE(heading->toolTip(), elided ? whole : QString());
    QVERIFY(heading->geometry().right() < form.controls().picAppDetails->width());
    if (elided) {
        QVERIFY(heading->text().startsWith(QStringLiteral("'\u2068Viewer Viewer")));
        QVERIFY(heading->text().endsWith(QStringLiteral("\u2026\u2069' Details")));
        // Wide enough again, the whole heading comes back.
        form.resize(form.width() + QFontMetrics(heading->font()).horizontalAdvance(whole),
                    form.height());
        QTRY_COMPARE(heading->text(), whole);
        QCOMPARE(heading->toolTip(), QString());
    }
}

void TestWindowInDailyUse::damagedStoreGetsAShortMessageWithDetails() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("registry.db"));
    qputenv("TAVISK_REGISTRY", QFile::encodeName(path));
    qputenv("XDG_DATA_HOME", QFile::encodeName(dir.filePath("xdg")));
    qputenv("XDG_DATA_DIRS", QFile::encodeName(dir.filePath("xdg")));
    QVERIFY(tavisk::registry::openStore(path.toStdString()).ok());
    tavisk::registry::runInTransaction([] {
        for (int i = 0; i < 300; ++i) {
            TempStore::Write(modRegistry::HKCU, "Filler\\key" + std::to_string(i), "v",
                             std::string(100, 'x'));
        }
        return true;
    });
    tavisk::registry::closeStore();
    // The index of the keys loses its entries: every row is then missing from it.
    sqlite3* db = nullptr;
    QCOMPARE(sqlite3_open(QFile::encodeName(path).constData(), &db), SQLITE_OK);
    sqlite3_exec(db,
                 "PRAGMA writable_schema=ON; UPDATE sqlite_schema SET rootpage = "
                 "(SELECT rootpage FROM sqlite_schema WHERE name='vals') WHERE "
                 "name='sqlite_autoindex_keys_1';",
                 nullptr, nullptr, nullptr);
    sqlite3_close(db);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray before = file.readAll();
    file.close();

    MessageBox::setNextAnswer(MessageBox::Answer::Ok);
    QVERIFY(!modStartup::OpenRegistryStore());
    QCOMPARE(MessageBox::history().size(), 1);
    const MessageBox::Shown& shown = MessageBox::history().first();
    QVERIFY2(shown.text.contains(path), qPrintable(shown.text));
    QVERIFY2(shown.text.contains(QStringLiteral("is damaged: its integrity check found")),
             qPrintable(shown.text));
    QVERIFY(shown.text.contains(QStringLiteral("has not changed the file. Move it aside")));
    QVERIFY2(shown.text.count(u'\n') <= 6, qPrintable(shown.text));
    QVERIFY2(shown.details.count(u'\n') >= 2, qPrintable(shown.details));
    QVERIFY(!shown.text.contains(shown.details.section(u'\n', 0, 0)));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), before);
}

void TestWindowInDailyUse::newApplicationInstructionNamesTheFileManager() {
    frmNewApplication form;
    QCOMPARE(form.Label3->text(),
             QStringLiteral("Specify the caption which will appear in the Right Click menu "
                            "within your file manager and the path to the executable to "
                            "launch."));
}

QTEST_MAIN(TestWindowInDailyUse)
#include "TestWindowInDailyUse.moc"

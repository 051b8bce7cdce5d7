// Each operation is one change of the store: the file managers' menus are
// brought in step once, after the operation, however many types it wrote, and
// a process killed half-way through leaves none of its writes.
#include "OperationSupport.h"
#include "OperationsTestSupport.h"
#include "modOperations.h"

#include "DesktopBridge.h"
#include "ListItemsModel.h"
#include "ListView.h"
#include "frmFileTypes.h"

#include <QPushButton>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

using namespace OperationsTestSupport;

class TestOperationsAsOneChange : public QObject {
    Q_OBJECT

private slots:
    void manyTypesAreBridgedByOneReconcile();
    void killedHalfWayLeavesNothing();
};

void TestOperationsAsOneChange::manyTypesAreBridgedByOneReconcile() {
    constexpr int TypeCount = 300;
    QTemporaryDir home;
    for (const char* name : {"HOME", "XDG_CONFIG_HOME", "TAVISK_PROC"}) {
        qputenv(name, QFile::encodeName(home.filePath(QString::fromLatin1(name))));
    }
    TestRegistry registry;
    QVERIFY(registry.ok());
    tavisk::registry::runInTransaction([] {
        for (int i = 0; i < TypeCount; ++i) {
            TestRegistry::AddFileType("application/x-many-" + std::to_string(i));
        }
        TestRegistry::AddApplication("Viewer", "/bin/true %1");
        return true;
    });
    TestMainWindow main;
    QVERIFY(main.Start());
    ModalDriver driver;
    int scheduled = 0;
    tavisk::desktop::installBridge([](const std::string& problem) { QFAIL(problem.c_str()); },
                                   [&scheduled] {
                                       ++scheduled;
                                       QTimer::singleShot(0,
                                                          [] { tavisk::desktop::flushBridge(); });
                                   });
    QVERIFY(main.Select(u"Viewer"_s));
    driver.When<frmFileTypes>([](frmFileTypes& dialog) {
        ListItemsModel& rows = dialog.lvwFileTypes->ListItems();
        for (int row = 0; row < rows.count(); ++row) {
            rows.setChecked(row, true);
        }
        dialog.cmdOk->click();
    });
    modOperations::AssociateFileTypes(main);

    // Nothing is bridged while the operation runs; once it has returned, one
    // reconcile writes the one entry with every type.
    QCOMPARE(tavisk::desktop::bridgeReconciles(), std::size_t{0});
    QTRY_COMPARE(tavisk::desktop::bridgeReconciles(), std::size_t{1});
    QCOMPARE(scheduled, 1);
    const QDir applications(qEnvironmentVariable("XDG_DATA_HOME") + u"/applications"_s);
    const QStringList entries = applications.entryList({u"tavisk-*.desktop"_s}, QDir::Files);
    QCOMPARE(entries.size(), 1);
    QFile entry(applications.filePath(entries.first()));
    QVERIFY(entry.open(QIODevice::ReadOnly));
    const QByteArray text = entry.readAll();
    const qsizetype mimeTypes = text.indexOf("\nMimeType=");
    QVERIFY(mimeTypes >= 0);
    QCOMPARE(text.mid(mimeTypes + 1).split('\n').first().count(';'), TypeCount);
    QCOMPARE(modOperations::GetCurrentTypes(main, *main.Node(u"Viewer"_s)).size(), TypeCount);
    tavisk::desktop::uninstallBridge();
}

void TestOperationsAsOneChange::killedHalfWayLeavesNothing() {
    // A child writes 300 associations as the operation does and is killed
    // after half of them; the parent then finds none of them.
    constexpr int TypeCount = 300;
    const auto typeName = [](int i) { return "application/x-killed-" + std::to_string(i); };
    TestRegistry registry;
    QVERIFY(registry.ok());
    TestRegistry::AddApplication("Viewer", "/bin/true %1");
    const std::string path = qgetenv("TAVISK_REGISTRY").toStdString();
    const pid_t child = ::fork();
    if (child == 0) {
        // A connection is never carried across fork: the child opens its own.
        if (!tavisk::registry::openStore(path).ok()) {
            ::_exit(2);
        }
        modOperations::support::WriteAsOneChange([&] {
            for (int i = 0; i < TypeCount; ++i) {
                modOperations::support::WriteAssociation(
                    u"Viewer"_s, QString::fromStdString(typeName(i)), u"/bin/true %1"_s);
                if (i == TypeCount / 2) {
                    ::raise(SIGKILL);
                }
            }
        });
        ::_exit(0);
    }
    int status = 0;
    QCOMPARE(::waitpid(child, &status, 0), child);
    QVERIFY(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
    QVERIFY(tavisk::registry::openStore(path).ok());
    QCOMPARE(Subkeys(HKLM, modStoreLayout::ApplicationKey("Viewer")), QStringList{});
    for (int i = 0; i <= TypeCount / 2; i += 25) {
        QVERIFY(!Exists(HKCR, modStoreLayout::VerbKey(typeName(i), "Viewer")));
    }
}

QTEST_MAIN(TestOperationsAsOneChange)
#include "tst_OperationsAsOneChange.moc"

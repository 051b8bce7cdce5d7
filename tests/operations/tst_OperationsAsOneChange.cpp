// Each operation is one change of the store: the file managers' menus are
// brought in step once, after the operation, however many types it wrote; and a
// process killed half-way through an operation's writes leaves nothing of them.
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

namespace {

constexpr int TypeCount = 300;

std::string TypeName(int i) {
    return "application/x-many-" + std::to_string(i);
}

/// The files of the one desktop entry the bridge wrote.
QStringList DesktopEntries(const QString& folder) {
    return QDir(folder).entryList({QStringLiteral("tavisk-*.desktop")}, QDir::Files);
}

} // namespace

class TestOperationsAsOneChange : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void manyTypesAreBridgedByOneReconcile();
    void killedHalfWayLeavesNothing();

private:
    std::unique_ptr<TestRegistry> m_registry;
    std::unique_ptr<TestMainWindow> m_main;
    std::unique_ptr<ModalDriver> m_driver;
    QTemporaryDir m_home;
};

void TestOperationsAsOneChange::init() {
    for (const char* name : {"HOME", "XDG_CONFIG_HOME", "TAVISK_PROC"}) {
        qputenv(name, QFile::encodeName(m_home.filePath(QString::fromLatin1(name))));
    }
    m_registry = std::make_unique<TestRegistry>();
    QVERIFY(m_registry->ok());
    tavisk::registry::runInTransaction([] {
        for (int i = 0; i < TypeCount; ++i) {
            TestRegistry::AddFileType(TypeName(i));
        }
        TestRegistry::AddApplication("Viewer", "/bin/true %1");
        return true;
    });
    m_main = std::make_unique<TestMainWindow>();
    QVERIFY(m_main->Start());
    m_driver = std::make_unique<ModalDriver>();
}

void TestOperationsAsOneChange::cleanup() {
    tavisk::desktop::uninstallBridge();
    m_driver.reset();
    m_main.reset();
    m_registry.reset();
}

void TestOperationsAsOneChange::manyTypesAreBridgedByOneReconcile() {
    int scheduled = 0;
    tavisk::desktop::installBridge([](const std::string& problem) { QFAIL(problem.c_str()); },
                                   [&scheduled] {
                                       ++scheduled;
                                       QTimer::singleShot(0,
                                                          [] { tavisk::desktop::flushBridge(); });
                                   });
    QVERIFY(m_main->Select(QStringLiteral("Viewer")));
    m_driver->When<frmFileTypes>([](frmFileTypes& dialog) {
        ListItemsModel& rows = dialog.lvwFileTypes->ListItems();
        for (int row = 0; row < rows.count(); ++row) {
            rows.setChecked(row, true);
        }
        dialog.cmdOk->click();
    });
    modOperations::AssociateFileTypes(*m_main);

    // Nothing is bridged while the operation runs; once it has returned, one
    // reconcile writes the one entry with every type.
    QCOMPARE(tavisk::desktop::bridgeReconciles(), std::size_t{0});
    QTRY_COMPARE(tavisk::desktop::bridgeReconciles(), std::size_t{1});
    QCOMPARE(scheduled, 1);
    const QString applications = QString::fromLocal8Bit(qgetenv("XDG_DATA_HOME")) + "/applications";
    const QStringList entries = DesktopEntries(applications);
    QCOMPARE(entries.size(), 1);
    QFile entry(applications + "/" + entries.first());
    QVERIFY(entry.open(QIODevice::ReadOnly));
    QByteArray mimeTypes;
    for (const QByteArray& line : entry.readAll().split('\n')) {
        if (line.startsWith("MimeType=")) {
            mimeTypes = line;
        }
    }
    QCOMPARE(mimeTypes.count(';'), TypeCount);
    QCOMPARE(
        modOperations::GetCurrentTypes(*m_main, *m_main->Node(QStringLiteral("Viewer"))).size(),
        TypeCount);
}

void TestOperationsAsOneChange::killedHalfWayLeavesNothing() {
    // The child writes the associations as the operation does and is killed
    // after half of them; the parent then finds none of them, nor a verb.
    const pid_t child = ::fork();
    const std::string path = qgetenv("TAVISK_REGISTRY").toStdString();
    if (child == 0) {
        // A connection is never carried across fork: the child opens its own.
        if (!tavisk::registry::openStore(path).ok()) {
            ::_exit(2);
        }
        int written = 0;
        modOperations::support::WriteAsOneChange([&written] {
            for (int i = 0; i < TypeCount; ++i) {
                modOperations::support::WriteAssociation(QStringLiteral("Viewer"),
                                                         QString::fromStdString(TypeName(i)),
                                                         QStringLiteral("/bin/true %1"));
                if (++written == TypeCount / 2) {
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
    for (int i = 0; i < TypeCount; i += 37) {
        QVERIFY(!Exists(HKCR, modStoreLayout::VerbKey(TypeName(i), "Viewer")));
    }
    QCOMPARE(Read(HKLM, modStoreLayout::ApplicationKey("Viewer"), "PATH"),
             QStringLiteral("/bin/true %1"));
}

QTEST_MAIN(TestOperationsAsOneChange)
#include "tst_OperationsAsOneChange.moc"

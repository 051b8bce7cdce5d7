// What happens before the first window: a store that cannot be used, or only
// read, is refused with a message naming the file and is left as it was; a
// store made just now is filled with the machine's file types.
#include "modStartup.h"

#include "MessageBox.h"
#include "RegistryStore.h"
#include "modRegistry.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <grp.h>
#include <sqlite3.h>

using namespace Qt::StringLiterals;
using modRegistry::HKCR;
class TestModStartup final : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void damagedFileIsRefusedAndKept();
    void storeThatCannotBeCreated();
    void damagedIndexGetsAShortMessageWithDetails();
    void readOnlyStoreIsRefusedAndKept();
    void machinesFileTypesFillANewStoreOnce_data();
    void machinesFileTypesFillANewStoreOnce();

private:
    void useStore(const QString& path);
    void writeMimeDatabase() const;
    static QByteArray contents(const QString& path);
    static bool refusedNaming(const QString& path, const QString& problem);

    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestModStartup::init() {
    MessageBox::clearHistory();
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    qputenv("XDG_DATA_HOME", m_dir->filePath("xdg-home").toUtf8());
    qputenv("XDG_DATA_DIRS", m_dir->filePath("xdg-dirs").toUtf8());
}

void TestModStartup::cleanup() {
    tavisk::registry::closeStore();
    MessageBox::clearHistory();
    m_dir.reset();
}

void TestModStartup::useStore(const QString& path) {
    qputenv("TAVISK_REGISTRY", path.toUtf8());
}

/// A shared MIME database of one type with one extension.
void TestModStartup::writeMimeDatabase() const {
    const QString mime = m_dir->filePath("xdg-home/mime");
    QVERIFY(QDir().mkpath(mime));
    QFile types(mime + "/types");
    QVERIFY(types.open(QIODevice::WriteOnly));
    types.write("text/x-tavisk-test\n");
    types.close();
    QFile globs(mime + "/globs2");
    QVERIFY(globs.open(QIODevice::WriteOnly));
    globs.write("50:text/x-tavisk-test:*.tvt\n");
}

QByteArray TestModStartup::contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

/// One critical message, OK only, naming the file and the problem.
bool TestModStartup::refusedNaming(const QString& path, const QString& problem) {
    if (MessageBox::history().size() != 1) {
        return false;
    }
    const MessageBox::Shown& shown = MessageBox::history().first();
    return shown.icon == MessageBox::Icon::Critical && shown.buttons == MessageBox::Buttons::Ok &&
           shown.text.contains(path) && shown.text.contains(problem) &&
           shown.text.contains("move it aside");
}

void TestModStartup::damagedFileIsRefusedAndKept() {
    const QString path = m_dir->filePath("registry.db");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QByteArray("These are my notes, not a registry.\n").repeated(200));
    file.close();
    const QByteArray before = contents(path);

    useStore(path);
    MessageBox::setNextAnswer(MessageBox::Answer::Ok);
    QVERIFY(!modStartup::OpenRegistryStore());
    QVERIFY2(refusedNaming(path, "not a registry store"),
             qPrintable(MessageBox::history().value(0).text));
    QCOMPARE(contents(path), before);
    QVERIFY(!QFile::exists(path + "-wal"));
    QVERIFY(!QFile::exists(path + "-journal"));
}

void TestModStartup::storeThatCannotBeCreated() {
    const QString blocker = m_dir->filePath("a-file");
    QFile file(blocker);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    const QString path = blocker + "/registry.db";

    useStore(path);
    MessageBox::setNextAnswer(MessageBox::Answer::Ok);
    QVERIFY(!modStartup::OpenRegistryStore());
    QVERIFY2(refusedNaming(path, ""), qPrintable(MessageBox::history().value(0).text));
    QCOMPARE(QFileInfo(blocker).size(), 0);
}

void TestModStartup::readOnlyStoreIsRefusedAndKept() {
    const QString path = m_dir->filePath("registry.db");
    QCOMPARE(tavisk::registry::openStore(path.toStdString()).status,
             tavisk::registry::OpenStatus::Created);
    modRegistry::WriteRegValue(modRegistry::HKLM, "SOFTWARE\\Mine", "kept", 1, "yes");
    tavisk::registry::closeStore();
    const QByteArray before = contents(path);
    useStore(path);
    MessageBox::setNextAnswer(MessageBox::Answer::Ok);

    const QByteArray folder = m_dir->path().toLocal8Bit();
    const QByteArray file = path.toLocal8Bit();
    if (geteuid() != 0) {
        QCOMPARE(::chmod(file.constData(), 0444), 0);
        QCOMPARE(::chmod(folder.constData(), 0555), 0);
        const bool opened = modStartup::OpenRegistryStore();
        ::chmod(folder.constData(), 0755);
        ::chmod(file.constData(), 0644);
        QVERIFY(!opened);
        QVERIFY2(refusedNaming(path, "can only read"),
                 qPrintable(MessageBox::history().value(0).text));
    } else {
        // Root may write anything: the check runs in a child as "nobody",
        // who may read the store but not write it.
        QCOMPARE(::chmod(folder.constData(), 0755), 0);
        QCOMPARE(::chmod(file.constData(), 0644), 0);
        const pid_t child = fork();
        QVERIFY(child >= 0);
        if (child == 0) {
            const bool dropped =
                setgroups(0, nullptr) == 0 && setgid(65534) == 0 && setuid(65534) == 0;
            const bool refused =
                dropped && !modStartup::OpenRegistryStore() && refusedNaming(path, "can only read");
            _exit(!dropped ? 3 : refused ? 0 : 1);
        }
        int status = 0;
        QCOMPARE(waitpid(child, &status, 0), child);
        QVERIFY(WIFEXITED(status));
        QCOMPARE(WEXITSTATUS(status), 0);
        MessageBox::clearHistory();
    }
    QCOMPARE(contents(path), before);
}

void TestModStartup::machinesFileTypesFillANewStoreOnce_data() {
    QTest::addColumn<int>("before"); // 0 no store, 1 made but not filled, 2 filled
    QTest::addColumn<bool>("filled");
    QTest::newRow("new store") << 0 << true;
    QTest::newRow("fill cut short") << 1 << true;
    QTest::newRow("store in use") << 2 << false;
}

void TestModStartup::machinesFileTypesFillANewStoreOnce() {
    QFETCH(int, before);
    QFETCH(bool, filled);
    const QString path = m_dir->filePath("new/registry.db");
    if (before > 0) {
        QVERIFY(QDir().mkpath(m_dir->filePath("new")));
        QCOMPARE(tavisk::registry::openStore(path.toStdString()).status,
                 tavisk::registry::OpenStatus::Created);
        if (before == 2) {
            modRegistry::WriteRegValue(HKCR, "text/plain\\DefaultIcon", "", 1, "text-plain");
        }
        tavisk::registry::closeStore();
    }
    writeMimeDatabase();
    useStore(path);
    QVERIFY(modStartup::OpenRegistryStore());
    QVERIFY(MessageBox::history().isEmpty());
    QCOMPARE(modRegistry::RegKeyExists(HKCR, "text/x-tavisk-test"), filled);
    QCOMPARE(modRegistry::ReadRegValue(HKCR, ".tvt", ""),
             std::string(filled ? "text/x-tavisk-test" : "Not Found"));
}

void TestModStartup::damagedIndexGetsAShortMessageWithDetails() {
    const QString path = m_dir->filePath(u"registry.db"_s);
    useStore(path);
    QVERIFY(tavisk::registry::openStore(path.toStdString()).ok());
    tavisk::registry::runInTransaction([] {
        for (int i = 0; i < 300; ++i) {
            modRegistry::WriteRegValue(modRegistry::HKCU, "Filler\\key" + std::to_string(i), "v", 1,
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
    const QByteArray before = contents(path);

    MessageBox::setNextAnswer(MessageBox::Answer::Ok);
    QVERIFY(!modStartup::OpenRegistryStore());
    QCOMPARE(MessageBox::history().size(), 1);
    const MessageBox::Shown& shown = MessageBox::history().first();
    QVERIFY2(shown.text.contains(path), qPrintable(shown.text));
    QVERIFY2(shown.text.contains(u"is damaged: its integrity check found"_s),
             qPrintable(shown.text));
    QVERIFY(shown.text.contains(u"has not changed the file. Move it aside"_s));
    QVERIFY2(shown.text.count(u'\n') <= 6, qPrintable(shown.text));
    QVERIFY2(shown.details.count(u'\n') >= 2, qPrintable(shown.details));
    QVERIFY(!shown.text.contains(shown.details.section(u'\n', 0, 0)));
    QCOMPARE(contents(path), before);
}

QTEST_MAIN(TestModStartup)
#include "TestModStartup.moc"

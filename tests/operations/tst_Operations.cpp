// The operations as the user drives them: a node selected in a real tree, the
// operation, its dialog answered while it is shown; then what the store, the
// verbs and the tree hold. Today is 5 March 2026 throughout.
#include "OperationsTestSupport.h"

#include "ListItemsModel.h"
#include "ListView.h"
#include "TextBox.h"
#include "frmChangeExe.h"
#include "frmFileTypes.h"
#include "frmNewApplication.h"
#include "frmRenameApp.h"
#include "modOperations.h"

#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>

using namespace Qt::StringLiterals;
using namespace OperationsTestSupport;

/// Checks the invariants of the store, and that the tree shows what a fresh
/// load of the store shows.
#define VERIFY_STORE(foreign)                                                                      \
    do {                                                                                           \
        const QStringList violations = StoreViolations(foreign);                                   \
        QVERIFY2(violations.isEmpty(), qPrintable(violations.join(u"; "_s)));                      \
        const QStringList shown = TreeContents(m_main->treApplications());                         \
        m_main->Load();                                                                            \
        QCOMPARE(shown, TreeContents(m_main->treApplications()));                                  \
    } while (false)

namespace {

const QString Today = u"05 March 2026"_s;
const QString ViewerCommand = u"/usr/bin/viewer %1"_s;
const QString Refusal =
    u"The file type '\u2068txtfile\u2069' cannot be removed from this application."_s;

/// Replaces a box's text with the given one and presses Enter.
void TypeInto(QLineEdit* box, const QString& text) {
    box->selectAll();
    QTest::keyClicks(box, text);
    QTest::keyClick(box, Qt::Key_Return);
}

std::function<void(frmNewApplication&)> NewApp(const QString& caption, const QString& path) {
    return [=](frmNewApplication& dialog) {
        dialog.txtName->selectAll();
        QTest::keyClicks(dialog.txtName, caption);
        TypeInto(dialog.txtPath, path);
    };
}

std::function<void(frmRenameApp&)> Rename(const QString& caption) {
    return [=](frmRenameApp& dialog) { TypeInto(dialog.txtCaption, caption); };
}

std::function<void(frmChangeExe&)> ChangeExe(const QString& path) {
    return [=](frmChangeExe& dialog) { TypeInto(dialog.txtPath, path); };
}

/// Ticks the rows of these keys with the Space key, then presses Enter.
std::function<void(frmFileTypes&)> Tick(const QStringList& keys) {
    return [=](frmFileTypes& dialog) {
        ListItemsModel& rows = dialog.lvwFileTypes->ListItems();
        for (const QString& key : keys) {
            dialog.lvwFileTypes->setCurrentIndex(rows.index(rows.indexOfKey(key)));
            QTest::keyClick(dialog.lvwFileTypes, Qt::Key_Space);
        }
        QTest::keyClick(dialog.lvwFileTypes, Qt::Key_Return);
    };
}

QStringList RowKeys(frmFileTypes& dialog) {
    QStringList keys;
    for (int row = 0; row < dialog.lvwFileTypes->ListItems().count(); ++row) {
        keys.append(dialog.lvwFileTypes->ListItems().item(row).key);
    }
    return keys;
}

} // namespace

class TestOperations final : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void newApplications();
    void captionInUseAskedAgain_data();
    void captionInUseAskedAgain();
    void newApplicationFailedWriteAddsNoNode();
    void associateTickedTypes();
    void deleteRefusesAForeignVerb_data();
    void deleteRefusesAForeignVerb();
    void deleteAssociationOnYes();
    void deleteApplication();
    void renameWithCommandAndFileTypes();
    void renameToOwnCaption_data();
    void renameToOwnCaption();
    void changeExecutable();
    void changeExecutableLeavesOtherVerbs();
    void failureReported_data();
    void failureReported();

private:
    std::unique_ptr<TestRegistry> m_registry;
    std::unique_ptr<TestMainWindow> m_main;
    std::unique_ptr<ModalDriver> m_driver;
    QStringList m_foreign; ///< caption\type pairs whose verbs are another program's
};

void TestOperations::init() {
    MessageBox::clearHistory();
    m_registry = std::make_unique<TestRegistry>();
    QVERIFY(m_registry->ok());
    SetFixedClock();
    TestRegistry::AddFileType("My Type");
    TestRegistry::AddApplication("Viewer", ViewerCommand.toStdString(),
                                 {"txtfile", "pngfile", "docfile"});
    TestRegistry::AddApplication("Editor", "/bin/edit %1", {"rtffile"});
    m_main = std::make_unique<TestMainWindow>();
    QVERIFY(m_main->Start());
    m_driver = std::make_unique<ModalDriver>();
}

void TestOperations::cleanup() {
    QCOMPARE(m_driver->unexpected, 0);
    QCOMPARE(m_driver->pending(), 0);
    QCOMPARE(MessageBox::pendingAnswers(), 0);
    QCOMPARE(m_main->StatusBar1().panelText(1), QString());
    QCOMPARE(QApplication::overrideCursor(), nullptr);
    // Every dialog was discarded by its caller.
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        QVERIFY(qobject_cast<QDialog*>(widget) == nullptr);
    }
    if (!m_main->failRefresh) { // a failed reload leaves the tree behind the store
        VERIFY_STORE(m_foreign);
    }
    m_foreign.clear();
    m_driver.reset();
    m_main.reset();
    m_registry.reset();
}

void TestOperations::newApplications() {
    m_driver->When<frmNewApplication>(NewApp(u"Zed"_s, u"/opt/z ed"_s));
    modOperations::AddNewApplication(*m_main);
    m_driver->When<frmNewApplication>(NewApp(u"  Ark "_s, u"/bin/ar"_s));
    modOperations::AddNewApplication(*m_main);

    // Viewer, its three types and Editor and its type were nodes 1 to 6.
    const TreeNode* zed = m_main->Node(u"Zed"_s);
    QVERIFY(zed != nullptr);
    QCOMPARE(zed->key(), u"X7"_s);
    QCOMPARE(zed->imageKey(), u"Application"_s);
    QCOMPARE(zed->tag(), u"/opt/z ed %1"_s);
    QCOMPARE(m_main->Node(u"  Ark "_s)->key(), u"X8"_s);
    QCOMPARE(m_main->Captions(), (QStringList{u"  Ark "_s, u"Editor"_s, u"Viewer"_s, u"Zed"_s}));
    QCOMPARE(m_main->treApplications().selectedNode(), nullptr);
    QCOMPARE(m_main->refreshes + m_main->mouseUps, 0);
    QCOMPARE(Read(HKLM, ApplicationKey("Zed"), "PATH"), u"/opt/z ed %1"_s);
    QCOMPARE(Read(HKLM, ApplicationKey("Zed"), "CREATED"), Today);
    QCOMPARE(Read(HKLM, ApplicationKey("  Ark "), "PATH"), u"/bin/ar %1"_s);
    QVERIFY(MessageBox::history().isEmpty());
}

void TestOperations::captionInUseAskedAgain_data() {
    QTest::addColumn<bool>("rename");
    QTest::newRow("new application") << false;
    QTest::newRow("rename") << true;
}

void TestOperations::captionInUseAskedAgain() {
    // Names compare without regard to case: "editor" is Editor's key. The
    // dialog comes back with what was typed, and nothing was written.
    QFETCH(bool, rename);
    QStringList seenAgain;
    const WriteLog writes;
    MessageBox::setNextAnswer(MessageBox::Answer::Ok);
    if (rename) {
        QVERIFY(m_main->Select(u"Viewer"_s));
        m_driver->When<frmRenameApp>(Rename(u"editor"_s));
        m_driver->When<frmRenameApp>([&](frmRenameApp& dialog) {
            seenAgain << dialog.txtCaption->text() << writes.Keys();
            Rename(u"Show"_s)(dialog);
        });
        modOperations::RenameApplication(*m_main);
    } else {
        m_driver->When<frmNewApplication>(NewApp(u"editor"_s, u"/bin/o"_s));
        m_driver->When<frmNewApplication>([&](frmNewApplication& dialog) {
            seenAgain << dialog.txtName->text() << dialog.txtPath->text() << writes.Keys();
            NewApp(u"Show"_s, u"/bin/o"_s)(dialog);
        });
        modOperations::AddNewApplication(*m_main);
    }
    QCOMPARE(Texts(),
             QStringList{
                 u"An application with the menu caption '\u2068editor\u2069' already exists."_s});
    QCOMPARE(MessageBox::history().first().icon, MessageBox::Icon::Exclamation);
    QCOMPARE(seenAgain,
             (rename ? QStringList{u"editor"_s} : QStringList{u"editor"_s, u"/bin/o"_s}));
    QCOMPARE(Read(HKLM, ApplicationKey("Editor"), "PATH"), u"/bin/edit %1"_s);
    QCOMPARE(Read(HKLM, ApplicationKey("Editor"), "CREATED"), u"01 May 2026"_s);
    QCOMPARE(m_main->Captions().contains(u"Viewer"_s), !rename);
    QVERIFY(m_main->Captions().contains(u"Show"_s));
}

void TestOperations::newApplicationFailedWriteAddsNoNode() {
    // The date cannot be had after "PATH" is written: as one change of the
    // store, nothing of the application is kept.
    SetClock([]() -> std::time_t { throw std::runtime_error("no clock"); });
    m_driver->When<frmNewApplication>(NewApp(u"Zed"_s, u"/bin/z"_s));
    modOperations::AddNewApplication(*m_main);
    QCOMPARE(m_main->Node(u"Zed"_s), nullptr);
    QVERIFY(MessageBox::history().isEmpty());
    QVERIFY(!Exists(HKLM, ApplicationKey("Zed")));
}

void TestOperations::associateTickedTypes() {
    // Another program's verb of the caption becomes the program's own.
    TestRegistry::AddFileType("xlsfile");
    TestRegistry::PlantForeignVerb("xlsfile", "Viewer");
    QVERIFY(m_main->Select(u"Viewer"_s, u"pngfile"_s)); // from a file type: its application
    QString title;
    QStringList listed;
    const WriteLog writes(&m_main->StatusBar1());
    m_driver->When<frmFileTypes>([&](frmFileTypes& dialog) {
        title = dialog.windowTitle();
        listed = RowKeys(dialog);
        Tick({u"xlsfile"_s, u"My Type"_s})(dialog);
    });
    modOperations::AssociateFileTypes(*m_main);

    QCOMPARE(title, u"Associate Files with 'Viewer'"_s);
    // Viewer's own types are left out; Editor's rtffile is listed.
    QCOMPARE(listed, (QStringList{u"My Type"_s, u"rtffile"_s, u"xlsfile"_s}));
    // Per type, in list order: the Command key, then the record.
    QCOMPARE(writes.Keys(u"Command$|Shortcuts.Viewer."_s),
             (QStringList{u"HKCR\\My Type\\Shell\\Viewer\\Command"_s,
                          QStringLiteral("HKLM\\SOFTWARE\\Quorvane\\Tavisk\\Shortcuts\\Viewer\\My "
                                         "Type"),
                          u"HKCR\\xlsfile\\Shell\\Viewer\\Command"_s,
                          QStringLiteral("HKLM\\SOFTWARE\\Quorvane\\Tavisk\\Shortcuts\\Viewer\\"
                                         "xlsfile")}));
    QCOMPARE(writes.statuses, QSet<QString>{u"Saving file associations..."_s});
    QVERIFY(writes.hourglass);
    for (const char* type : {"My Type", "xlsfile"}) {
        QCOMPARE(Read(HKCR, CommandKey(type, "Viewer"), ""), ViewerCommand);
        QCOMPARE(Read(HKCR, CommandKey(type, "Viewer"), "AUTHENTIC"), u"quorvane"_s);
        QCOMPARE(Read(HKCR, CommandKey(type, "Viewer"), "CREATED"), Today);
        QCOMPARE(Read(HKLM, AssociationKey("Viewer", type), "FileType"), QString(type));
    }
    // The nodes follow the existing children; nothing else of the view moves.
    QCOMPARE(m_main->Children(u"Viewer"_s),
             (QStringList{u"docfile"_s, u"pngfile"_s, u"txtfile"_s, u"My Type"_s, u"xlsfile"_s}));
    QCOMPARE(m_main->treApplications().selectedNode(), m_main->Node(u"Viewer"_s, u"pngfile"_s));
    QCOMPARE(m_main->refreshes + m_main->mouseUps, 0);
}

void TestOperations::deleteRefusesAForeignVerb_data() {
    QTest::addColumn<QString>("marker");
    QTest::addColumn<bool>("commandKey");
    QTest::newRow("no marker") << QString() << true;
    QTest::newRow("marker in upper case") << u"QUORVANE"_s << true;
    QTest::newRow("another program's marker") << u"someone"_s << true;
    QTest::newRow("verb without its Command key") << QString() << false;
}

void TestOperations::deleteRefusesAForeignVerb() {
    QFETCH(QString, marker);
    QFETCH(bool, commandKey);
    TestRegistry::PlantForeignVerb("txtfile", "Viewer", marker.toStdString());
    if (!commandKey) {
        modRegistry::DeleteRegKey(HKCR, CommandKey("txtfile", "Viewer"));
        Write(HKCR, VerbKey("txtfile", "Viewer"), "", "Other");
    }
    QVERIFY(m_main->Select(u"Viewer"_s, u"txtfile"_s));
    const WriteLog writes;
    MessageBox::setNextAnswer(MessageBox::Answer::Ok);
    modOperations::DeleteChoice(*m_main);
    QCOMPARE(Texts(), QStringList{Refusal});
    QCOMPARE(MessageBox::history().first().icon, MessageBox::Icon::Critical);
    QVERIFY(writes.Keys().isEmpty());
    QCOMPARE(m_main->refreshes, 1);
    m_foreign = {u"Viewer\\txtfile"_s};
}

void TestOperations::deleteAssociationOnYes() {
    // Another program removed one verb altogether: its record can go too.
    modRegistry::DeleteRegKey(HKCR, CommandKey("docfile", "Viewer"));
    modRegistry::DeleteRegKey(HKCR, VerbKey("docfile", "Viewer"));
    for (const QString& type : {u"pngfile"_s, u"docfile"_s}) {
        QVERIFY(m_main->Select(u"Viewer"_s, type));
        MessageBox::setNextAnswer(MessageBox::Answer::Yes);
        const WriteLog writes;
        modOperations::DeleteChoice(*m_main);
        QCOMPARE(Texts().last(),
                 QStringLiteral(
                     "Are you sure you wish to delete the association '\u2068%1\u2069' from the "
                     "application '\u2068Viewer\u2069' ?")
                     .arg(type));
        QCOMPARE(MessageBox::history().last().buttons, MessageBox::Buttons::YesNo);
        QCOMPARE(MessageBox::history().last().defaultAnswer, MessageBox::Answer::Yes);
        // Deepest first: the Command key, the verb key (where they are), the record.
        QStringList expected{u"HKLM\\SOFTWARE\\Quorvane\\Tavisk\\Shortcuts\\Viewer\\"_s + type};
        if (type == u"pngfile"_s) {
            expected.prepend(u"HKCR\\pngfile\\Shell\\Viewer"_s);
            expected.prepend(u"HKCR\\pngfile\\Shell\\Viewer\\Command"_s);
        }
        QCOMPARE(writes.Keys(u"Command$|Shell.Viewer$|Viewer."_s + type), expected);
    }
    QVERIFY(!Exists(HKCR, VerbKey("pngfile", "Viewer")));
    QVERIFY(Exists(HKCR, "pngfile\\Shell"));
    QCOMPARE(m_main->Children(u"Viewer"_s), QStringList{u"txtfile"_s});
    QCOMPARE(m_main->treApplications().selectedNode(), nullptr);
}

void TestOperations::deleteApplication() {
    // Each of Viewer's own verbs goes; the foreign one is refused, and its
    // record keeps Viewer listed with that one type.
    TestRegistry::PlantForeignVerb("txtfile", "Viewer");
    QVERIFY(m_main->Select(u"Viewer"_s));
    MessageBox::setNextAnswer(MessageBox::Answer::Yes);
    MessageBox::setNextAnswer(MessageBox::Answer::Ok);
    modOperations::DeleteChoice(*m_main);
    QCOMPARE(Texts(),
             (QStringList{QStringLiteral("Are you sure you wish to delete the application "
                                         "'\u2068Viewer\u2069' and all its file associations ?"),
                          Refusal}));
    QVERIFY(!Exists(HKCR, VerbKey("pngfile", "Viewer")));
    QCOMPARE(m_main->Children(u"Viewer"_s), QStringList{u"txtfile"_s});
    QCOMPARE(Read(HKCR, CommandKey("txtfile", "Viewer"), ""), u"/usr/bin/other %1"_s);
    VERIFY_STORE({u"Viewer\\txtfile"_s});

    QVERIFY(m_main->Select(u"Editor"_s));
    MessageBox::setNextAnswer(MessageBox::Answer::Yes);
    modOperations::DeleteChoice(*m_main);
    QVERIFY(!Exists(HKLM, ApplicationKey("Editor")));
    QCOMPARE(m_main->Captions(), QStringList{u"Viewer"_s});
    m_foreign = {u"Viewer\\txtfile"_s};
}

void TestOperations::renameWithCommandAndFileTypes() {
    // A command with a "%1" inside and blanks at its end, as an older version stored it.
    TestRegistry::AddApplication("Odd", "/opt/odd --file=%1 %1  ", {"txtfile", "pngfile"});
    m_main->Load();
    QVERIFY(m_main->Select(u"Odd"_s));
    QStringList shown;
    const WriteLog writes(&m_main->StatusBar1());
    m_driver->When<frmRenameApp>([&](frmRenameApp& dialog) {
        shown << dialog.txtCaption->text() << dialog.lblAppName->text();
        Rename(u"Even"_s)(dialog);
    });
    modOperations::RenameApplication(*m_main);

    QCOMPARE(shown, (QStringList{u"Odd"_s, u"/opt/odd --file=   "_s}));
    QVERIFY(!Exists(HKLM, ApplicationKey("Odd")));
    QVERIFY(!Exists(HKCR, VerbKey("txtfile", "Odd")));
    const QString stored = u"/opt/odd --file= %1"_s;
    QCOMPARE(Read(HKLM, ApplicationKey("Even"), "PATH"), stored);
    QCOMPARE(Read(HKLM, ApplicationKey("Even"), "CREATED"), Today);
    for (const char* type : {"txtfile", "pngfile"}) {
        QCOMPARE(Read(HKCR, CommandKey(type, "Even"), ""), stored);
        QCOMPARE(Read(HKCR, CommandKey(type, "Even"), "CREATED"), Today);
    }
    // The old caption is gone before anything of the new one is written.
    const QStringList keys = writes.Keys();
    QVERIFY(keys.lastIndexOf(QRegularExpression(".*\\\\Odd.*")) <
            keys.indexOf(QRegularExpression(".*\\\\Even.*")));
    QCOMPARE(writes.statuses, QSet<QString>{u"Renaming application..."_s});
    QVERIFY(writes.hourglass);
    QCOMPARE(m_main->refreshes, 1);
    QCOMPARE(m_main->Captions(), (QStringList{u"Editor"_s, u"Even"_s, u"Viewer"_s}));
    QVERIFY(MessageBox::history().isEmpty());
}

void TestOperations::renameToOwnCaption_data() {
    QTest::addColumn<QString>("caption");
    QTest::newRow("same caption") << u"Viewer"_s;
    QTest::newRow("other letter case") << u"VIEWER"_s;
}

void TestOperations::renameToOwnCaption() {
    QFETCH(QString, caption);
    QVERIFY(m_main->Select(u"Viewer"_s));
    m_driver->When<frmRenameApp>(Rename(caption));
    modOperations::RenameApplication(*m_main);
    QVERIFY(MessageBox::history().isEmpty());
    QCOMPARE(Read(HKLM, ApplicationKey(caption.toStdString()), "CREATED"), Today);
    QCOMPARE(Read(HKCR, CommandKey("txtfile", caption.toStdString()), "CREATED"), Today);
    QCOMPARE(m_main->Captions(), (QStringList{u"Editor"_s, caption}));
    QCOMPARE(Read(HKCR, CommandKey("rtffile", "Editor"), "CREATED"), u"01 May 2026"_s);
}

void TestOperations::changeExecutable() {
    QVERIFY(m_main->Select(u"Viewer"_s));
    TreeNode* viewer = m_main->Node(u"Viewer"_s);
    QStringList shown;
    const WriteLog writes(&m_main->StatusBar1());
    m_driver->When<frmChangeExe>([&](frmChangeExe& dialog) {
        shown << dialog.txtPath->text() << dialog.lblAppName->text();
        ChangeExe(u"/opt/My Tools/view"_s)(dialog);
    });
    modOperations::ChangeApplicationExe(*m_main);

    QCOMPARE(shown, (QStringList{u"/usr/bin/viewer"_s, u"Viewer"_s}));
    const QString command = u"/opt/My Tools/view %1"_s;
    QCOMPARE(Read(HKLM, ApplicationKey("Viewer"), "PATH"), command);
    for (const char* type : {"txtfile", "pngfile", "docfile"}) {
        QCOMPARE(Read(HKCR, CommandKey(type, "Viewer"), ""), command);
        QCOMPARE(Read(HKCR, CommandKey(type, "Viewer"), "CREATED"), u"01 May 2026"_s);
    }
    QCOMPARE(Read(HKLM, ApplicationKey("Viewer"), "CREATED"), u"01 May 2026"_s);
    QCOMPARE(writes.Keys().size(), 4);
    QCOMPARE(writes.Keys().first(), u"HKLM\\SOFTWARE\\Quorvane\\Tavisk\\Shortcuts\\Viewer"_s);
    QCOMPARE(writes.statuses, QSet<QString>{u"Changing application executable..."_s});
    QVERIFY(writes.hourglass);
    // The same node with its new Tag, then the update of the details.
    QCOMPARE(m_main->Node(u"Viewer"_s), viewer);
    QCOMPARE(viewer->tag(), command);
    QCOMPARE(m_main->mouseUps, 1);
    QCOMPARE(m_main->refreshes, 0);
}

void TestOperations::changeExecutableLeavesOtherVerbs() {
    // A foreign verb, a vanished one, and another application's: none is touched.
    TestRegistry::PlantForeignVerb("txtfile", "Viewer");
    modRegistry::DeleteRegKey(HKCR, CommandKey("pngfile", "Viewer"));
    modRegistry::DeleteRegKey(HKCR, VerbKey("pngfile", "Viewer"));
    QVERIFY(m_main->Select(u"Viewer"_s));
    m_driver->When<frmChangeExe>(ChangeExe(u"/bin/edit"_s));
    modOperations::ChangeApplicationExe(*m_main);
    QCOMPARE(Read(HKCR, CommandKey("txtfile", "Viewer"), ""), u"/usr/bin/other %1"_s);
    QCOMPARE(Read(HKCR, CommandKey("txtfile", "Viewer"), "AUTHENTIC"), u"Not Found"_s);
    QVERIFY(!Exists(HKCR, VerbKey("pngfile", "Viewer")));
    QCOMPARE(Read(HKCR, CommandKey("docfile", "Viewer"), ""), u"/bin/edit %1"_s);
    QVERIFY(!Exists(HKCR, VerbKey("rtffile", "Viewer")));
    QCOMPARE(Read(HKCR, CommandKey("rtffile", "Editor"), ""), u"/bin/edit %1"_s);
    m_foreign = {u"Viewer\\txtfile"_s, u"Viewer\\pngfile"_s};
}

void TestOperations::failureReported_data() {
    QTest::addColumn<bool>("rename");
    QTest::addColumn<QString>("message");
    const QString report = u"  Please report this to support@tavisk.example"_s;
    QTest::newRow("rename") << true
                            << "An error has occurred whilst renaming the application caption." +
                                   report;
    QTest::newRow("change executable")
        << false << "An error has occurred whilst renaming the application executable." + report;
}

void TestOperations::failureReported() {
    // Everything was written; the reload of the tree, or the update after it, fails.
    QFETCH(bool, rename);
    QFETCH(QString, message);
    QVERIFY(m_main->Select(u"Editor"_s));
    MessageBox::setNextAnswer(MessageBox::Answer::Ok);
    if (rename) {
        m_main->failRefresh = true;
        m_driver->When<frmRenameApp>(Rename(u"Writer"_s));
        modOperations::RenameApplication(*m_main);
        QCOMPARE(Read(HKCR, CommandKey("rtffile", "Writer"), ""), u"/bin/edit %1"_s);
    } else {
        m_main->failMouseUp = true;
        m_driver->When<frmChangeExe>(ChangeExe(u"/bin/view2"_s));
        modOperations::ChangeApplicationExe(*m_main);
        QCOMPARE(m_main->Node(u"Editor"_s)->tag(), u"/bin/view2 %1"_s);
    }
    QCOMPARE(Texts(), QStringList{message});
    QCOMPARE(MessageBox::history().first().icon, MessageBox::Icon::Exclamation);
}

QTEST_MAIN(TestOperations)
#include "tst_Operations.moc"

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

using namespace OperationsTestSupport;

namespace {

const QString Today = QStringLiteral("05 March 2026");
const QString ViewerCommand = QStringLiteral("/usr/bin/viewer %1");
const QString Refusal =
    QStringLiteral("The file type '\u2068txtfile\u2069' cannot be removed from this application.");

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
    void newApplicationCaptionInUseAskedAgain();
    void newApplicationFailedWriteAddsNoNode();
    void associateTickedTypes();
    void associateFromAFileTypeNode();
    void deleteRefusesAForeignVerb_data();
    void deleteRefusesAForeignVerb();
    void deleteAssociationOnYes();
    void deleteApplication();
    void renameWithCommandAndFileTypes();
    void renameToOwnCaption_data();
    void renameToOwnCaption();
    void renameRefusesAnotherCaption();
    void renameKeepsAForeignVerbListed();
    void renameFailureReported();
    void changeExecutable();
    void changeExecutableLeavesOtherVerbs();
    void changeExecutableFailureReported();

private:
    std::unique_ptr<TestRegistry> m_registry;
    std::unique_ptr<TestMainWindow> m_main;
    std::unique_ptr<ModalDriver> m_driver;
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
    m_driver.reset();
    m_main.reset();
    m_registry.reset();
}

void TestOperations::newApplications() {
    m_driver->When<frmNewApplication>(NewApp(QStringLiteral("Zed"), QStringLiteral("/opt/z ed")));
    modOperations::AddNewApplication(*m_main);
    m_driver->When<frmNewApplication>(NewApp(QStringLiteral("  Ark "), QStringLiteral("/bin/ar")));
    modOperations::AddNewApplication(*m_main);

    // Viewer, its three types and Editor and its type were nodes 1 to 6.
    const TreeNode* zed = m_main->Node(QStringLiteral("Zed"));
    QVERIFY(zed != nullptr);
    QCOMPARE(zed->key(), QStringLiteral("X7"));
    QCOMPARE(zed->imageKey(), QStringLiteral("Application"));
    QCOMPARE(zed->tag(), QStringLiteral("/opt/z ed %1"));
    QCOMPARE(m_main->Node(QStringLiteral("  Ark "))->key(), QStringLiteral("X8"));
    QCOMPARE(m_main->Captions(), (QStringList{QStringLiteral("  Ark "), QStringLiteral("Editor"),
                                              QStringLiteral("Viewer"), QStringLiteral("Zed")}));
    QCOMPARE(m_main->treApplications().selectedNode(), nullptr);
    QCOMPARE(m_main->refreshes + m_main->mouseUps, 0);
    QCOMPARE(Read(HKLM, ApplicationKey("Zed"), "PATH"), QStringLiteral("/opt/z ed %1"));
    QCOMPARE(Read(HKLM, ApplicationKey("Zed"), "CREATED"), Today);
    QCOMPARE(Read(HKLM, ApplicationKey("  Ark "), "PATH"), QStringLiteral("/bin/ar %1"));
    QVERIFY(MessageBox::history().isEmpty());
    VERIFY_STORE({}, &m_main->treApplications());
}

void TestOperations::newApplicationCaptionInUseAskedAgain() {
    QStringList seenAgain;
    const WriteLog writes;
    MessageBox::setNextAnswer(MessageBox::Answer::Ok);
    // Names compare without regard to case: "viewer" is Viewer's key.
    m_driver->When<frmNewApplication>(NewApp(QStringLiteral("viewer"), QStringLiteral("/bin/o")));
    m_driver->When<frmNewApplication>([&](frmNewApplication& dialog) {
        seenAgain << dialog.txtName->text() << dialog.txtPath->text() << writes.Keys();
        NewApp(QStringLiteral("Viewer 2"), QStringLiteral("/bin/o"))(dialog);
    });
    modOperations::AddNewApplication(*m_main);

    QCOMPARE(Texts(),
             QStringList{QStringLiteral(
                 "An application with the menu caption '\u2068viewer\u2069' already exists.")});
    QCOMPARE(MessageBox::history().first().icon, MessageBox::Icon::Exclamation);
    QCOMPARE(seenAgain, (QStringList{QStringLiteral("viewer"), QStringLiteral("/bin/o")}));
    QCOMPARE(Read(HKLM, ApplicationKey("Viewer"), "PATH"), ViewerCommand);
    QCOMPARE(Read(HKLM, ApplicationKey("Viewer"), "CREATED"), QStringLiteral("01 May 2026"));
    QCOMPARE(Read(HKLM, ApplicationKey("Viewer 2"), "PATH"), QStringLiteral("/bin/o %1"));
    VERIFY_STORE({}, &m_main->treApplications());
}

void TestOperations::newApplicationFailedWriteAddsNoNode() {
    // The date cannot be had after "PATH" is written: as one change of the
    // store, nothing of the application is kept.
    SetClock([]() -> std::time_t { throw std::runtime_error("no clock"); });
    m_driver->When<frmNewApplication>(NewApp(QStringLiteral("Zed"), QStringLiteral("/bin/z")));
    modOperations::AddNewApplication(*m_main);
    QCOMPARE(m_main->Node(QStringLiteral("Zed")), nullptr);
    QVERIFY(MessageBox::history().isEmpty());
    QVERIFY(!Exists(HKLM, ApplicationKey("Zed")));
}

void TestOperations::associateTickedTypes() {
    // Another program's verb of the caption becomes the program's own.
    TestRegistry::AddFileType("xlsfile");
    TestRegistry::PlantForeignVerb("xlsfile", "Viewer");
    QVERIFY(m_main->Select(QStringLiteral("Viewer")));
    QString title;
    QStringList listed;
    const WriteLog writes(&m_main->StatusBar1());
    m_driver->When<frmFileTypes>([&](frmFileTypes& dialog) {
        title = dialog.windowTitle();
        listed = RowKeys(dialog);
        Tick({QStringLiteral("xlsfile"), QStringLiteral("My Type")})(dialog);
    });
    modOperations::AssociateFileTypes(*m_main);

    QCOMPARE(title, QStringLiteral("Associate Files with 'Viewer'"));
    // Viewer's own types are left out; Editor's rtffile is listed.
    QCOMPARE(listed, (QStringList{QStringLiteral("My Type"), QStringLiteral("rtffile"),
                                  QStringLiteral("xlsfile")}));
    // Per type, in list order: the Command key, then the record.
    QCOMPARE(writes.Keys(QStringLiteral("Command$|Shortcuts.Viewer.")),
             (QStringList{QStringLiteral("HKCR\\My Type\\Shell\\Viewer\\Command"),
                          QStringLiteral("HKLM\\SOFTWARE\\Quorvane\\Tavisk\\Shortcuts\\Viewer\\My "
                                         "Type"),
                          QStringLiteral("HKCR\\xlsfile\\Shell\\Viewer\\Command"),
                          QStringLiteral("HKLM\\SOFTWARE\\Quorvane\\Tavisk\\Shortcuts\\Viewer\\"
                                         "xlsfile")}));
    QCOMPARE(writes.statuses, QSet<QString>{QStringLiteral("Saving file associations...")});
    QVERIFY(writes.hourglass);
    for (const char* type : {"My Type", "xlsfile"}) {
        QCOMPARE(Read(HKCR, CommandKey(type, "Viewer"), ""), ViewerCommand);
        QCOMPARE(Read(HKCR, CommandKey(type, "Viewer"), "AUTHENTIC"), QStringLiteral("quorvane"));
        QCOMPARE(Read(HKCR, CommandKey(type, "Viewer"), "CREATED"), Today);
        QCOMPARE(Read(HKLM, AssociationKey("Viewer", type), "FileType"), QString(type));
    }
    // The nodes follow the existing children; nothing else of the view moves.
    QCOMPARE(m_main->Children(QStringLiteral("Viewer")),
             (QStringList{QStringLiteral("docfile"), QStringLiteral("pngfile"),
                          QStringLiteral("txtfile"), QStringLiteral("My Type"),
                          QStringLiteral("xlsfile")}));
    QCOMPARE(m_main->treApplications().selectedNode(), m_main->Node(QStringLiteral("Viewer")));
    QCOMPARE(m_main->refreshes + m_main->mouseUps, 0);
    VERIFY_STORE({}, &m_main->treApplications());
}

void TestOperations::associateFromAFileTypeNode() {
    // An application without "PATH" carries the reader's "Not Found" as its command.
    Write(HKLM, ApplicationKey("Lost"), "CREATED", "03 May 2026");
    m_main->Load();
    QVERIFY(m_main->Select(QStringLiteral("Lost")));
    m_driver->When<frmFileTypes>(Tick({QStringLiteral("txtfile")}));
    modOperations::AssociateFileTypes(*m_main);
    QVERIFY(m_main->Select(QStringLiteral("Lost"), QStringLiteral("txtfile")));
    QString title;
    m_driver->When<frmFileTypes>([&](frmFileTypes& dialog) {
        title = dialog.windowTitle();
        QVERIFY(!RowKeys(dialog).contains(QStringLiteral("txtfile")));
        Tick({QStringLiteral("pngfile")})(dialog);
    });
    modOperations::AssociateFileTypes(*m_main);
    QCOMPARE(title, QStringLiteral("Associate Files with 'Lost'"));
    QCOMPARE(m_main->Children(QStringLiteral("Lost")),
             (QStringList{QStringLiteral("txtfile"), QStringLiteral("pngfile")}));
    QCOMPARE(Read(HKCR, CommandKey("pngfile", "Lost"), ""), QStringLiteral("Not Found"));
    VERIFY_STORE({}, &m_main->treApplications());
}

void TestOperations::deleteRefusesAForeignVerb_data() {
    QTest::addColumn<QString>("marker");
    QTest::addColumn<bool>("commandKey");
    QTest::newRow("no marker") << QString() << true;
    QTest::newRow("marker in upper case") << QStringLiteral("QUORVANE") << true;
    QTest::newRow("another program's marker") << QStringLiteral("someone") << true;
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
    QVERIFY(m_main->Select(QStringLiteral("Viewer"), QStringLiteral("txtfile")));
    const WriteLog writes;
    MessageBox::setNextAnswer(MessageBox::Answer::Ok);
    modOperations::DeleteChoice(*m_main);
    QCOMPARE(Texts(), QStringList{Refusal});
    QCOMPARE(MessageBox::history().first().icon, MessageBox::Icon::Critical);
    QVERIFY(writes.Keys().isEmpty());
    QCOMPARE(m_main->refreshes, 1);
    VERIFY_STORE({QStringLiteral("Viewer\\txtfile")}, &m_main->treApplications());
}

void TestOperations::deleteAssociationOnYes() {
    // Another program removed one verb altogether: its record can go too.
    modRegistry::DeleteRegKey(HKCR, CommandKey("docfile", "Viewer"));
    modRegistry::DeleteRegKey(HKCR, VerbKey("docfile", "Viewer"));
    for (const QString& type : {QStringLiteral("pngfile"), QStringLiteral("docfile")}) {
        QVERIFY(m_main->Select(QStringLiteral("Viewer"), type));
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
        QStringList expected{
            QStringLiteral("HKLM\\SOFTWARE\\Quorvane\\Tavisk\\Shortcuts\\Viewer\\") + type};
        if (type == QStringLiteral("pngfile")) {
            expected.prepend(QStringLiteral("HKCR\\pngfile\\Shell\\Viewer"));
            expected.prepend(QStringLiteral("HKCR\\pngfile\\Shell\\Viewer\\Command"));
        }
        QCOMPARE(writes.Keys(QStringLiteral("Command$|Shell.Viewer$|Viewer.") + type), expected);
    }
    QVERIFY(!Exists(HKCR, VerbKey("pngfile", "Viewer")));
    QVERIFY(Exists(HKCR, "pngfile\\Shell"));
    QCOMPARE(m_main->Children(QStringLiteral("Viewer")), QStringList{QStringLiteral("txtfile")});
    QCOMPARE(m_main->treApplications().selectedNode(), nullptr);
    VERIFY_STORE({}, &m_main->treApplications());
}

void TestOperations::deleteApplication() {
    // Each of Viewer's own verbs goes; the foreign one is refused, and its
    // record keeps Viewer listed with that one type.
    TestRegistry::PlantForeignVerb("txtfile", "Viewer");
    QVERIFY(m_main->Select(QStringLiteral("Viewer")));
    MessageBox::setNextAnswer(MessageBox::Answer::Yes);
    MessageBox::setNextAnswer(MessageBox::Answer::Ok);
    modOperations::DeleteChoice(*m_main);
    QCOMPARE(Texts(),
             (QStringList{QStringLiteral("Are you sure you wish to delete the application "
                                         "'\u2068Viewer\u2069' and all its file associations ?"),
                          Refusal}));
    QVERIFY(!Exists(HKCR, VerbKey("pngfile", "Viewer")));
    QCOMPARE(m_main->Children(QStringLiteral("Viewer")), QStringList{QStringLiteral("txtfile")});
    QCOMPARE(Read(HKCR, CommandKey("txtfile", "Viewer"), ""), QStringLiteral("/usr/bin/other %1"));
    VERIFY_STORE({QStringLiteral("Viewer\\txtfile")}, &m_main->treApplications());

    QVERIFY(m_main->Select(QStringLiteral("Editor")));
    MessageBox::setNextAnswer(MessageBox::Answer::Yes);
    modOperations::DeleteChoice(*m_main);
    QVERIFY(!Exists(HKLM, ApplicationKey("Editor")));
    QCOMPARE(m_main->Captions(), QStringList{QStringLiteral("Viewer")});
    VERIFY_STORE({QStringLiteral("Viewer\\txtfile")}, &m_main->treApplications());
}

void TestOperations::renameWithCommandAndFileTypes() {
    // A command with a "%1" inside and blanks at its end, as an older version stored it.
    TestRegistry::AddApplication("Odd", "/opt/odd --file=%1 %1  ", {"txtfile", "pngfile"});
    m_main->Load();
    QVERIFY(m_main->Select(QStringLiteral("Odd")));
    QStringList shown;
    const WriteLog writes(&m_main->StatusBar1());
    m_driver->When<frmRenameApp>([&](frmRenameApp& dialog) {
        shown << dialog.txtCaption->text() << dialog.lblAppName->text();
        Rename(QStringLiteral("Even"))(dialog);
    });
    modOperations::RenameApplication(*m_main);

    QCOMPARE(shown, (QStringList{QStringLiteral("Odd"), QStringLiteral("/opt/odd --file=   ")}));
    QVERIFY(!Exists(HKLM, ApplicationKey("Odd")));
    QVERIFY(!Exists(HKCR, VerbKey("txtfile", "Odd")));
    const QString stored = QStringLiteral("/opt/odd --file= %1");
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
    QCOMPARE(writes.statuses, QSet<QString>{QStringLiteral("Renaming application...")});
    QVERIFY(writes.hourglass);
    QCOMPARE(m_main->refreshes, 1);
    QCOMPARE(m_main->Captions(), (QStringList{QStringLiteral("Editor"), QStringLiteral("Even"),
                                              QStringLiteral("Viewer")}));
    QVERIFY(MessageBox::history().isEmpty());
    VERIFY_STORE({}, &m_main->treApplications());
}

void TestOperations::renameToOwnCaption_data() {
    QTest::addColumn<QString>("caption");
    QTest::newRow("same caption") << QStringLiteral("Viewer");
    QTest::newRow("other letter case") << QStringLiteral("VIEWER");
}

void TestOperations::renameToOwnCaption() {
    QFETCH(QString, caption);
    QVERIFY(m_main->Select(QStringLiteral("Viewer")));
    m_driver->When<frmRenameApp>(Rename(caption));
    modOperations::RenameApplication(*m_main);
    QVERIFY(MessageBox::history().isEmpty());
    QCOMPARE(Read(HKLM, ApplicationKey(caption.toStdString()), "CREATED"), Today);
    QCOMPARE(Read(HKCR, CommandKey("txtfile", caption.toStdString()), "CREATED"), Today);
    QCOMPARE(m_main->Captions(), (QStringList{QStringLiteral("Editor"), caption}));
    QCOMPARE(Read(HKCR, CommandKey("rtffile", "Editor"), "CREATED"), QStringLiteral("01 May 2026"));
    VERIFY_STORE({}, &m_main->treApplications());
}

void TestOperations::renameRefusesAnotherCaption() {
    QVERIFY(m_main->Select(QStringLiteral("Viewer")));
    const WriteLog writes;
    QStringList shownAgain;
    MessageBox::setNextAnswer(MessageBox::Answer::Ok);
    m_driver->When<frmRenameApp>(Rename(QStringLiteral("editor")));
    m_driver->When<frmRenameApp>([&](frmRenameApp& dialog) {
        shownAgain << dialog.txtCaption->text() << writes.Keys();
        Rename(QStringLiteral("Show"))(dialog);
    });
    modOperations::RenameApplication(*m_main);
    QCOMPARE(Texts(),
             QStringList{QStringLiteral(
                 "An application with the menu caption '\u2068editor\u2069' already exists.")});
    QCOMPARE(shownAgain, QStringList{QStringLiteral("editor")});
    QCOMPARE(m_main->Captions(), (QStringList{QStringLiteral("Editor"), QStringLiteral("Show")}));
    QCOMPARE(Read(HKLM, ApplicationKey("Editor"), "PATH"), QStringLiteral("/bin/edit %1"));
    VERIFY_STORE({}, &m_main->treApplications());
}

void TestOperations::renameKeepsAForeignVerbListed() {
    TestRegistry::PlantForeignVerb("txtfile", "Viewer");
    QVERIFY(m_main->Select(QStringLiteral("Viewer")));
    MessageBox::setNextAnswer(MessageBox::Answer::Ok);
    m_driver->When<frmRenameApp>(Rename(QStringLiteral("Show")));
    modOperations::RenameApplication(*m_main);
    QCOMPARE(Texts(), QStringList{Refusal});
    QCOMPARE(m_main->Captions(), (QStringList{QStringLiteral("Editor"), QStringLiteral("Show"),
                                              QStringLiteral("Viewer")}));
    QCOMPARE(m_main->Children(QStringLiteral("Show")).size(), 3);
    QCOMPARE(m_main->Children(QStringLiteral("Viewer")), QStringList{QStringLiteral("txtfile")});
    VERIFY_STORE({QStringLiteral("Viewer\\txtfile")}, &m_main->treApplications());
}

void TestOperations::renameFailureReported() {
    const QString message =
        QStringLiteral("An error has occurred whilst renaming the application "
                       "caption.  Please report this to support@tavisk.example");
    // The reload fails after everything was written.
    QVERIFY(m_main->Select(QStringLiteral("Editor")));
    m_main->failRefresh = true;
    MessageBox::setNextAnswer(MessageBox::Answer::Ok);
    m_driver->When<frmRenameApp>(Rename(QStringLiteral("Writer")));
    modOperations::RenameApplication(*m_main);
    QCOMPARE(Texts(), QStringList{message});
    QCOMPARE(MessageBox::history().first().icon, MessageBox::Icon::Exclamation);
    QCOMPARE(Read(HKCR, CommandKey("rtffile", "Writer"), ""), QStringLiteral("/bin/edit %1"));
}

void TestOperations::changeExecutable() {
    QVERIFY(m_main->Select(QStringLiteral("Viewer")));
    TreeNode* viewer = m_main->Node(QStringLiteral("Viewer"));
    QStringList shown;
    const WriteLog writes(&m_main->StatusBar1());
    m_driver->When<frmChangeExe>([&](frmChangeExe& dialog) {
        shown << dialog.txtPath->text() << dialog.lblAppName->text();
        ChangeExe(QStringLiteral("/opt/My Tools/view"))(dialog);
    });
    modOperations::ChangeApplicationExe(*m_main);

    QCOMPARE(shown, (QStringList{QStringLiteral("/usr/bin/viewer"), QStringLiteral("Viewer")}));
    const QString command = QStringLiteral("/opt/My Tools/view %1");
    QCOMPARE(Read(HKLM, ApplicationKey("Viewer"), "PATH"), command);
    for (const char* type : {"txtfile", "pngfile", "docfile"}) {
        QCOMPARE(Read(HKCR, CommandKey(type, "Viewer"), ""), command);
        QCOMPARE(Read(HKCR, CommandKey(type, "Viewer"), "CREATED"), QStringLiteral("01 May 2026"));
    }
    QCOMPARE(Read(HKLM, ApplicationKey("Viewer"), "CREATED"), QStringLiteral("01 May 2026"));
    QCOMPARE(writes.Keys().size(), 4);
    QCOMPARE(writes.Keys().first(),
             QStringLiteral("HKLM\\SOFTWARE\\Quorvane\\Tavisk\\Shortcuts\\Viewer"));
    QCOMPARE(writes.statuses, QSet<QString>{QStringLiteral("Changing application executable...")});
    QVERIFY(writes.hourglass);
    // The same node with its new Tag, then the update of the details.
    QCOMPARE(m_main->Node(QStringLiteral("Viewer")), viewer);
    QCOMPARE(viewer->tag(), command);
    QCOMPARE(m_main->mouseUps, 1);
    QCOMPARE(m_main->refreshes, 0);
    VERIFY_STORE({}, &m_main->treApplications());
}

void TestOperations::changeExecutableLeavesOtherVerbs() {
    // A foreign verb, a vanished one, and another application's: none is touched.
    TestRegistry::PlantForeignVerb("txtfile", "Viewer");
    modRegistry::DeleteRegKey(HKCR, CommandKey("pngfile", "Viewer"));
    modRegistry::DeleteRegKey(HKCR, VerbKey("pngfile", "Viewer"));
    QVERIFY(m_main->Select(QStringLiteral("Viewer")));
    m_driver->When<frmChangeExe>(ChangeExe(QStringLiteral("/bin/edit")));
    modOperations::ChangeApplicationExe(*m_main);
    QCOMPARE(Read(HKCR, CommandKey("txtfile", "Viewer"), ""), QStringLiteral("/usr/bin/other %1"));
    QCOMPARE(Read(HKCR, CommandKey("txtfile", "Viewer"), "AUTHENTIC"), QStringLiteral("Not Found"));
    QVERIFY(!Exists(HKCR, VerbKey("pngfile", "Viewer")));
    QCOMPARE(Read(HKCR, CommandKey("docfile", "Viewer"), ""), QStringLiteral("/bin/edit %1"));
    QVERIFY(!Exists(HKCR, VerbKey("rtffile", "Viewer")));
    QCOMPARE(Read(HKCR, CommandKey("rtffile", "Editor"), ""), QStringLiteral("/bin/edit %1"));
    VERIFY_STORE(
        (QStringList{QStringLiteral("Viewer\\txtfile"), QStringLiteral("Viewer\\pngfile")}),
        &m_main->treApplications());
}

void TestOperations::changeExecutableFailureReported() {
    QVERIFY(m_main->Select(QStringLiteral("Viewer")));
    m_main->failMouseUp = true;
    MessageBox::setNextAnswer(MessageBox::Answer::Ok);
    m_driver->When<frmChangeExe>(ChangeExe(QStringLiteral("/bin/view2")));
    modOperations::ChangeApplicationExe(*m_main);
    QCOMPARE(Texts(), QStringList{QStringLiteral(
                          "An error has occurred whilst renaming the application executable.  "
                          "Please report this to support@tavisk.example")});
    QCOMPARE(m_main->Node(QStringLiteral("Viewer"))->tag(), QStringLiteral("/bin/view2 %1"));
}

QTEST_MAIN(TestOperations)
#include "tst_Operations.moc"

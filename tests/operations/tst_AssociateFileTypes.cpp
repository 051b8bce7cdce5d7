// Associate file types as the user does it: select an application (or one of
// its file types), tick types in the dialog, press OK; what is written, in
// which order, and what Cancel and the title-bar close leave alone.
#include "ListItemsModel.h"
#include "ListView.h"
#include "OperationsTestSupport.h"
#include "frmFileTypes.h"
#include "modOperations.h"

#include <QPushButton>

using namespace OperationsTestSupport;

namespace {

const std::string ViewerCommand = "/usr/bin/viewer %1";

/// Ticks the rows of these keys with the Space key, as the user does.
void Tick(frmFileTypes& dialog, const QStringList& keys) {
    ListItemsModel& rows = dialog.lvwFileTypes->ListItems();
    for (const QString& key : keys) {
        const int row = rows.indexOfKey(key);
        QVERIFY2(row >= 0, qPrintable(key));
        dialog.lvwFileTypes->setCurrentIndex(rows.index(row));
        QTest::keyClick(dialog.lvwFileTypes, Qt::Key_Space);
    }
}

/// Ticks the types and presses Enter.
std::function<void(frmFileTypes&)> TickAndOk(const QStringList& keys) {
    return [keys](frmFileTypes& dialog) {
        Tick(dialog, keys);
        QTest::keyClick(dialog.lvwFileTypes, Qt::Key_Return);
    };
}

QStringList RowKeys(frmFileTypes& dialog) {
    QStringList keys;
    const ListItemsModel& rows = dialog.lvwFileTypes->ListItems();
    for (int row = 0; row < rows.count(); ++row) {
        keys.append(rows.item(row).key);
    }
    return keys;
}

QStringList Children(const TreeNode* application, const TreeView& tree) {
    QStringList children;
    for (const TreeNode* node : tree.nodes()) {
        if (node->parent() == application) {
            children.append(node->text());
        }
    }
    return children;
}

} // namespace

class TestAssociateFileTypes final : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void twoTickedTypesWrittenInOrder();
    void fromAFileTypeNodeAndWithoutPath();
    void foreignVerbOfTheCaptionBecomesOurs();
    void okWithNothingTickedWritesNothing();
    void cancelAndTitleBarCloseAfterTicking();
    void nothingSelectedDoesNothing();

private:
    std::unique_ptr<TestRegistry> m_registry;
    std::unique_ptr<TestMainWindow> m_main;
    std::unique_ptr<ModalDriver> m_driver;
};

void TestAssociateFileTypes::init() {
    MessageBox::clearHistory();
    m_registry = std::make_unique<TestRegistry>();
    QVERIFY(m_registry->ok());
    for (const char* type : {"txtfile", "pngfile", "My Type", "docfile"}) {
        TestRegistry::AddFileType(type);
    }
    TestRegistry::AddApplication("Viewer", ViewerCommand, "01 May 2026", {"docfile"});
    // Another application with the very same command.
    TestRegistry::AddApplication("Twin", ViewerCommand, "02 May 2026", {"pngfile"});
    m_main = std::make_unique<TestMainWindow>();
    QVERIFY(m_main->Start());
    m_driver = std::make_unique<ModalDriver>();
}

void TestAssociateFileTypes::cleanup() {
    QCOMPARE(m_driver->unexpected(), 0);
    QCOMPARE(m_driver->pending(), 0);
    QCOMPARE(LiveDialogs<frmFileTypes>(), 0);
    QCOMPARE(m_main->StatusBar1().panelText(1), QString());
    QCOMPARE(QApplication::overrideCursor(), nullptr);
    m_driver.reset();
    m_main.reset();
    m_registry.reset();
}

void TestAssociateFileTypes::twoTickedTypesWrittenInOrder() {
    const FixedClock clock(2026, 3, 5);
    QVERIFY(m_main->Select(QStringLiteral("Viewer")));
    TreeNode* viewer = m_main->Node(QStringLiteral("Viewer"));
    QCOMPARE(modOperations::GetCurrentTypes(*m_main, *viewer),
             QStringList{QStringLiteral("docfile")});

    QString title;
    QStringList listed;
    const WriteLog writes(&m_main->StatusBar1());
    m_driver->When<frmFileTypes>([&](frmFileTypes& dialog) {
        title = dialog.windowTitle();
        listed = RowKeys(dialog);
        TickAndOk({QStringLiteral("My Type"), QStringLiteral("txtfile")})(dialog);
    });
    modOperations::AssociateFileTypes(*m_main);

    QCOMPARE(title, QStringLiteral("Associate Files with 'Viewer'"));
    // Only Viewer's own type is left out: Twin's pngfile, same command, stays listed.
    QVERIFY(!listed.contains(QStringLiteral("docfile")));
    QVERIFY(listed.contains(QStringLiteral("pngfile")));
    const QStringList ticked{
        listed.indexOf(QStringLiteral("My Type")) < listed.indexOf(QStringLiteral("txtfile"))
            ? QStringList{QStringLiteral("My Type"), QStringLiteral("txtfile")}
            : QStringList{QStringLiteral("txtfile"), QStringLiteral("My Type")}};

    // Per type, in list order: the Command key, then the record.
    QStringList expected;
    for (const QString& type : ticked) {
        expected << QStringLiteral("HKCR\\") + type + QStringLiteral("\\Shell\\Viewer\\Command")
                 << QStringLiteral("HKLM\\SOFTWARE\\Quorvane\\Tavisk\\Shortcuts\\Viewer\\") + type;
    }
    QStringList written =
        writes.Keys({QStringLiteral("\\Command"), QStringLiteral("Viewer\\My Type"),
                     QStringLiteral("Viewer\\txtfile")});
    written.erase(std::unique(written.begin(), written.end()), written.end());
    QCOMPARE(written, expected);
    for (const WriteLog::Entry& entry : writes.entries()) {
        QCOMPARE(entry.status, QStringLiteral("Saving file associations..."));
        QVERIFY(entry.hourglass);
    }
    for (const QString& type : ticked) {
        const std::string verb = modStoreLayout::CommandKey(type.toStdString(), "Viewer");
        QCOMPARE(Read(HKCR, verb, ""), QString::fromStdString(ViewerCommand));
        QCOMPARE(Read(HKCR, verb, "AUTHENTIC"), QStringLiteral("quorvane"));
        QCOMPARE(Read(HKCR, verb, "CREATED"), clock.today());
        QCOMPARE(
            Read(HKLM, modStoreLayout::AssociationKey("Viewer", type.toStdString()), "FileType"),
            type);
    }
    // The nodes follow the existing child; nothing else of the view moves.
    viewer = m_main->Node(QStringLiteral("Viewer"));
    QCOMPARE(Children(viewer, m_main->treApplications()),
             QStringList{QStringLiteral("docfile")} + ticked);
    QCOMPARE(m_main->treApplications().selectedNode(), viewer);
    QCOMPARE(m_main->refreshes, 0);
    QCOMPARE(m_main->mouseUps, 0);
    QCOMPARE(Children(m_main->Node(QStringLiteral("Twin")), m_main->treApplications()),
             QStringList{QStringLiteral("pngfile")});
    VERIFY_STORE({}, &m_main->treApplications());
}

void TestAssociateFileTypes::fromAFileTypeNodeAndWithoutPath() {
    // An application whose "PATH" is missing carries the reader's "Not Found".
    Write(HKLM, modStoreLayout::ApplicationKey("Lost"), "CREATED", "03 May 2026");
    m_main->Load();
    QVERIFY(m_main->Select(QStringLiteral("Lost")));
    m_driver->When<frmFileTypes>(TickAndOk({QStringLiteral("pngfile")}));
    modOperations::AssociateFileTypes(*m_main);
    QCOMPARE(Read(HKCR, modStoreLayout::CommandKey("pngfile", "Lost"), ""),
             QStringLiteral("Not Found"));

    // From its file type's node: the same application, its caption in the title.
    QVERIFY(m_main->Select(QStringLiteral("Lost"), QStringLiteral("pngfile")));
    QString title;
    QStringList listed;
    m_driver->When<frmFileTypes>([&](frmFileTypes& dialog) {
        title = dialog.windowTitle();
        listed = RowKeys(dialog);
        TickAndOk({QStringLiteral("txtfile")})(dialog);
    });
    modOperations::AssociateFileTypes(*m_main);
    QCOMPARE(title, QStringLiteral("Associate Files with 'Lost'"));
    QVERIFY(!listed.contains(QStringLiteral("pngfile")));
    QCOMPARE(Children(m_main->Node(QStringLiteral("Lost")), m_main->treApplications()),
             (QStringList{QStringLiteral("pngfile"), QStringLiteral("txtfile")}));
    QCOMPARE(Read(HKCR, modStoreLayout::CommandKey("txtfile", "Lost"), ""),
             QStringLiteral("Not Found"));
    VERIFY_STORE({}, &m_main->treApplications());
}

void TestAssociateFileTypes::foreignVerbOfTheCaptionBecomesOurs() {
    TestRegistry::PlantForeignVerb("txtfile", "Viewer", "/usr/bin/other %1");
    QVERIFY(m_main->Select(QStringLiteral("Viewer")));
    m_driver->When<frmFileTypes>(TickAndOk({QStringLiteral("txtfile")}));
    modOperations::AssociateFileTypes(*m_main);
    const std::string verb = modStoreLayout::CommandKey("txtfile", "Viewer");
    QCOMPARE(Read(HKCR, verb, ""), QString::fromStdString(ViewerCommand));
    QCOMPARE(Read(HKCR, verb, "AUTHENTIC"), QStringLiteral("quorvane"));
    VERIFY_STORE({}, &m_main->treApplications());
}

void TestAssociateFileTypes::okWithNothingTickedWritesNothing() {
    QVERIFY(m_main->Select(QStringLiteral("Viewer")));
    const WriteLog writes;
    m_driver->When<frmFileTypes>(TickAndOk({}));
    modOperations::AssociateFileTypes(*m_main);
    QVERIFY(writes.empty());
    QCOMPARE(m_main->treApplications().count(), 4);
}

void TestAssociateFileTypes::cancelAndTitleBarCloseAfterTicking() {
    QVERIFY(m_main->Select(QStringLiteral("Viewer")));
    const WriteLog writes;
    const QStringList types{QStringLiteral("txtfile"), QStringLiteral("My Type")};
    m_driver->When<frmFileTypes>([&types](frmFileTypes& dialog) {
        Tick(dialog, types);
        QTest::keyClick(dialog.lvwFileTypes, Qt::Key_Escape);
    });
    modOperations::AssociateFileTypes(*m_main);
    m_driver->When<frmFileTypes>([&types](frmFileTypes& dialog) {
        Tick(dialog, types);
        dialog.close();
    });
    modOperations::AssociateFileTypes(*m_main);
    m_driver->When<frmFileTypes>([&types](frmFileTypes& dialog) {
        Tick(dialog, types);
        dialog.cmdCancel->click();
    });
    modOperations::AssociateFileTypes(*m_main);
    QCOMPARE(m_driver->shown(), 3);
    QVERIFY(writes.empty());
    QCOMPARE(m_main->treApplications().count(), 4);
}

void TestAssociateFileTypes::nothingSelectedDoesNothing() {
    const WriteLog writes;
    modOperations::AssociateFileTypes(*m_main);
    QCOMPARE(m_driver->shown(), 0);
    QVERIFY(writes.empty());
}

QTEST_MAIN(TestAssociateFileTypes)
#include "tst_AssociateFileTypes.moc"

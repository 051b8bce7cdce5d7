// Delete as the user does it: select an association or an application, choose
// Delete, answer the question. Only the program's own verbs (or vanished ones)
// are removed, and the tree is reloaded whatever the answer.
#include "OperationsTestSupport.h"
#include "modOperations.h"

using namespace OperationsTestSupport;

namespace {

const std::string ViewerCommand = "/usr/bin/viewer %1";

const QString Critical =
    QStringLiteral("The file type '\u2068txtfile\u2069' cannot be removed from this application.");

} // namespace

class TestDeleteOperations final : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void foreignVerbRefusedBeforeAnyQuestion_data();
    void foreignVerbRefusedBeforeAnyQuestion();
    void associationRemovedOnYes();
    void noDeletesNothingButReloads();
    void applicationWithoutAssociations();
    void oneForeignVerbAmongThree();
    void vanishedVerbCanBeRemoved();
    void nothingSelectedDoesNothing();

private:
    std::unique_ptr<TestRegistry> m_registry;
    std::unique_ptr<TestMainWindow> m_main;
    /// Cancels (and counts) a message box that no queued answer awaited.
    std::unique_ptr<ModalDriver> m_driver;
};

void TestDeleteOperations::init() {
    MessageBox::clearHistory();
    m_registry = std::make_unique<TestRegistry>();
    QVERIFY(m_registry->ok());
    TestRegistry::AddApplication("Viewer", ViewerCommand, "01 May 2026",
                                 {"txtfile", "pngfile", "docfile"});
    TestRegistry::AddApplication("Editor", "/bin/edit %1", "02 May 2026");
    m_main = std::make_unique<TestMainWindow>();
    QVERIFY(m_main->Start());
    m_driver = std::make_unique<ModalDriver>();
}

void TestDeleteOperations::cleanup() {
    QCOMPARE(MessageBox::pendingAnswers(), 0);
    QCOMPARE(m_driver->shown(), 0);
    m_driver.reset();
    m_main.reset();
    m_registry.reset();
}

void TestDeleteOperations::foreignVerbRefusedBeforeAnyQuestion_data() {
    QTest::addColumn<QString>("marker");
    QTest::addColumn<bool>("commandKey");
    QTest::newRow("no marker") << QString() << true;
    QTest::newRow("marker in upper case") << QStringLiteral("QUORVANE") << true;
    QTest::newRow("another program's marker") << QStringLiteral("someone") << true;
    QTest::newRow("verb without its Command key") << QString() << false;
}

void TestDeleteOperations::foreignVerbRefusedBeforeAnyQuestion() {
    QFETCH(QString, marker);
    QFETCH(bool, commandKey);
    TestRegistry::PlantForeignVerb("txtfile", "Viewer", "/usr/bin/other %1", marker.toStdString());
    if (!commandKey) {
        Write(HKCR, modStoreLayout::VerbKey("txtfile", "Viewer"), "", "Other");
        modRegistry::DeleteRegKey(HKCR, modStoreLayout::CommandKey("txtfile", "Viewer"));
    }
    QVERIFY(m_main->Select(QStringLiteral("Viewer"), QStringLiteral("txtfile")));
    const WriteLog writes;
    MessageBox::setNextAnswer(MessageBox::Answer::Ok);
    modOperations::DeleteChoice(*m_main);

    QCOMPARE(Texts(), QStringList{Critical});
    const MessageBox::Shown& shown = MessageBox::history().first();
    QCOMPARE(shown.icon, MessageBox::Icon::Critical);
    QCOMPARE(shown.buttons, MessageBox::Buttons::Ok);
    QCOMPARE(shown.title, QStringLiteral("Tavisk"));
    QVERIFY(writes.empty());
    QCOMPARE(m_main->refreshes, 1);
    QVERIFY(m_main->Node(QStringLiteral("Viewer"), QStringLiteral("txtfile")) != nullptr);
    VERIFY_STORE({ForeignVerb(QStringLiteral("Viewer"), QStringLiteral("txtfile"))},
                 &m_main->treApplications());
}

void TestDeleteOperations::associationRemovedOnYes() {
    QVERIFY(m_main->Select(QStringLiteral("Viewer"), QStringLiteral("pngfile")));
    MessageBox::setNextAnswer(MessageBox::Answer::Yes);
    const WriteLog writes;
    modOperations::DeleteChoice(*m_main);

    QCOMPARE(Texts(), QStringList{QStringLiteral(
                          "Are you sure you wish to delete the association "
                          "'\u2068pngfile\u2069' from the application '\u2068Viewer\u2069' ?")});
    const MessageBox::Shown& shown = MessageBox::history().first();
    QCOMPARE(shown.icon, MessageBox::Icon::Exclamation);
    QCOMPARE(shown.buttons, MessageBox::Buttons::YesNo);
    QCOMPARE(shown.defaultAnswer, MessageBox::Answer::Yes);
    // Deepest first: the Command key, the verb key, then the record.
    QStringList deleted = writes.Keys({QStringLiteral("\\Command"), QStringLiteral("Shell\\Viewer"),
                                       QStringLiteral("Viewer\\pngfile")});
    deleted.erase(std::unique(deleted.begin(), deleted.end()), deleted.end());
    QCOMPARE(deleted,
             (QStringList{
                 QStringLiteral("HKCR\\pngfile\\Shell\\Viewer\\Command"),
                 QStringLiteral("HKCR\\pngfile\\Shell\\Viewer"),
                 QStringLiteral("HKLM\\SOFTWARE\\Quorvane\\Tavisk\\Shortcuts\\Viewer\\pngfile")}));
    QVERIFY(!Exists(HKCR, modStoreLayout::VerbKey("pngfile", "Viewer")));
    QVERIFY(Exists(HKCR, "pngfile\\Shell"));
    QVERIFY(!Exists(HKLM, modStoreLayout::AssociationKey("Viewer", "pngfile")));
    QCOMPARE(m_main->refreshes, 1);
    QCOMPARE(m_main->treApplications().selectedNode(), nullptr);
    QCOMPARE(m_main->Node(QStringLiteral("Viewer"), QStringLiteral("pngfile")), nullptr);
    VERIFY_STORE({}, &m_main->treApplications());
}

void TestDeleteOperations::noDeletesNothingButReloads() {
    const WriteLog writes;
    QVERIFY(m_main->Select(QStringLiteral("Viewer"), QStringLiteral("pngfile")));
    MessageBox::setNextAnswer(MessageBox::Answer::No);
    modOperations::DeleteChoice(*m_main);
    QVERIFY(m_main->Select(QStringLiteral("Viewer")));
    MessageBox::setNextAnswer(MessageBox::Answer::No);
    modOperations::DeleteChoice(*m_main);

    QCOMPARE(Texts().size(), 2);
    QCOMPARE(Texts().last(),
             QStringLiteral("Are you sure you wish to delete the application "
                            "'\u2068Viewer\u2069' and all its file associations ?"));
    QCOMPARE(MessageBox::history().last().defaultAnswer, MessageBox::Answer::Yes);
    QVERIFY(writes.empty());
    QCOMPARE(m_main->refreshes, 2);
    QCOMPARE(m_main->treApplications().selectedNode(), nullptr);
    VERIFY_STORE({}, &m_main->treApplications());
}

void TestDeleteOperations::applicationWithoutAssociations() {
    QVERIFY(m_main->Select(QStringLiteral("Editor")));
    MessageBox::setNextAnswer(MessageBox::Answer::Yes);
    modOperations::DeleteChoice(*m_main);
    QCOMPARE(Texts().size(), 1);
    QVERIFY(!Exists(HKLM, modStoreLayout::ApplicationKey("Editor")));
    QCOMPARE(m_main->Captions(), QStringList{QStringLiteral("Viewer")});
    QCOMPARE(Subkeys(HKLM, modStoreLayout::ApplicationKey("Viewer")).size(), 3);
    VERIFY_STORE({}, &m_main->treApplications());
}

void TestDeleteOperations::oneForeignVerbAmongThree() {
    TestRegistry::PlantForeignVerb("txtfile", "Viewer", "/usr/bin/other %1");
    QVERIFY(m_main->Select(QStringLiteral("Viewer")));
    MessageBox::setNextAnswer(MessageBox::Answer::Yes);
    MessageBox::setNextAnswer(MessageBox::Answer::Ok);
    modOperations::DeleteChoice(*m_main);

    // One question, then one refusal naming the foreign type; no more questions.
    QCOMPARE(Texts().size(), 2);
    QCOMPARE(Texts().last(), Critical);
    QVERIFY(!Exists(HKCR, modStoreLayout::VerbKey("pngfile", "Viewer")));
    QVERIFY(!Exists(HKCR, modStoreLayout::VerbKey("docfile", "Viewer")));
    QCOMPARE(Read(HKCR, modStoreLayout::CommandKey("txtfile", "Viewer"), ""),
             QStringLiteral("/usr/bin/other %1"));
    // Its record keeps the application key, listed again with that one type.
    QCOMPARE(m_main->Captions(), (QStringList{QStringLiteral("Editor"), QStringLiteral("Viewer")}));
    QVERIFY(m_main->Node(QStringLiteral("Viewer"), QStringLiteral("txtfile")) != nullptr);
    QCOMPARE(m_main->Node(QStringLiteral("Viewer"))->childCount(), 1);
    QCOMPARE(m_main->Node(QStringLiteral("Viewer"))->tag(), QString::fromStdString(ViewerCommand));
    QCOMPARE(Read(HKLM, modStoreLayout::ApplicationKey("Viewer"), "CREATED"),
             QStringLiteral("01 May 2026"));
    VERIFY_STORE({ForeignVerb(QStringLiteral("Viewer"), QStringLiteral("txtfile"))},
                 &m_main->treApplications());
}

void TestDeleteOperations::vanishedVerbCanBeRemoved() {
    // Another program removed the verb altogether: only the record is left.
    modRegistry::DeleteRegKey(HKCR, modStoreLayout::CommandKey("txtfile", "Viewer"));
    modRegistry::DeleteRegKey(HKCR, modStoreLayout::VerbKey("txtfile", "Viewer"));
    m_main->Load();
    QVERIFY(m_main->Select(QStringLiteral("Viewer"), QStringLiteral("txtfile")));
    MessageBox::setNextAnswer(MessageBox::Answer::Yes);
    modOperations::DeleteChoice(*m_main);

    QCOMPARE(Texts(), QStringList{QStringLiteral(
                          "Are you sure you wish to delete the association "
                          "'\u2068txtfile\u2069' from the application '\u2068Viewer\u2069' ?")});
    QVERIFY(!Exists(HKLM, modStoreLayout::AssociationKey("Viewer", "txtfile")));
    QCOMPARE(m_main->Node(QStringLiteral("Viewer"), QStringLiteral("txtfile")), nullptr);
    QCOMPARE(m_main->Node(QStringLiteral("Viewer"))->childCount(), 2);
    VERIFY_STORE({}, &m_main->treApplications());
}

void TestDeleteOperations::nothingSelectedDoesNothing() {
    const WriteLog writes;
    modOperations::DeleteChoice(*m_main);
    QVERIFY(MessageBox::history().isEmpty());
    QVERIFY(writes.empty());
    QCOMPARE(m_main->refreshes, 0);
}

QTEST_MAIN(TestDeleteOperations)
#include "tst_DeleteOperations.moc"

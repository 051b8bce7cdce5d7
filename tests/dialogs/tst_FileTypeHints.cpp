// Finding a type in the file-type dialog: each row's tooltip tells the type's
// description and extensions, and type-ahead falls back to the part of a
// name after its "/".
#include "DialogTestSupport.h"
#include "ListItemsModel.h"
#include "ListView.h"
#include "frmFileTypes.h"
#include "modRegistry.h"

using namespace DialogTestSupport;

namespace {

void Write(const std::string& key, const std::string& data) {
    modRegistry::WriteRegValue(modRegistry::HKCR, key, "", modRegistry::REG_SZ_TYPE, data);
}

/// A file type: its DefaultIcon, and its description when one is given.
void AddType(const std::string& name, const std::string& description = {}) {
    Write(name + "\\DefaultIcon", "icon");
    if (!description.empty()) {
        Write(name, description);
    }
}

QModelIndex RowOf(const frmFileTypes& form, const QString& key) {
    ListItemsModel& rows = form.lvwFileTypes->ListItems();
    return rows.index(rows.indexOfKey(key));
}

} // namespace

class TestFileTypeHints final : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void toolTipTellsDescriptionAndExtensions_data();
    void toolTipTellsDescriptionAndExtensions();
    void typeAheadFallsBackToThePartAfterTheSlash_data();
    void typeAheadFallsBackToThePartAfterTheSlash();

private:
    QTemporaryDir m_dir;
};

void TestFileTypeHints::initTestCase() {
    QVERIFY(OpenTestRegistry(m_dir));
    AddType("application/pdf", "PDF document");
    AddType("application/textish");
    AddType("application/x-orphan");
    AddType("image/x-none", "Picture without extension");
    AddType("text/plain", "Plain text document");
    AddType("txtfile");
    // Extension keys name their type in their default value, in any case.
    Write(".pdf", "application/pdf");
    Write(".txt", "text/plain");
    Write(".TEXT", "Text/Plain");
    Write(".orp", "application/x-orphan");
    Write(".nothing", "");
    Write(".missing\\DefaultIcon", "icon"); // listed itself, names no type
}

void TestFileTypeHints::cleanupTestCase() {
    tavisk::registry::closeStore();
}

void TestFileTypeHints::toolTipTellsDescriptionAndExtensions_data() {
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("toolTip");
    QTest::newRow("both") << "application/pdf"
                          << "PDF document\nExtensions: .pdf";
    QTest::newRow("two extensions, any case") << "text/plain"
                                              << "Plain text document\nExtensions: .TEXT, .txt";
    QTest::newRow("description only") << "image/x-none"
                                      << "Picture without extension";
    QTest::newRow("extension only") << "application/x-orphan"
                                    << "Extensions: .orp";
    QTest::newRow("neither: the row's text") << "txtfile"
                                             << "txt file";
    QTest::newRow("an extension key") << ".missing"
                                      << ".missing";
}

void TestFileTypeHints::toolTipTellsDescriptionAndExtensions() {
    QFETCH(QString, key);
    QFETCH(QString, toolTip);
    frmFileTypes form(nullptr);
    const QModelIndex row = RowOf(form, key);
    QVERIFY(row.isValid());
    QCOMPARE(row.data(Qt::ToolTipRole).toString(), toolTip);
    QCOMPARE(row.data(Qt::DisplayRole).toString(),
             form.lvwFileTypes->ListItems().item(row.row()).text);
}

void TestFileTypeHints::typeAheadFallsBackToThePartAfterTheSlash_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("current");
    QTest::newRow("after the slash") << "pdf"
                                     << "application/pdf";
    QTest::newRow("after the slash, any case") << "PLAIN"
                                               << "text/plain";
    QTest::newRow("start of the name wins") << "text"
                                            << "text/plain";
    QTest::newRow("start of the name") << "txt"
                                       << "txtfile";
    QTest::newRow("dotted key") << ".m"
                                << ".missing";
    QTest::newRow("nothing: stays") << "zzz"
                                    << "";
}

void TestFileTypeHints::typeAheadFallsBackToThePartAfterTheSlash() {
    QFETCH(QString, typed);
    QFETCH(QString, current);
    frmFileTypes form(nullptr);
    QVERIFY(ShowActive(form));
    ListView* list = form.lvwFileTypes;
    list->setFocus();
    const QModelIndex start = list->currentIndex();
    QTest::keyClicks(list, typed);
    const QModelIndex expected = current.isEmpty() ? start : RowOf(form, current);
    QVERIFY(expected.isValid() || current.isEmpty());
    QCOMPARE(list->currentIndex().data().toString(), expected.data().toString());
}

QTEST_MAIN(TestFileTypeHints)
#include "tst_FileTypeHints.moc"

// The file-type catalogue frmFileTypes reads from HKEY_CLASSES_ROOT: which keys
// are listed, their texts, icons and tooltips, type-ahead, and the progress
// text in the main window's status bar.
#include "DialogTestSupport.h"
#include "ListItemsModel.h"
#include "ListView.h"
#include "StatusBar.h"
#include "frmFileTypes.h"

#include <QApplication>

using namespace Qt::StringLiterals;
using namespace DialogTestSupport;

namespace {

/// Records panel 1 of the status bar, and whether the hourglass was on, each
/// time the bar is painted.
class PaintRecorder final : public QObject {
public:
    explicit PaintRecorder(StatusBar* bar) : m_bar(bar) { bar->installEventFilter(this); }
    QStringList texts;
    QList<bool> hourglass;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == m_bar && event->type() == QEvent::Paint) {
            texts.append(m_bar->panelText(1));
            const QCursor* cursor = QApplication::overrideCursor();
            hourglass.append(cursor && cursor->shape() == Qt::WaitCursor);
        }
        return false;
    }

private:
    StatusBar* m_bar;
};

QModelIndex RowOf(const frmFileTypes& form, const QString& key) {
    ListItemsModel& rows = form.lvwFileTypes->ListItems();
    return rows.index(rows.indexOfKey(key));
}

/// Types with and without descriptions, and extension keys that name them.
void AddHintTypes() {
    AddType("application/pdf", "PDF document");
    AddType("application/textish");
    AddType("application/x-orphan");
    AddType("image/x-none", "Picture without extension");
    AddType("text/plain", "Plain text document");
    AddType("txtfile");
    Write(".pdf", "application/pdf");
    Write(".txt", "text/plain");
    Write(".TEXT", "Text/Plain"); // names its type in another case
    Write(".orp", "application/x-orphan");
    Write(".nothing", "");
    Write(".missing\\DefaultIcon", "icon"); // listed itself, names no type
}

/// A row named by its first column; every column a text.
template <class... Texts> void Row(const char* name, Texts... texts) {
    QTestData& row = QTest::newRow(name) << QString::fromUtf8(name);
    (row << ... << QString::fromUtf8(texts));
}

} // namespace

class TestLoadFileTypes final : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void displayAndIconRules_data();
    void displayAndIconRules();
    void listedOnlyWithADefaultIconValue();
    void emptyRootShowsAndClearsTheStatusText();
    void toolTipTellsDescriptionAndExtensions_data();
    void toolTipTellsDescriptionAndExtensions();
    void typeAheadFallsBackToThePartAfterTheSlash_data();
    void typeAheadFallsBackToThePartAfterTheSlash();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestLoadFileTypes::init() {
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(OpenTestRegistry(*m_dir));
}

void TestLoadFileTypes::cleanup() {
    tavisk::registry::closeStore();
    m_dir.reset();
}

void TestLoadFileTypes::displayAndIconRules_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("icon");
    Row("txtfile", "txt file", "File");
    Row("profile", "pro file", "File");
    Row("Word.Document.8", "Word.Document.8", "FileType");
    Row("filefolder", " filefolder", "FileType");
    Row("filefile", " file file", "File");
    Row("TextFile", "TextFile", "FileType");
    Row("TEXTFILE", "TEXTFILE", "FileType");
    Row("Some File", "Some File", "File");
    Row("Log fIle", "Log fIle", "File");
    Row(".txt", ".txt", "FileType");
}

void TestLoadFileTypes::displayAndIconRules() {
    QFETCH(QString, name);
    QFETCH(QString, text);
    QFETCH(QString, icon);
    AddType("aaa-other");
    AddType(name.toStdString());
    frmFileTypes form(nullptr);
    const ListItemsModel& rows = form.lvwFileTypes->ListItems();
    QCOMPARE(rows.count(), 2);
    const int row = rows.indexOfKey(name);
    QVERIFY(row >= 0);
    QCOMPARE(rows.data(rows.index(row)).toString(), text);
    QCOMPARE(rows.item(row).smallIcon, icon);
    QCOMPARE(rows.item(row).checked, false);
    // The two images differ, 16 pixels square.
    const auto image = [&rows](int at) {
        return rows.data(rows.index(at), Qt::DecorationRole).value<QIcon>().pixmap(16).toImage();
    };
    QVERIFY(!image(row).isNull());
    QCOMPARE(image(row) == image(1 - row), rows.item(1 - row).smallIcon == icon);
    QCOMPARE(form.lvwFileTypes->iconSize(), QSize(16, 16));
}

void TestLoadFileTypes::listedOnlyWithADefaultIconValue() {
    Write("emptyicon\\DefaultIcon", "");
    modRegistry::WriteRegValue(modRegistry::HKCR, "novalue\\DefaultIcon", "Other",
                               modRegistry::REG_SZ_TYPE, std::string("x"));
    Write("noicon\\Shell\\Open\\Command", "run %1");
    AddType("pngfile");
    frmFileTypes form(nullptr);
    const ListItemsModel& rows = form.lvwFileTypes->ListItems();
    QCOMPARE(rows.count(), 2);
    QVERIFY(rows.indexOfKey(u"emptyicon"_s) >= 0);
    QVERIFY(rows.indexOfKey(u"pngfile"_s) >= 0);
}

void TestLoadFileTypes::emptyRootShowsAndClearsTheStatusText() {
    StatusBar bar;
    bar.show();
    QVERIFY(QTest::qWaitForWindowExposed(&bar));
    bar.setPanelText(1, u"before"_s);
    PaintRecorder recorder(&bar);
    frmFileTypes form(&bar);
    QCOMPARE(form.lvwFileTypes->ListItems().count(), 0);
    QCOMPARE(recorder.texts, (QStringList{u"Loading all file types..."_s, QString()}));
    QCOMPARE(recorder.hourglass, (QList<bool>{true, true}));
    QCOMPARE(QApplication::overrideCursor(), nullptr);
    QCOMPARE(bar.panelText(1), QString());
}

void TestLoadFileTypes::toolTipTellsDescriptionAndExtensions_data() {
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("toolTip");
    Row("application/pdf", "PDF document\nExtensions: .pdf");
    Row("text/plain", "Plain text document\nExtensions: .TEXT, .txt");
    Row("image/x-none", "Picture without extension");
    Row("application/x-orphan", "Extensions: .orp");
    Row("txtfile", "txt file");
    Row(".missing", ".missing");
}

void TestLoadFileTypes::toolTipTellsDescriptionAndExtensions() {
    QFETCH(QString, key);
    QFETCH(QString, toolTip);
    AddHintTypes();
    frmFileTypes form(nullptr);
    const QModelIndex row = RowOf(form, key);
    QVERIFY(row.isValid());
    QCOMPARE(row.data(Qt::ToolTipRole).toString(), toolTip);
}

void TestLoadFileTypes::typeAheadFallsBackToThePartAfterTheSlash_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("current"); // empty: the current row stays
    Row("pdf", "application/pdf");
    Row("PLAIN", "text/plain");
    Row("text", "text/plain"); // the start of a name wins
    Row("txt", "txtfile");
    Row(".m", ".missing");
    Row("zzz", "");
}

void TestLoadFileTypes::typeAheadFallsBackToThePartAfterTheSlash() {
    QFETCH(QString, typed);
    QFETCH(QString, current);
    AddHintTypes();
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

QTEST_MAIN(TestLoadFileTypes)
#include "tst_LoadFileTypes.moc"

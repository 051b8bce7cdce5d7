// The file-type catalogue that frmFileTypes reads from HKEY_CLASSES_ROOT when
// it is created: which keys are listed, their display texts and icons, and
// the progress text in the main window's status bar.
#include "DialogTestSupport.h"
#include "ListItemsModel.h"
#include "ListView.h"
#include "StatusBar.h"
#include "frmFileTypes.h"
#include "modRegistry.h"

#include <QApplication>

using namespace DialogTestSupport;

namespace {

void WriteDefaultIcon(const std::string& type, const std::string& data) {
    modRegistry::WriteRegValue(modRegistry::HKCR, type + "\\DefaultIcon", "",
                               modRegistry::REG_SZ_TYPE, data);
}

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

} // namespace

class TestLoadFileTypes final : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void displayAndIconRules_data();
    void displayAndIconRules();
    void listedOnlyWithAReadableDefaultIcon();
    void theTwoIconsDiffer();
    void emptyRootShowsAndClearsTheStatusText();

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

    QTest::newRow("txtfile") << "txtfile"
                             << "txt file"
                             << "File";
    QTest::newRow("batfile") << "batfile"
                             << "bat file"
                             << "File";
    QTest::newRow("Word.Document.8") << "Word.Document.8"
                                     << "Word.Document.8"
                                     << "FileType";
    QTest::newRow("profile") << "profile"
                             << "pro file"
                             << "File";
    QTest::newRow("filefolder") << "filefolder"
                                << " filefolder"
                                << "FileType";
    QTest::newRow("TextFile") << "TextFile"
                              << "TextFile"
                              << "FileType";
    QTest::newRow("Some File") << "Some File"
                               << "Some File"
                               << "File";
    QTest::newRow("every occurrence") << "filefile"
                                      << " file file"
                                      << "File";
    QTest::newRow("upper case without a space") << "TEXTFILE"
                                                << "TEXTFILE"
                                                << "FileType";
    QTest::newRow("mixed case after a space") << "Log fIle"
                                              << "Log fIle"
                                              << "File";
    QTest::newRow("extension key") << ".txt"
                                   << ".txt"
                                   << "FileType";
}

void TestLoadFileTypes::displayAndIconRules() {
    QFETCH(QString, name);
    QFETCH(QString, text);
    QFETCH(QString, icon);

    WriteDefaultIcon("aaa-other", "x.ico");
    WriteDefaultIcon(name.toStdString(), "%SystemRoot%\\system32\\shell32.dll,1");
    frmFileTypes form(nullptr);
    const ListItemsModel& rows = form.lvwFileTypes->ListItems();
    QCOMPARE(rows.count(), 2);
    const int row = rows.indexOfKey(name);
    QVERIFY(row >= 0);
    QCOMPARE(rows.item(row).text, text);
    QCOMPARE(rows.item(row).smallIcon, icon);
    QCOMPARE(rows.item(row).checked, false);
    QCOMPARE(rows.data(rows.index(row)).toString(), text);
}

void TestLoadFileTypes::listedOnlyWithAReadableDefaultIcon() {
    WriteDefaultIcon("emptyicon", "");
    modRegistry::WriteRegValue(modRegistry::HKCR, "novalue\\DefaultIcon", "Other",
                               modRegistry::REG_SZ_TYPE, std::string("x"));
    modRegistry::WriteRegValue(modRegistry::HKCR, "noicon\\Shell\\Open\\Command", "",
                               modRegistry::REG_SZ_TYPE, std::string("run %1"));
    WriteDefaultIcon("pngfile", "png.ico");

    frmFileTypes form(nullptr);
    const ListItemsModel& rows = form.lvwFileTypes->ListItems();
    QStringList keys;
    for (int row = 0; row < rows.count(); ++row) {
        keys.append(rows.item(row).key);
    }
    keys.sort();
    QCOMPARE(keys, (QStringList{QStringLiteral("emptyicon"), QStringLiteral("pngfile")}));
}

void TestLoadFileTypes::theTwoIconsDiffer() {
    WriteDefaultIcon("txtfile", "a");
    WriteDefaultIcon("Word.Document.8", "b");
    frmFileTypes form(nullptr);
    const ListItemsModel& rows = form.lvwFileTypes->ListItems();
    const auto image = [&rows](const QString& key) {
        const QIcon icon =
            rows.data(rows.index(rows.indexOfKey(key)), Qt::DecorationRole).value<QIcon>();
        return icon.pixmap(16, 16).toImage();
    };
    const QImage file = image(QStringLiteral("txtfile"));
    const QImage fileType = image(QStringLiteral("Word.Document.8"));
    QVERIFY(!file.isNull());
    QVERIFY(!fileType.isNull());
    QVERIFY(file != fileType);
    QCOMPARE(form.lvwFileTypes->iconSize(), QSize(16, 16));
}

void TestLoadFileTypes::emptyRootShowsAndClearsTheStatusText() {
    StatusBar bar;
    bar.show();
    QVERIFY(QTest::qWaitForWindowExposed(&bar));
    bar.setPanelText(1, QStringLiteral("before"));
    PaintRecorder recorder(&bar);

    frmFileTypes form(&bar);
    QCOMPARE(form.lvwFileTypes->ListItems().count(), 0);
    QCOMPARE(recorder.texts, (QStringList{QStringLiteral("Loading all file types..."), QString()}));
    QCOMPARE(recorder.hourglass, (QList<bool>{true, true}));
    QCOMPARE(QApplication::overrideCursor(), nullptr);
    QCOMPARE(bar.panelText(1), QString());
}

QTEST_MAIN(TestLoadFileTypes)
#include "tst_LoadFileTypes.moc"

// frmFileTypes as its caller uses it: CurrentTypes removing rows, ticking,
// OK, Cancel, Esc and the title-bar close, and the layout as the window is
// resized.
#include "DialogControls.h"
#include "DialogTestSupport.h"
#include "ListItemsModel.h"
#include "ListView.h"
#include "Twips.h"
#include "frmFileTypes.h"
#include "modRegistry.h"

#include <QAbstractItemModelTester>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

using namespace DialogTestSupport;
using namespace DialogControls;

namespace {

const QStringList Types{QStringLiteral("txtfile"), QStringLiteral("batfile"),
                        QStringLiteral("pngfile"), QStringLiteral("Word.Document.8"),
                        QStringLiteral("My Type")};

/// One pixel of rounding either way, in twips.
constexpr double OnePixel = 15.0;

QStringList Keys(const ListItemsModel& rows) {
    QStringList keys;
    for (int row = 0; row < rows.count(); ++row) {
        keys.append(rows.item(row).key);
    }
    return keys;
}

} // namespace

class TestFrmFileTypes final : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void designTitleAndColumn();
    void currentTypesRemovesRowsAndSkipsUnknownNames();
    void everyTypeAlreadyThereLeavesAnEmptyList();
    void okWithNothingTicked();
    void ticksReadBackInListOrder();
    void spaceTicksTheCurrentRow();
    void enterIsOkAndEscapeIsCancel();
    void cancelAndTitleBarCloseAfterTicking();
    void firstDisplayLaysTheControlsOut();
    void resizeMovesAndGrowsByTheSameAmount();
    void tooSmallKeepsTheListSize();

private:
    QTemporaryDir m_dir;
};

void TestFrmFileTypes::initTestCase() {
    QVERIFY(OpenTestRegistry(m_dir));
    for (const QString& type : Types) {
        modRegistry::WriteRegValue(modRegistry::HKCR, type.toStdString() + "\\DefaultIcon", "",
                                   modRegistry::REG_SZ_TYPE, std::string("icon"));
    }
}

void TestFrmFileTypes::cleanupTestCase() {
    tavisk::registry::closeStore();
}

void TestFrmFileTypes::init() {
    ResetPrompts();
}

void TestFrmFileTypes::designTitleAndColumn() {
    frmFileTypes form(nullptr);
    QCOMPARE(form.windowTitle(), QStringLiteral("Associate File Types with"));
    QCOMPARE(form.Cancelled(), false);
    QVERIFY(form.CurrentTypes().isEmpty());
    QCOMPARE(form.lvwFileTypes->header()->sectionSize(0), Twips::ToPixels(6000));
    QCOMPARE(form.lvwFileTypes->model()->headerData(0, Qt::Horizontal).toString(),
             QStringLiteral("File Type"));
    QVERIFY(form.cmdOk->isDefault());
    QVERIFY(form.windowFlags() & Qt::WindowMaximizeButtonHint);
    QVERIFY(form.maximumWidth() > form.width());
}

void TestFrmFileTypes::currentTypesRemovesRowsAndSkipsUnknownNames() {
    frmFileTypes form(nullptr);
    ListItemsModel& rows = form.lvwFileTypes->ListItems();
    QAbstractItemModelTester tester(&rows, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QCOMPARE(rows.count(), Types.size());
    const QStringList current{QStringLiteral("pngfile"), QStringLiteral("gone-away"),
                              QStringLiteral("txtfile"), QStringLiteral("pngfile"),
                              QStringLiteral("TXTFILE")};
    form.setCurrentTypes(current);
    QCOMPARE(form.CurrentTypes(), current);
    QStringList expected = Types;
    expected.removeAll(QStringLiteral("pngfile"));
    expected.removeAll(QStringLiteral("txtfile"));
    QStringList keys = Keys(rows);
    keys.sort();
    expected.sort();
    QCOMPARE(keys, expected);
    for (int row = 0; row < rows.count(); ++row) {
        QVERIFY(!rows.item(row).checked);
    }

    form.setCurrentTypes({});
    QCOMPARE(rows.count(), expected.size());
}

void TestFrmFileTypes::everyTypeAlreadyThereLeavesAnEmptyList() {
    frmFileTypes form(nullptr);
    form.setCurrentTypes(Types);
    QCOMPARE(form.lvwFileTypes->ListItems().count(), 0);
    QVERIFY(ShowActive(form));
    form.cmdOk->click();
    QVERIFY(form.isHidden());
    QCOMPARE(form.Cancelled(), false);
}

void TestFrmFileTypes::okWithNothingTicked() {
    frmFileTypes form(nullptr);
    QTimer::singleShot(0, &form, [&form] { form.cmdOk->click(); });
    QCOMPARE(form.exec(), int(QDialog::Accepted));
    QCOMPARE(form.Cancelled(), false);
    QVERIFY(form.lvwFileTypes->ListItems().checkedKeys().isEmpty());
}

void TestFrmFileTypes::ticksReadBackInListOrder() {
    frmFileTypes form(nullptr);
    ListItemsModel& rows = form.lvwFileTypes->ListItems();
    const int last = rows.count() - 1;
    rows.setData(rows.index(last), Qt::Checked, Qt::CheckStateRole);
    rows.setData(rows.index(0), Qt::Checked, Qt::CheckStateRole);
    QVERIFY(ShowActive(form));
    form.cmdOk->click();
    QCOMPARE(form.Cancelled(), false);
    QCOMPARE(rows.checkedKeys(), (QStringList{rows.item(0).key, rows.item(last).key}));
}

void TestFrmFileTypes::spaceTicksTheCurrentRow() {
    frmFileTypes form(nullptr);
    QVERIFY(ShowActive(form));
    QCOMPARE(QApplication::focusWidget(), form.lvwFileTypes);
    ListItemsModel& rows = form.lvwFileTypes->ListItems();
    form.lvwFileTypes->setCurrentIndex(rows.index(1));
    QTest::keyClick(form.lvwFileTypes, Qt::Key_Space);
    QCOMPARE(rows.checkedKeys(), QStringList{rows.item(1).key});
}

void TestFrmFileTypes::enterIsOkAndEscapeIsCancel() {
    frmFileTypes form(nullptr);
    QVERIFY(ShowActive(form));
    QTest::keyClick(form.lvwFileTypes, Qt::Key_Return);
    QVERIFY(form.isHidden());
    QCOMPARE(form.Cancelled(), false);

    QVERIFY(ShowActive(form));
    QTest::keyClick(form.lvwFileTypes, Qt::Key_Escape);
    QVERIFY(form.isHidden());
    QCOMPARE(form.Cancelled(), true);
}

void TestFrmFileTypes::cancelAndTitleBarCloseAfterTicking() {
    frmFileTypes cancelled(nullptr);
    cancelled.lvwFileTypes->ListItems().setChecked(0, true);
    QTimer::singleShot(0, &cancelled, [&cancelled] { cancelled.cmdCancel->click(); });
    QCOMPARE(cancelled.exec(), int(QDialog::Rejected));
    QCOMPARE(cancelled.Cancelled(), true);

    frmFileTypes closed(nullptr);
    closed.lvwFileTypes->ListItems().setChecked(0, true);
    QTimer::singleShot(0, &closed, [&closed] { closed.close(); });
    closed.exec();
    QVERIFY(closed.isHidden());
    QCOMPARE(closed.Cancelled(), true);
}

void TestFrmFileTypes::firstDisplayLaysTheControlsOut() {
    frmFileTypes form(nullptr);
    QVERIFY(ShowActive(form));
    // The six statements tie the controls to the window's right and bottom
    // edges, so that they stand in these relations whatever its size.
    const ListView* list = form.lvwFileTypes;
    QVERIFY(qAbs(LeftOf(list) - 60) <= OnePixel);
    QVERIFY(qAbs(TopOf(list) - 420) <= OnePixel);
    QCOMPARE(form.cmdCancel->y(), form.cmdOk->y());
    QVERIFY(qAbs(LeftOf(form.cmdCancel) - LeftOf(form.cmdOk) - 1140) <= OnePixel);
    const double listRight = LeftOf(list) + WidthOf(list);
    QVERIFY(qAbs(LeftOf(form.cmdCancel) + 1065 - listRight - 25) <= 2 * OnePixel);
    const double listBottom = TopOf(list) + HeightOf(list);
    QVERIFY(qAbs(TopOf(form.cmdOk) - listBottom - 30) <= 2 * OnePixel);
}

void TestFrmFileTypes::resizeMovesAndGrowsByTheSameAmount() {
    frmFileTypes form(nullptr);
    QVERIFY(ShowActive(form));
    const QRect list = form.lvwFileTypes->geometry();
    const QPoint ok = form.cmdOk->pos();
    const QPoint cancel = form.cmdCancel->pos();
    const QPoint label = form.Label2->pos();

    const int step = Twips::ToPixels(1000);
    form.resize(form.width() + step, form.height() + step);
    QVERIFY(QTest::qWaitFor([&] { return form.lvwFileTypes->width() != list.width(); }));

    const auto grew = [](int before, int after) { return Twips::FromPixels(after - before); };
    QVERIFY(qAbs(grew(list.width(), form.lvwFileTypes->width()) - 1000) <= OnePixel);
    QVERIFY(qAbs(grew(list.height(), form.lvwFileTypes->height()) - 1000) <= OnePixel);
    QCOMPARE(form.lvwFileTypes->pos(), list.topLeft());
    QVERIFY(qAbs(grew(ok.x(), form.cmdOk->x()) - 1000) <= OnePixel);
    QVERIFY(qAbs(grew(ok.y(), form.cmdOk->y()) - 1000) <= OnePixel);
    QVERIFY(qAbs(grew(cancel.x(), form.cmdCancel->x()) - 1000) <= OnePixel);
    QVERIFY(qAbs(grew(cancel.y(), form.cmdCancel->y()) - 1000) <= OnePixel);
    QCOMPARE(form.Label2->pos(), label);
}

void TestFrmFileTypes::tooSmallKeepsTheListSize() {
    frmFileTypes form(nullptr);
    QVERIFY(ShowActive(form));
    form.resize(300, 200);
    QVERIFY(QTest::qWaitFor([&] { return form.width() == 300; }));
    const QSize listSize = form.lvwFileTypes->size();
    QVERIFY(listSize.width() > 0 && listSize.height() > 0);

    form.resize(2, 2);
    QVERIFY(QTest::qWaitFor([&] { return form.width() == 2; }));
    QCOMPARE(form.lvwFileTypes->size(), listSize);
    QVERIFY(form.cmdOk->x() < 0);
    QVERIFY(form.cmdOk->y() < 0);
    QVERIFY(form.cmdCancel->x() < 0);
    QCOMPARE(form.cmdCancel->y(), form.cmdOk->y());

    // Wide enough again, but still too low: the width follows, the height not.
    form.resize(400, 2);
    QVERIFY(QTest::qWaitFor([&] { return form.width() == 400; }));
    QVERIFY(qAbs(form.lvwFileTypes->width() - listSize.width() - 100) <= 1);
    QCOMPARE(form.lvwFileTypes->height(), listSize.height());
}

QTEST_MAIN(TestFrmFileTypes)
#include "tst_frmFileTypes.moc"

// frmFileTypes as its caller uses it: CurrentTypes removing rows, ticking,
// the ways to leave it, and the layout as the window is resized.
#include "DialogControls.h"
#include "DialogTestSupport.h"
#include "ListItemsModel.h"
#include "ListView.h"
#include "Twips.h"
#include "frmFileTypes.h"

#include <QAbstractItemModelTester>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

using namespace Qt::StringLiterals;
using namespace DialogTestSupport;
using namespace DialogControls;

namespace {

const QStringList Types{u"txtfile"_s, u"batfile"_s, u"pngfile"_s, u"Word.Document.8"_s,
                        u"My Type"_s};

/// One pixel of rounding either way, in twips.
constexpr double OnePixel = 15.0;

} // namespace

class TestFrmFileTypes final : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void designTitleAndColumn();
    void currentTypesRemovesRowsAndSkipsUnknownNames();
    void leave_data();
    void leave();
    void layoutFollowsTheSize();

private:
    QTemporaryDir m_dir;
};

void TestFrmFileTypes::initTestCase() {
    QVERIFY(OpenTestRegistry(m_dir));
    for (const QString& type : Types) {
        AddType(type.toStdString());
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
    QCOMPARE(form.windowTitle(), u"Associate File Types with"_s);
    QCOMPARE(form.lvwFileTypes->header()->sectionSize(0), Twips::ToPixels(6000));
    QCOMPARE(form.lvwFileTypes->model()->headerData(0, Qt::Horizontal).toString(), u"File Type"_s);
    QVERIFY(form.cmdOk->isDefault());
    QVERIFY(form.windowFlags() & Qt::WindowMaximizeButtonHint);
}

void TestFrmFileTypes::currentTypesRemovesRowsAndSkipsUnknownNames() {
    frmFileTypes form(nullptr);
    ListItemsModel& rows = form.lvwFileTypes->ListItems();
    QAbstractItemModelTester tester(&rows, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QCOMPARE(rows.count(), Types.size());
    const QStringList current{u"pngfile"_s, u"gone-away"_s, u"txtfile"_s, u"pngfile"_s,
                              u"TXTFILE"_s};
    form.setCurrentTypes(current);
    QCOMPARE(form.CurrentTypes(), current);
    QStringList expected = Types;
    expected.removeAll(u"pngfile"_s);
    expected.removeAll(u"txtfile"_s);
    QStringList keys;
    for (int row = 0; row < rows.count(); ++row) {
        keys.append(rows.item(row).key);
        QVERIFY(!rows.item(row).checked);
    }
    keys.sort();
    expected.sort();
    QCOMPARE(keys, expected);

    form.setCurrentTypes({});
    QCOMPARE(rows.count(), expected.size());
}

void TestFrmFileTypes::leave_data() {
    QTest::addColumn<QString>("how");
    QTest::addColumn<QList<int>>("ticked"); // rows ticked with Space, in this order
    QTest::addColumn<bool>("cancelled");
    QTest::newRow("OK, nothing ticked") << "OK" << QList<int>{} << false;
    QTest::newRow("OK, two ticked") << "OK" << QList<int>{4, 1} << false;
    QTest::newRow("Enter") << "Enter" << QList<int>{2} << false;
    QTest::newRow("OK on an empty list") << "OK, every type current" << QList<int>{} << false;
    QTest::newRow("Cancel") << "Cancel" << QList<int>{0} << true;
    QTest::newRow("Escape") << "Escape" << QList<int>{0} << true;
    QTest::newRow("close box") << "close box" << QList<int>{0} << true;
}

void TestFrmFileTypes::leave() {
    QFETCH(QString, how);
    QFETCH(QList<int>, ticked);
    QFETCH(bool, cancelled);
    frmFileTypes form(nullptr);
    ListItemsModel& rows = form.lvwFileTypes->ListItems();
    if (how.endsWith(u"current"_s)) {
        form.setCurrentTypes(Types);
        QCOMPARE(rows.count(), 0);
    }
    QStringList keys;
    QWidget* focus = nullptr;
    QTimer::singleShot(0, &form, [&] {
        focus = QTest::qWaitForWindowActive(&form) ? QApplication::focusWidget() : nullptr;
        for (int row : ticked) {
            form.lvwFileTypes->setCurrentIndex(rows.index(row));
            QTest::keyClick(form.lvwFileTypes, Qt::Key_Space);
            keys.append(rows.item(row).key);
        }
        if (how.startsWith(u"OK"_s)) {
            form.cmdOk->click();
        } else if (how == u"Cancel"_s) {
            form.cmdCancel->click();
        } else if (how == u"close box"_s) {
            form.close();
        } else {
            QTest::keyClick(form.lvwFileTypes, how == u"Enter"_s ? Qt::Key_Return : Qt::Key_Escape);
        }
    });
    QCOMPARE(form.exec(), cancelled ? int(QDialog::Rejected) : int(QDialog::Accepted));
    QVERIFY(form.isHidden());
    QCOMPARE(focus, form.lvwFileTypes);
    QCOMPARE(form.Cancelled(), cancelled);
    std::sort(ticked.begin(), ticked.end());
    QStringList inListOrder;
    for (int row : ticked) {
        inListOrder.append(rows.item(row).key);
    }
    QCOMPARE(rows.checkedKeys(), inListOrder);
    QCOMPARE(keys.size(), ticked.size());
}

void TestFrmFileTypes::layoutFollowsTheSize() {
    frmFileTypes form(nullptr);
    QVERIFY(ShowActive(form));
    const auto near = [](double twips, double expected, double pixels = 1) {
        return qAbs(twips - expected) <= pixels * OnePixel;
    };
    // The controls stand in these relations to the window's right and bottom edges.
    const ListView* list = form.lvwFileTypes;
    QVERIFY(near(LeftOf(list), 60) && near(TopOf(list), 420));
    QCOMPARE(form.cmdCancel->y(), form.cmdOk->y());
    QVERIFY(near(LeftOf(form.cmdCancel) - LeftOf(form.cmdOk), 1140));
    QVERIFY(near(LeftOf(form.cmdCancel) + 1065, LeftOf(list) + WidthOf(list) + 25, 2));
    QVERIFY(near(TopOf(form.cmdOk), TopOf(list) + HeightOf(list) + 30, 2));

    // 1000 twips larger: the list grows and the buttons move by as much.
    const QRect before = list->geometry();
    const QPoint ok = form.cmdOk->pos();
    const QPoint cancel = form.cmdCancel->pos();
    const QPoint label = form.Label2->pos();
    const int step = Twips::ToPixels(1000);
    form.resize(form.width() + step, form.height() + step);
    QVERIFY(QTest::qWaitFor([&] { return list->width() != before.width(); }));
    const auto moved = [&](int from, int to) { return near(Twips::FromPixels(to - from), 1000); };
    QVERIFY(moved(before.width(), list->width()) && moved(before.height(), list->height()));
    QVERIFY(moved(ok.x(), form.cmdOk->x()) && moved(ok.y(), form.cmdOk->y()));
    QVERIFY(moved(cancel.x(), form.cmdCancel->x()) && moved(cancel.y(), form.cmdCancel->y()));
    QCOMPARE(list->pos(), before.topLeft());
    QCOMPARE(form.Label2->pos(), label);

    // Too small: the list keeps its size, the buttons go off the window; wide
    // enough again but still too low, the width follows and the height not.
    form.resize(300, 200);
    QVERIFY(QTest::qWaitFor([&] { return form.width() == 300; }));
    const QSize small = list->size();
    QVERIFY(small.width() > 0 && small.height() > 0);
    form.resize(2, 2);
    QVERIFY(QTest::qWaitFor([&] { return form.width() == 2; }));
    QCOMPARE(list->size(), small);
    QVERIFY(form.cmdOk->x() < 0 && form.cmdOk->y() < 0 && form.cmdCancel->x() < 0);
    QCOMPARE(form.cmdCancel->y(), form.cmdOk->y());
    form.resize(400, 2);
    QVERIFY(QTest::qWaitFor([&] { return form.width() == 400; }));
    QVERIFY(qAbs(list->width() - small.width() - 100) <= 1);
    QCOMPARE(list->height(), small.height());
}

QTEST_MAIN(TestFrmFileTypes)
#include "tst_frmFileTypes.moc"

// The rows of a list view with check boxes: the model checked by Qt's own
// model tester while rows are added in bulk, ticked and removed by key.
#include "ListItemsModel.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QTest>

class TestListItemsModel final : public QObject {
    Q_OBJECT

private slots:
    void bulkAppendIsOneInsertion();
    void ticksAndCheckedKeys();
    void removeByExactKey();
};

namespace {

std::vector<ListItem> ThreeRows() {
    return {{QStringLiteral("txtfile"), QStringLiteral("txt file"), QStringLiteral("File")},
            {QStringLiteral("Word.Document.8"), QStringLiteral("Word.Document.8"),
             QStringLiteral("FileType")},
            {QStringLiteral(".png"), QStringLiteral(".png"), QStringLiteral("FileType")}};
}

} // namespace

void TestListItemsModel::bulkAppendIsOneInsertion() {
    ListItemsModel model(nullptr);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    model.append(ThreeRows());
    model.append({});
    model.append({{QStringLiteral("batfile"), QStringLiteral("bat file"), QStringLiteral("File")}});
    QCOMPARE(inserted.size(), 2);
    QCOMPARE(model.count(), 4);
    QCOMPARE(model.item(3).key, QStringLiteral("batfile"));
    QCOMPARE(model.data(model.index(0)).toString(), QStringLiteral("txt file"));
}

void TestListItemsModel::ticksAndCheckedKeys() {
    ListItemsModel model(nullptr);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    model.append(ThreeRows());
    QCOMPARE(model.data(model.index(1), Qt::CheckStateRole).value<Qt::CheckState>(), Qt::Unchecked);
    QVERIFY(model.flags(model.index(1)) & Qt::ItemIsUserCheckable);
    QVERIFY(model.setData(model.index(2), Qt::Checked, Qt::CheckStateRole));
    QVERIFY(model.setData(model.index(0), Qt::Checked, Qt::CheckStateRole));
    QVERIFY(!model.setData(model.index(1), QStringLiteral("x"), Qt::EditRole));
    QCOMPARE(model.checkedKeys(), (QStringList{QStringLiteral("txtfile"), QStringLiteral(".png")}));
    model.setChecked(0, false);
    QCOMPARE(model.checkedKeys(), QStringList{QStringLiteral(".png")});
}

void TestListItemsModel::removeByExactKey() {
    ListItemsModel model(nullptr);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    model.append(ThreeRows());
    QVERIFY(!model.removeKey(QStringLiteral("TXTFILE")));
    QVERIFY(!model.removeKey(QStringLiteral("txt file")));
    QVERIFY(!model.removeKey(QStringLiteral("nosuchtype")));
    QCOMPARE(model.count(), 3);
    QVERIFY(model.removeKey(QStringLiteral("Word.Document.8")));
    QCOMPARE(model.count(), 2);
    QCOMPARE(model.indexOfKey(QStringLiteral(".png")), 1);
    QVERIFY(!model.removeKey(QStringLiteral("Word.Document.8")));
}

QTEST_MAIN(TestListItemsModel)
#include "tst_ListItemsModel.moc"

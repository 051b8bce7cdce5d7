// The rows of a list view with check boxes, checked by Qt's own model tester
// while rows are added in bulk, ticked and removed by key.
#include "ListItemsModel.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

class TestListItemsModel final : public QObject {
    Q_OBJECT

private slots:
    void appendTickAndRemove();
};

void TestListItemsModel::appendTickAndRemove() {
    ListItemsModel model(nullptr);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    model.append({{u"txtfile"_s, u"txt file"_s, u"File"_s},
                  {u"Word.8"_s, u"Word.8"_s, u"FileType"_s},
                  {u".png"_s, u".png"_s, u"FileType"_s}});
    model.append({});
    model.append({{u"batfile"_s, u"bat file"_s, u"File"_s}});
    QCOMPARE(inserted.size(), 2);
    QCOMPARE(model.count(), 4);
    QCOMPARE(model.data(model.index(0)).toString(), u"txt file"_s);

    QCOMPARE(model.data(model.index(1), Qt::CheckStateRole).value<Qt::CheckState>(), Qt::Unchecked);
    QVERIFY(model.flags(model.index(1)) & Qt::ItemIsUserCheckable);
    QVERIFY(model.setData(model.index(2), Qt::Checked, Qt::CheckStateRole));
    QVERIFY(model.setData(model.index(0), Qt::Checked, Qt::CheckStateRole));
    QVERIFY(!model.setData(model.index(1), u"x"_s, Qt::EditRole));
    QCOMPARE(model.checkedKeys(), (QStringList{u"txtfile"_s, u".png"_s}));
    model.setChecked(0, false);
    QCOMPARE(model.checkedKeys(), QStringList{u".png"_s});

    // Removed by the exact key only.
    for (const char* key : {"TXTFILE", "txt file", "nosuchtype"}) {
        QVERIFY2(!model.removeKey(QString::fromLatin1(key)), key);
    }
    QVERIFY(model.removeKey(u"Word.8"_s));
    QVERIFY(!model.removeKey(u"Word.8"_s));
    QCOMPARE(model.count(), 3);
    QCOMPARE(model.indexOfKey(u".png"_s), 1);
}

QTEST_MAIN(TestListItemsModel)
#include "tst_ListItemsModel.moc"

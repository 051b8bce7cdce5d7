// The main window's layout arithmetic, in twips, without a window.
#include "modLayout.h"

#include <QTest>

using modLayout::Box;
using modLayout::PanelBoxes;

class TestModLayout final : public QObject {
    Q_OBJECT

private slots:
    void windowAtTheFloor();
    void splitterClampedOnRelease_data();
    void splitterClampedOnRelease();
    void geometryForAWideWindow();
    void narrowingPushesTheSplitter();
    void tinyHeightsKeepPreviousHeights();
    void fillsNeverGoNegative();
};

void TestModLayout::windowAtTheFloor() {
    PanelBoxes boxes = modLayout::DesignBoxes();
    double x = modLayout::StartSplitter;
    modLayout::LayoutPanels(boxes, x, 3000, 6000);
    QCOMPARE(x, 1500.0);
    QCOMPARE(boxes.picPanelLeft, (Box{20, 440, 1500, 4600}));
    QCOMPARE(boxes.imgSplitter.left, 1500.0);
    QCOMPARE(boxes.picPanelTopRight, (Box{1580, 440, 1250, 4600}));
}

void TestModLayout::splitterClampedOnRelease_data() {
    QTest::addColumn<double>("W");
    QTest::addColumn<double>("released");
    QTest::addColumn<double>("landed");
    QTest::newRow("1200 lands on 1500") << 9000.0 << 1200.0 << 1500.0;
    QTest::newRow("W - 1200 lands on W - 1500") << 9000.0 << 7800.0 << 7500.0;
    QTest::newRow("inside stays") << 9000.0 << 4321.5 << 4321.5;
    QTest::newRow("bounds conflict: upper wins") << 2000.0 << 1000.0 << 500.0;
}

void TestModLayout::splitterClampedOnRelease() {
    QFETCH(double, W);
    QFETCH(double, released);
    QFETCH(double, landed);
    PanelBoxes boxes = modLayout::DesignBoxes();
    double x = released;
    modLayout::LayoutPanels(boxes, x, W, 6000);
    QCOMPARE(x, landed);
    QCOMPARE(boxes.imgSplitter.left, landed);
    QCOMPARE(boxes.picPanelLeft.width, landed);
    QCOMPARE(boxes.picPanelTopRight.left, landed + 80);
}

void TestModLayout::geometryForAWideWindow() {
    PanelBoxes boxes = modLayout::DesignBoxes();
    double x = 3000;
    modLayout::LayoutPanels(boxes, x, 12000, 7000);
    // Left panel 20 .. x + 20, right panel x + 80 .. W - 170, both 440 .. H - 960.
    QCOMPARE(boxes.picPanelLeft.left + boxes.picPanelLeft.width, 3020.0);
    QCOMPARE(boxes.picPanelTopRight.left, 3080.0);
    QCOMPARE(boxes.picPanelTopRight.left + boxes.picPanelTopRight.width, 12000.0 - 170);
    QCOMPARE(boxes.picPanelLeft.top + boxes.picPanelLeft.height, 7000.0 - 960);
    QCOMPARE(boxes.picPanelTopRight.top + boxes.picPanelTopRight.height, 7000.0 - 960);
    QCOMPARE(boxes.imgSplitter, (Box{3000, 440, 150, 5590}));
    QCOMPARE(boxes.picSplitter.top, 440.0);
    QCOMPARE(boxes.picSplitter.height, 5590.0);
}

void TestModLayout::narrowingPushesTheSplitter() {
    PanelBoxes boxes = modLayout::DesignBoxes();
    double x = 5000;
    modLayout::LayoutPanels(boxes, x, 12000, 7000);
    QCOMPARE(x, 5000.0);
    x = boxes.imgSplitter.left;
    modLayout::LayoutPanels(boxes, x, 6000, 7000);
    QCOMPARE(x, 4500.0);
    x = boxes.imgSplitter.left;
    modLayout::LayoutPanels(boxes, x, 14000, 7000);
    QCOMPARE(x, 4500.0); // widening keeps it where it was
    QCOMPARE(boxes.picPanelTopRight.width, 14000.0 - 4500 - 250);
}

void TestModLayout::tinyHeightsKeepPreviousHeights() {
    PanelBoxes boxes = modLayout::DesignBoxes();
    double x = 3000;
    modLayout::LayoutPanels(boxes, x, 9000, 5000);
    QCOMPARE(boxes.picPanelLeft.height, 3600.0);

    // H - 1400 between 0 and 10: the panels take it, the splitter keeps its height.
    modLayout::LayoutPanels(boxes, x, 9000, 1405);
    QCOMPARE(boxes.picPanelLeft.height, 5.0);
    QCOMPARE(boxes.picPanelTopRight.height, 5.0);
    QCOMPARE(boxes.imgSplitter.height, 3590.0);
    QCOMPARE(boxes.picSplitter.height, 3590.0);

    // H - 1400 negative: every height is refused and stays.
    modLayout::LayoutPanels(boxes, x, 9000, 900);
    QCOMPARE(boxes.picPanelLeft.height, 5.0);
    QCOMPARE(boxes.picPanelTopRight.height, 5.0);
    QCOMPARE(boxes.imgSplitter.height, 3590.0);
    // The rest of the layout still ran.
    QCOMPARE(boxes.picPanelTopRight.width, 9000.0 - 3000 - 250);
}

void TestModLayout::fillsNeverGoNegative() {
    QCOMPARE(modLayout::FillBox(Box{20, 440, 3000, 4000}), (Box{0, 0, 2950, 3950}));
    QCOMPARE(modLayout::FillBox(Box{20, 440, 3000, 30}), (Box{0, 0, 2950, 0}));
    QCOMPARE(modLayout::FillBox(Box{20, 440, 10, 0}), (Box{0, 0, 0, 0}));
    QCOMPARE(modLayout::SplitterBarAtMouseDown(Box{2000, 440, 150, 4000}),
             (Box{2000, 440, 20, 3980}));
    QCOMPARE(modLayout::SplitterBarAtMouseDown(Box{2000, 440, 150, 5}).height, 0.0);
}

QTEST_APPLESS_MAIN(TestModLayout)
#include "TestModLayout.moc"

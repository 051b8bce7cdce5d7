// The main window's layout on a real window: the width floor, the panels and
// their contents, and the splitter drag with its bounds and its clamp.
#include "GuiTestSupport.h"
#include "frmMain.h"

#include "MessageBox.h"
#include "TreeView.h"
#include "Twips.h"
#include "modFunctions.h"

#include <QApplication>
#include <QMouseEvent>
#include <QScreen>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;
using namespace GuiTestSupport;
using modLayout::Box;

class TestFrmMainLayout final : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void startsWithTheSplitterAt3000();
    void narrowWindowSpringsBackTo3000();
    void dragStaysWithinItsBoundsAndClampsOnRelease();
    void onlyTheStripBetweenThePanelsGrabs();
    void tinyHeightsNeverFail();
    void centreFormKeepsTheWindowOnTheScreen_data();
    void centreFormKeepsTheWindowOnTheScreen();

private:
    void resizeTo(int width, int height);
    void mouse(QEvent::Type type, double xTwips);
    void verifyFills() const;
    static void verifyPlaced(const QWidget* widget, const Box& box);

    std::unique_ptr<TempProfile> m_store;
    std::unique_ptr<frmMain> m_form;
};

void TestFrmMainLayout::init() {
    MessageBox::clearHistory();
    m_store = std::make_unique<TempProfile>();
    QVERIFY(m_store->ok());
    m_form = std::make_unique<frmMain>();
    QVERIFY(m_form->Form_Load());
    QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
}

void TestFrmMainLayout::cleanup() {
    m_form.reset();
    m_store.reset();
}

void TestFrmMainLayout::resizeTo(int width, int height) {
    m_form->resize(width, height);
    QCoreApplication::processEvents();
}

/// A mouse event on the splitter, xTwips from its left edge.
void TestFrmMainLayout::mouse(QEvent::Type type, double xTwips) {
    QWidget* splitter = m_form->controls().imgSplitter;
    const QPointF at(Twips::ToPixels(xTwips), 10);
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    const Qt::MouseButtons held =
        type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, at, splitter->mapToGlobal(at), button, held, Qt::NoModifier);
    QApplication::sendEvent(splitter, &event);
}

void TestFrmMainLayout::verifyPlaced(const QWidget* widget, const Box& box) {
    QCOMPARE(widget->geometry(), Twips::ToPixels(box.left, box.top, box.width, box.height));
}

void TestFrmMainLayout::verifyFills() const {
    const frmMainControls& ui = m_form->controls();
    const modLayout::PanelBoxes& boxes = m_form->PanelBoxes();
    verifyPlaced(ui.picPanelLeft, boxes.picPanelLeft);
    verifyPlaced(ui.picPanelTopRight, boxes.picPanelTopRight);
    verifyPlaced(ui.imgSplitter, boxes.imgSplitter);
    verifyPlaced(ui.treApplications, modLayout::FillBox(boxes.picPanelLeft));
    for (const QWidget* panel : {ui.picAppDetails, ui.picFileTypeDetails, ui.picBlank}) {
        verifyPlaced(panel, modLayout::FillBox(boxes.picPanelTopRight));
    }
}

void TestFrmMainLayout::startsWithTheSplitterAt3000() {
    const modLayout::PanelBoxes& boxes = m_form->PanelBoxes();
    const double W = m_form->OuterWidth();
    const double H = m_form->OuterHeight();
    QVERIFY(W > 4500);
    QCOMPARE(boxes.imgSplitter.left, 3000.0);
    QCOMPARE(boxes.picPanelLeft, (Box{20, 440, 3000, H - 1400}));
    QCOMPARE(boxes.picPanelTopRight.left, 3080.0);
    QCOMPARE(boxes.picPanelTopRight.left + boxes.picPanelTopRight.width, W - 170);
    QVERIFY(!m_form->controls().picSplitter->isVisible());
    verifyFills();

    // Resized, only the right edge moves.
    resizeTo(m_form->width() + 200, m_form->height() + 50);
    QCOMPARE(boxes.imgSplitter.left, 3000.0);
    QCOMPARE(boxes.picPanelTopRight.left + boxes.picPanelTopRight.width,
             m_form->OuterWidth() - 170);
    QCOMPARE(boxes.picPanelLeft.height, m_form->OuterHeight() - 1400);
    verifyFills();

    // Narrowed until the splitter is beyond W - 1500: it follows W - 1500.
    resizeTo(Twips::ToPixels(4000), m_form->height());
    QCOMPARE(boxes.imgSplitter.left, m_form->OuterWidth() - 1500);
    verifyFills();
}

void TestFrmMainLayout::narrowWindowSpringsBackTo3000() {
    resizeTo(20, m_form->height());
    QTRY_VERIFY(m_form->OuterWidth() >= 3000);
    QVERIFY(m_form->OuterWidth() < 3000 + Twips::FromPixels(1));
    QCOMPARE(m_form->PanelBoxes().imgSplitter.left, 1500.0);
    verifyFills();
}

void TestFrmMainLayout::dragStaysWithinItsBoundsAndClampsOnRelease() {
    const frmMainControls& ui = m_form->controls();
    const modLayout::PanelBoxes& boxes = m_form->PanelBoxes();
    const double W = m_form->OuterWidth();
    const Box before = boxes.picPanelLeft;

    // A click without a move changes nothing.
    mouse(QEvent::MouseButtonPress, 50);
    mouse(QEvent::MouseButtonRelease, 50);
    QCOMPARE(boxes.picPanelLeft, before);
    QCOMPARE(boxes.imgSplitter.left, 3000.0);

    mouse(QEvent::MouseButtonPress, 50);
    QVERIFY(m_form->SplitterDragging());
    QVERIFY(ui.picSplitter->isVisible());
    QCOMPARE(boxes.picSplitter, (Box{3000, 440, 20, boxes.imgSplitter.height - 20}));
    mouse(QEvent::MouseMove, 1050); // between the bounds: the bar follows the mouse
    QCOMPARE(boxes.picSplitter.left, 4050.0);

    mouse(QEvent::MouseMove, -5000); // far to the left
    QCOMPARE(boxes.picSplitter.left, 1000.0);
    mouse(QEvent::MouseMove, 40000); // far to the right
    QCOMPARE(boxes.picSplitter.left, W - 1000);
    verifyPlaced(ui.picSplitter, boxes.picSplitter);
    QCOMPARE(boxes.picPanelLeft, before); // only the bar moves while dragging

    mouse(QEvent::MouseButtonRelease, 40000);
    QVERIFY(!m_form->SplitterDragging());
    QVERIFY(!ui.picSplitter->isVisible());
    QCOMPARE(boxes.imgSplitter.left, W - 1500);
    verifyFills();

    // Moves without a press do nothing.
    mouse(QEvent::MouseMove, -5000);
    QCOMPARE(boxes.picSplitter.left, W - 1000);

    // Dropped between the bounds, the splitter stays where it was dropped.
    mouse(QEvent::MouseButtonPress, 50);
    mouse(QEvent::MouseMove, 2100 - boxes.imgSplitter.left);
    mouse(QEvent::MouseButtonRelease, 2100 - boxes.imgSplitter.left);
    QCOMPARE(boxes.imgSplitter.left, 2100.0);
    verifyFills();
}

void TestFrmMainLayout::onlyTheStripBetweenThePanelsGrabs() {
    const frmMainControls& ui = m_form->controls();
    QWidget* client = m_form->centralWidget();
    const int y = Twips::ToPixels(1500);
    const auto at = [&](double x) { return client->childAt(Twips::ToPixels(x), y); };
    const double x = m_form->PanelBoxes().imgSplitter.left;
    QCOMPARE(at(x + 50), ui.imgSplitter);
    QVERIFY(ui.picPanelLeft->isAncestorOf(at(x - 100)));
    QVERIFY(at(x + 120) == ui.picPanelTopRight || ui.picPanelTopRight->isAncestorOf(at(x + 120)));
    QCOMPARE(ui.imgSplitter->cursor().shape(), Qt::SplitHCursor);
}

void TestFrmMainLayout::tinyHeightsNeverFail() {
    const frmMainControls& ui = m_form->controls();
    const modLayout::PanelBoxes& boxes = m_form->PanelBoxes();
    // H - 1400 between 0 and 50: the panels are that high, their contents 0.
    const int client = m_form->height() - Twips::ToPixels(m_form->OuterHeight() - 1425);
    resizeTo(m_form->width(), client);
    const double H = m_form->OuterHeight();
    QVERIFY2(H >= 1400 && H < 1450, qPrintable(QString::number(H)));
    QCOMPARE(boxes.picPanelLeft.height, H - 1400);
    QCOMPARE(ui.treApplications->height(), 0);
    verifyFills();

    // H - 1400 negative: the heights are refused and stay; nothing fails.
    const double kept = boxes.picPanelLeft.height;
    for (int height : {30, 5, 1}) {
        resizeTo(m_form->width(), height);
        QVERIFY(m_form->OuterHeight() < 1400);
        QCOMPARE(boxes.picPanelLeft.height, kept);
        QCOMPARE(boxes.picPanelTopRight.height, kept);
        verifyFills();
    }
    resizeTo(m_form->width(), 500);
    QCOMPARE(boxes.picPanelLeft.height, m_form->OuterHeight() - 1400);
    verifyFills();
}

void TestFrmMainLayout::centreFormKeepsTheWindowOnTheScreen_data() {
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QPoint>("position");
    // On the offscreen platform's screen of 800 x 800 pixels.
    QTest::newRow("fits: centred") << QSize(400, 300) << QPoint(200, 250);
    QTest::newRow("screen-sized") << QSize(800, 800) << QPoint(0, 0);
    QTest::newRow("too wide") << QSize(1000, 300) << QPoint(0, 250);
    QTest::newRow("too high") << QSize(600, 900) << QPoint(100, 0);
    QTest::newRow("too large") << QSize(1184, 900) << QPoint(0, 0);
}

void TestFrmMainLayout::centreFormKeepsTheWindowOnTheScreen() {
    QFETCH(QSize, size);
    QFETCH(QPoint, position);
    QCOMPARE(QGuiApplication::primaryScreen()->availableGeometry(), QRect(0, 0, 800, 800));
    QWidget window;
    window.resize(size);
    modFunctions::CentreForm(&window);
    QCOMPARE(window.frameGeometry().topLeft(), position);
}

QTEST_MAIN(TestFrmMainLayout)
#include "TestFrmMainLayout.moc"

// SelectTextOnFocus: nothing selected for the mouse or the program; for the
// keyboard the whole text, with the caret at the start when the text fits the
// box and at the end when it does not. Then the same through a dialog's boxes.
#include "DialogTestSupport.h"
#include "TextBox.h"
#include "frmNewApplication.h"
#include "modFunctions.h"

#include <QFontMetrics>
#include <QLineEdit>

using namespace Qt::StringLiterals;
using namespace DialogTestSupport;

namespace {

enum class Fit { Narrower, Equal, Wider };

/// Makes the box as wide as its text needs for the given fit.
void SizeBox(QLineEdit& box, Fit fit) {
    const int textWidth = QFontMetrics(box.font()).horizontalAdvance(box.text());
    const int widths[] = {textWidth + 40, textWidth, textWidth / 2};
    box.setFixedWidth(widths[static_cast<int>(fit)]);
}

} // namespace

Q_DECLARE_METATYPE(Fit)

class TestSelectTextOnFocus final : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void outcomes_data();
    void outcomes();
    void measuresInTheBoxsOwnFont();
    void throughTheDialogsBoxes();

private:
    QTemporaryDir m_dir;
};

void TestSelectTextOnFocus::initTestCase() {
    QVERIFY(OpenTestRegistry(m_dir));
}

void TestSelectTextOnFocus::cleanupTestCase() {
    tavisk::registry::closeStore();
}

void TestSelectTextOnFocus::outcomes_data() {
    QTest::addColumn<Qt::FocusReason>("reason");
    QTest::addColumn<Fit>("fit");
    QTest::addColumn<bool>("selected");
    QTest::addColumn<bool>("caretAtStart");

    QTest::newRow("tab, fits") << Qt::TabFocusReason << Fit::Narrower << true << true;
    QTest::newRow("backtab, fits") << Qt::BacktabFocusReason << Fit::Narrower << true << true;
    QTest::newRow("access key, fits") << Qt::ShortcutFocusReason << Fit::Narrower << true << true;
    QTest::newRow("tab, wider") << Qt::TabFocusReason << Fit::Wider << true << false;
    QTest::newRow("tab, just as wide") << Qt::TabFocusReason << Fit::Equal << true << false;
    QTest::newRow("mouse") << Qt::MouseFocusReason << Fit::Narrower << false << false;
    QTest::newRow("program") << Qt::OtherFocusReason << Fit::Wider << false << false;
    QTest::newRow("window") << Qt::ActiveWindowFocusReason << Fit::Narrower << false << false;
}

void TestSelectTextOnFocus::outcomes() {
    QFETCH(Qt::FocusReason, reason);
    QFETCH(Fit, fit);
    QFETCH(bool, selected);
    QFETCH(bool, caretAtStart);

    QWidget form;
    QLineEdit box(u"/usr/local/bin/editor"_s, &form);
    SizeBox(box, fit);
    box.setSelection(3, 4);
    modFunctions::SelectTextOnFocus(&form, &box, reason);

    if (!selected) {
        QVERIFY(!box.hasSelectedText());
        return;
    }
    QCOMPARE(box.selectedText(), box.text());
    QCOMPARE(box.cursorPosition(), caretAtStart ? 0 : int(box.text().size()));
}

void TestSelectTextOnFocus::measuresInTheBoxsOwnFont() {
    QWidget form;
    QFont small = form.font();
    small.setPixelSize(8);
    form.setFont(small);
    QLineEdit box(u"A caption of some length"_s, &form);
    const int smallWidth = QFontMetrics(small).horizontalAdvance(box.text());
    box.setFixedWidth(smallWidth + 10);

    modFunctions::SelectTextOnFocus(&form, &box, Qt::TabFocusReason);
    QCOMPARE(box.cursorPosition(), 0); // fits in the form's font, which the box uses

    QFont large = small;
    large.setPixelSize(24);
    box.setFont(large);
    modFunctions::SelectTextOnFocus(&form, &box, Qt::TabFocusReason);
    QCOMPARE(box.selectedText(), box.text());
    QCOMPARE(box.cursorPosition(), int(box.text().size())); // wider in its own font
}

void TestSelectTextOnFocus::throughTheDialogsBoxes() {
    // Shown: nothing selected. Tab into a short path: all, the caret at the
    // start; Shift+Tab into a long caption: all, the caret at the end.
    frmNewApplication form;
    form.txtName->setText(QString(50, u'W'));
    form.txtPath->setText(u"/bin/ed"_s);
    QVERIFY(ShowActive(form));
    QCOMPARE(QApplication::focusWidget(), form.txtName);
    QVERIFY(!form.txtName->hasSelectedText());
    QTest::keyClick(form.txtName, Qt::Key_Tab);
    QCOMPARE(form.txtPath->selectedText(), u"/bin/ed"_s);
    QCOMPARE(form.txtPath->cursorPosition(), 0);
    QTest::keyClick(form.txtPath, Qt::Key_Backtab);
    QCOMPARE(form.txtName->selectedText(), QString(50, u'W'));
    QCOMPARE(form.txtName->cursorPosition(), 50);
    QTest::mouseClick(form.txtPath, Qt::LeftButton, Qt::NoModifier, QPoint(4, 5));
    QCOMPARE(QApplication::focusWidget(), form.txtPath);
    QVERIFY(!form.txtPath->hasSelectedText());
}

QTEST_MAIN(TestSelectTextOnFocus)
#include "tst_SelectTextOnFocus.moc"

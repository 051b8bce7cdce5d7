// frmRenameApp: the caption check, the caret and the centring on activation,
// Enter, Esc, the title-bar close and the tab order.
#include "DialogTestSupport.h"
#include "TextBox.h"
#include "frmRenameApp.h"

#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

using namespace DialogTestSupport;

namespace {

/// Distance between the window's centre and the screen's, in pixels.
int OffCentre(const QWidget& window) {
    const QPoint screen = QGuiApplication::primaryScreen()->geometry().center();
    return (window.frameGeometry().center() - screen).manhattanLength();
}

} // namespace

class TestFrmRenameApp final : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanupTestCase();
    void okCheck_data();
    void okCheck();
    void activationPutsTheCaretAfterTheCaption();
    void everyActivationCentresTheDialog();
    void enterAndEscape();
    void titleBarCloseReportsCancel();
    void tabOrder();

private:
    QTemporaryDir m_dir;
};

void TestFrmRenameApp::initTestCase() {
    QVERIFY(OpenTestRegistry(m_dir));
}

void TestFrmRenameApp::init() {
    ResetPrompts();
}

void TestFrmRenameApp::cleanupTestCase() {
    tavisk::registry::closeStore();
}

void TestFrmRenameApp::okCheck_data() {
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("message"); // empty: the check passes

    QTest::newRow("empty") << ""
                           << "Please give this application a menu caption.";
    QTest::newRow("blanks") << "    "
                            << "Please give this application a menu caption.";
    QTest::newRow("backslash") << "Edit\\Now"
                               << "A menu caption cannot contain a backslash (\\).";
    QTest::newRow("blanks kept") << " New caption  "
                                 << "";
}

void TestFrmRenameApp::okCheck() {
    QFETCH(QString, caption);
    QFETCH(QString, message);

    frmRenameApp form;
    QVERIFY(ShowActive(form));
    form.txtCaption->setText(caption);
    form.cmdOk->setFocus();
    if (!message.isEmpty()) {
        MessageBox::setNextAnswer(MessageBox::Answer::Ok);
    }
    form.cmdOk->click();

    if (message.isEmpty()) {
        QVERIFY(MessageBox::history().isEmpty());
        QVERIFY(form.isHidden());
        QCOMPARE(form.Cancelled(), false);
        QCOMPARE(form.txtCaption->text(), caption);
        return;
    }
    QCOMPARE(MessageBox::history().size(), 1);
    QCOMPARE(MessageBox::history().first().text, message);
    QCOMPARE(MessageBox::history().first().icon, MessageBox::Icon::Exclamation);
    QCOMPARE(MessageBox::history().first().buttons, MessageBox::Buttons::Ok);
    QVERIFY(form.isVisible());
    QCOMPARE(form.Cancelled(), false);
    QCOMPARE(QApplication::focusWidget(), form.txtCaption);
}

void TestFrmRenameApp::activationPutsTheCaretAfterTheCaption() {
    frmRenameApp form;
    form.txtCaption->setText(QStringLiteral("Open with editor"));
    form.lblAppName->setText(QStringLiteral("/usr/bin/editor "));
    QVERIFY(ShowActive(form));
    QCOMPARE(QApplication::focusWidget(), form.txtCaption);
    QCOMPARE(form.txtCaption->cursorPosition(), 16);
    QVERIFY(!form.txtCaption->hasSelectedText());
    QCOMPARE(form.lblAppName->text(), QStringLiteral("/usr/bin/editor "));
}

void TestFrmRenameApp::everyActivationCentresTheDialog() {
    frmRenameApp form;
    QVERIFY(ShowActive(form));
    QVERIFY(OffCentre(form) <= 2);

    form.move(5, 5);
    QVERIFY(OffCentre(form) > 20);
    QWidget other;
    other.resize(100, 100);
    QVERIFY(ShowActive(other));
    form.txtCaption->setText(QStringLiteral("Caption"));
    form.txtCaption->selectAll();
    QVERIFY(ShowActive(form));
    QVERIFY(OffCentre(form) <= 2);
    QCOMPARE(form.txtCaption->cursorPosition(), 7);
    QVERIFY(!form.txtCaption->hasSelectedText());
}

void TestFrmRenameApp::enterAndEscape() {
    frmRenameApp form;
    form.txtCaption->setText(QStringLiteral("Old"));
    QVERIFY(ShowActive(form));
    QTest::keyClicks(form.txtCaption, QStringLiteral(" and new"));
    QTest::keyClick(form.txtCaption, Qt::Key_Return);
    QVERIFY(form.isHidden());
    QCOMPARE(form.Cancelled(), false);
    QCOMPARE(form.txtCaption->text(), QStringLiteral("Old and new"));

    QVERIFY(ShowActive(form));
    QTest::keyClick(form.txtCaption, Qt::Key_Escape);
    QVERIFY(form.isHidden());
    QCOMPARE(form.Cancelled(), true);
}

void TestFrmRenameApp::titleBarCloseReportsCancel() {
    frmRenameApp form;
    form.txtCaption->setText(QString()); // would fail the check
    QTimer::singleShot(0, &form, [&form] { form.close(); });
    QCOMPARE(form.exec(), int(QDialog::Rejected));
    QCOMPARE(form.Cancelled(), true);
    QVERIFY(MessageBox::history().isEmpty());
}

void TestFrmRenameApp::tabOrder() {
    frmRenameApp form;
    QVERIFY(ShowActive(form));
    const QList<QWidget*> expected{form.cmdOk, form.cmdCancel, form.txtCaption};
    for (QWidget* next : expected) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), next);
    }
}

QTEST_MAIN(TestFrmRenameApp)
#include "tst_frmRenameApp.moc"

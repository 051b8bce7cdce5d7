// frmChangeExe: the path check, the caret on activation, centring once at
// load, the browse button, Enter, Esc, the title-bar close and the tab order.
#include "DialogTestSupport.h"
#include "TextBox.h"
#include "frmChangeExe.h"

#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

using namespace DialogTestSupport;

class TestFrmChangeExe final : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanupTestCase();
    void okCheck_data();
    void okCheck();
    void activationPutsTheCaretAfterThePath();
    void activationDoesNotCentreAgain();
    void browseReplacesThePathOnlyWhenAFileIsChosen();
    void enterEscapeAndClose();
    void tabOrder();

private:
    QTemporaryDir m_dir;
};

void TestFrmChangeExe::initTestCase() {
    QVERIFY(OpenTestRegistry(m_dir));
}

void TestFrmChangeExe::init() {
    ResetPrompts();
}

void TestFrmChangeExe::cleanupTestCase() {
    tavisk::registry::closeStore();
}

void TestFrmChangeExe::okCheck_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("passes");

    QTest::newRow("empty") << "" << false;
    QTest::newRow("blanks accepted") << "  " << true;
    QTest::newRow("path with blanks") << " /opt/my tools/run " << true;
}

void TestFrmChangeExe::okCheck() {
    QFETCH(QString, path);
    QFETCH(bool, passes);

    frmChangeExe form;
    QVERIFY(ShowActive(form));
    form.txtPath->setText(path);
    form.cmdOk->setFocus();
    if (!passes) {
        MessageBox::setNextAnswer(MessageBox::Answer::Ok);
    }
    form.cmdOk->click();

    QCOMPARE(form.isHidden(), passes);
    QCOMPARE(form.txtPath->text(), path);
    if (passes) {
        QVERIFY(MessageBox::history().isEmpty());
        QCOMPARE(form.Cancelled(), false);
        return;
    }
    QCOMPARE(MessageBox::history().size(), 1);
    QCOMPARE(MessageBox::history().first().text,
             QStringLiteral("Please specify a path for this application."));
    QCOMPARE(MessageBox::history().first().icon, MessageBox::Icon::Exclamation);
    QCOMPARE(QApplication::focusWidget(), form.txtPath);
}

void TestFrmChangeExe::activationPutsTheCaretAfterThePath() {
    frmChangeExe form;
    form.txtPath->setText(QStringLiteral("/usr/bin/editor"));
    form.lblAppName->setText(QStringLiteral("Edit"));
    QVERIFY(ShowActive(form));
    QCOMPARE(QApplication::focusWidget(), form.txtPath);
    QCOMPARE(form.txtPath->cursorPosition(), 15);
    QVERIFY(!form.txtPath->hasSelectedText());

    // Again on the next activation, wherever the focus was.
    form.cmdCancel->setFocus();
    QWidget other;
    other.resize(100, 100);
    QVERIFY(ShowActive(other));
    QVERIFY(ShowActive(form));
    QCOMPARE(QApplication::focusWidget(), form.txtPath);
    QCOMPARE(form.txtPath->cursorPosition(), 15);
}

void TestFrmChangeExe::activationDoesNotCentreAgain() {
    frmChangeExe form;
    QVERIFY(ShowActive(form));
    const QPoint screen = QGuiApplication::primaryScreen()->geometry().center();
    // Centred at load, before the window had a frame: off by half the frame.
    QVERIFY((form.frameGeometry().center() - screen).manhattanLength() <= 8);
    form.move(7, 9);
    QWidget other;
    other.resize(100, 100);
    QVERIFY(ShowActive(other));
    QVERIFY(ShowActive(form));
    QCOMPARE(form.pos(), QPoint(7, 9));
}

void TestFrmChangeExe::browseReplacesThePathOnlyWhenAFileIsChosen() {
    frmChangeExe form;
    form.txtPath->setText(QStringLiteral("/usr/bin/old"));
    FileDialog::setNextFileName(QString());
    form.cmdDialog->click();
    QCOMPARE(FileDialog::timesOpened(), 1);
    QCOMPARE(form.txtPath->text(), QStringLiteral("/usr/bin/old"));

    FileDialog::setNextFileName(QStringLiteral("/usr/bin/new"));
    form.cmdDialog->click();
    QCOMPARE(form.txtPath->text(), QStringLiteral("/usr/bin/new"));

    form.txtPath->setText(QStringLiteral("/usr/bin/typed"));
    FileDialog::setNextFileName(QString());
    form.cmdDialog->click();
    QCOMPARE(form.txtPath->text(), QStringLiteral("/usr/bin/typed"));
}

void TestFrmChangeExe::enterEscapeAndClose() {
    frmChangeExe form;
    form.txtPath->setText(QStringLiteral("/bin/x"));
    QVERIFY(ShowActive(form));
    QTest::keyClick(form.txtPath, Qt::Key_Return);
    QVERIFY(form.isHidden());
    QCOMPARE(form.Cancelled(), false);

    QVERIFY(ShowActive(form));
    QTest::keyClick(form.txtPath, Qt::Key_Escape);
    QVERIFY(form.isHidden());
    QCOMPARE(form.Cancelled(), true);

    form.setCancelled(false);
    form.txtPath->clear();
    QTimer::singleShot(0, &form, [&form] { form.close(); });
    form.exec();
    QCOMPARE(form.Cancelled(), true);
    QVERIFY(MessageBox::history().isEmpty());
}

void TestFrmChangeExe::tabOrder() {
    frmChangeExe form;
    QVERIFY(ShowActive(form));
    QCOMPARE(QApplication::focusWidget(), form.txtPath);
    const QList<QWidget*> expected{form.cmdDialog, form.cmdOk, form.cmdCancel, form.txtPath};
    for (QWidget* next : expected) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), next);
    }
}

QTEST_MAIN(TestFrmChangeExe)
#include "tst_frmChangeExe.moc"

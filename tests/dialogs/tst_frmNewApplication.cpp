// frmNewApplication: the OK check in its order, Enter and Esc, the title-bar
// close, the browse button and the tab order.
#include "DialogTestSupport.h"
#include "TextBox.h"
#include "Twips.h"
#include "frmNewApplication.h"

#include <QGroupBox>
#include <QPushButton>
#include <QTimer>

using namespace DialogTestSupport;

class TestFrmNewApplication final : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanupTestCase();
    void okCheck_data();
    void okCheck();
    void enterInEitherBoxRunsTheCheck();
    void escapeCancels();
    void titleBarCloseReportsCancel();
    void modalShowEndsWhenOkHidesTheDialog();
    void maximumLengths();
    void browseCopiesTheNameUnconditionally();
    void tabOrderEndsWithTheBrowseButton();
    void fixedSizeAndFrameRelativePlacement();

private:
    QTemporaryDir m_dir;
};

void TestFrmNewApplication::initTestCase() {
    QVERIFY(OpenTestRegistry(m_dir));
}

void TestFrmNewApplication::init() {
    ResetPrompts();
}

void TestFrmNewApplication::cleanupTestCase() {
    tavisk::registry::closeStore();
}

void TestFrmNewApplication::okCheck_data() {
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("message"); // empty: the check passes
    QTest::addColumn<QString>("focus");

    const QString noCaption = QStringLiteral("Please give this application a menu caption.");
    const QString noPath = QStringLiteral("Please specify a path for this application.");
    const QString backslash = QStringLiteral("A menu caption cannot contain a backslash (\\).");

    QTest::newRow("both empty: only the caption is reported") << ""
                                                              << "" << noCaption << "txtName";
    QTest::newRow("caption of blanks") << "   "
                                       << "/usr/bin/editor" << noCaption << "txtName";
    QTest::newRow("empty path") << "Edit"
                                << "" << noPath << "txtPath";
    QTest::newRow("backslash before the empty path") << "Open\\With"
                                                     << "" << backslash << "txtName";
    QTest::newRow("lone backslash amid blanks") << "  \\ "
                                                << "/bin/x" << backslash << "txtName";
    QTest::newRow("path of blanks accepted") << "Edit"
                                             << "   "
                                             << ""
                                             << "";
    QTest::newRow("leading blanks kept") << "  Edit it "
                                         << "/usr/bin/my editor"
                                         << ""
                                         << "";
}

void TestFrmNewApplication::okCheck() {
    QFETCH(QString, caption);
    QFETCH(QString, path);
    QFETCH(QString, message);
    QFETCH(QString, focus);

    frmNewApplication form;
    QVERIFY(ShowActive(form));
    form.txtName->setText(caption);
    form.txtPath->setText(path);
    form.setCancelled(true); // a refused OK leaves it as it was
    if (!message.isEmpty()) {
        MessageBox::setNextAnswer(MessageBox::Answer::Ok);
    }
    QTest::mouseClick(form.cmdOk, Qt::LeftButton);

    if (message.isEmpty()) {
        QVERIFY(MessageBox::history().isEmpty());
        QVERIFY(form.isHidden());
        QCOMPARE(form.Cancelled(), false);
        QCOMPARE(form.txtName->text(), caption);
        QCOMPARE(form.txtPath->text(), path);
        return;
    }
    QCOMPARE(MessageBox::history().size(), 1);
    const MessageBox::Shown& shown = MessageBox::history().first();
    QCOMPARE(shown.text, message);
    QCOMPARE(shown.title, QStringLiteral("Tavisk"));
    QCOMPARE(shown.icon, MessageBox::Icon::Exclamation);
    QCOMPARE(shown.buttons, MessageBox::Buttons::Ok);
    QVERIFY(form.isVisible());
    QCOMPARE(form.Cancelled(), true);
    QWidget* expected = focus == QLatin1String("txtName") ? form.txtName : form.txtPath;
    QCOMPARE(QApplication::focusWidget(), expected);
    QCOMPARE(form.txtName->text(), caption);
    QCOMPARE(form.txtPath->text(), path);
}

void TestFrmNewApplication::enterInEitherBoxRunsTheCheck() {
    frmNewApplication form;
    QVERIFY(ShowActive(form));
    MessageBox::setNextAnswer(MessageBox::Answer::Ok);
    QTest::keyClick(form.txtName, Qt::Key_Return);
    QCOMPARE(MessageBox::history().size(), 1);
    QVERIFY(form.isVisible());

    QTest::keyClicks(form.txtName, QStringLiteral("Edit"));
    form.txtPath->setFocus();
    QTest::keyClicks(form.txtPath, QStringLiteral("/usr/bin/editor"));
    QTest::keyClick(form.txtPath, Qt::Key_Enter);
    QCOMPARE(MessageBox::history().size(), 1);
    QVERIFY(form.isHidden());
    QCOMPARE(form.Cancelled(), false);
    QCOMPARE(form.txtName->text(), QStringLiteral("Edit"));
}

void TestFrmNewApplication::escapeCancels() {
    frmNewApplication form;
    QVERIFY(ShowActive(form));
    form.txtName->setText(QStringLiteral("Edit"));
    form.txtPath->setText(QStringLiteral("/bin/x"));
    QTest::keyClick(form.txtPath, Qt::Key_Escape);
    QVERIFY(form.isHidden());
    QCOMPARE(form.Cancelled(), true);
    QVERIFY(MessageBox::history().isEmpty());
}

void TestFrmNewApplication::titleBarCloseReportsCancel() {
    frmNewApplication form;
    form.txtName->setText(QStringLiteral("Edit"));
    QTimer::singleShot(0, &form, [&form] { form.close(); });
    form.exec();
    QVERIFY(form.isHidden());
    QCOMPARE(form.Cancelled(), true);

    // A close event as the window manager sends it, on a second show.
    form.setCancelled(false);
    QVERIFY(ShowActive(form));
    QCloseEvent close;
    QApplication::sendEvent(&form, &close);
    QVERIFY(form.isHidden());
    QCOMPARE(form.Cancelled(), true);
}

void TestFrmNewApplication::modalShowEndsWhenOkHidesTheDialog() {
    frmNewApplication form;
    QTimer::singleShot(0, &form, [&form] {
        form.txtName->setText(QStringLiteral("View"));
        form.txtPath->setText(QStringLiteral("/usr/bin/viewer"));
        form.cmdOk->click();
    });
    QCOMPARE(form.exec(), int(QDialog::Accepted));
    QCOMPARE(form.Cancelled(), false);
    QVERIFY(MessageBox::history().isEmpty());
}

void TestFrmNewApplication::maximumLengths() {
    frmNewApplication form;
    QVERIFY(ShowActive(form));
    QTest::keyClicks(form.txtName, QString(60, u'c'));
    QCOMPARE(form.txtName->text(), QString(50, u'c'));
    form.txtPath->insert(QString(300, u'p'));
    QCOMPARE(form.txtPath->text(), QString(255, u'p'));
}

void TestFrmNewApplication::browseCopiesTheNameUnconditionally() {
    frmNewApplication form;
    form.txtPath->setText(QStringLiteral("typed"));
    FileDialog::setNextFileName(QString());
    form.cmdDialog->click();
    QCOMPARE(FileDialog::timesOpened(), 1);
    QCOMPARE(form.txtPath->text(), QString()); // nothing chosen yet: emptied

    FileDialog::setNextFileName(QStringLiteral("/usr/bin/editor"));
    form.cmdDialog->click();
    QCOMPARE(form.txtPath->text(), QStringLiteral("/usr/bin/editor"));

    // A later cancel copies the name the dialog still holds.
    form.txtPath->setText(QStringLiteral("typed again"));
    FileDialog::setNextFileName(QString());
    form.cmdDialog->click();
    QCOMPARE(form.txtPath->text(), QStringLiteral("/usr/bin/editor"));

    // A fresh dialog remembers nothing.
    frmNewApplication fresh;
    FileDialog::setNextFileName(QString());
    fresh.cmdDialog->click();
    QCOMPARE(fresh.txtPath->text(), QString());
}

void TestFrmNewApplication::tabOrderEndsWithTheBrowseButton() {
    frmNewApplication form;
    QVERIFY(ShowActive(form));
    QCOMPARE(QApplication::focusWidget(), form.txtName);
    const QList<QWidget*> expected{form.txtPath, form.cmdOk, form.cmdCancel, form.cmdDialog,
                                   form.txtName};
    for (QWidget* next : expected) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), next);
    }
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
    QCOMPARE(QApplication::focusWidget(), form.cmdDialog);
}

void TestFrmNewApplication::fixedSizeAndFrameRelativePlacement() {
    frmNewApplication form;
    QCOMPARE(form.windowTitle(), QStringLiteral("New Application"));
    QCOMPARE(form.size(), QSize(Twips::ToPixels(5640), Twips::ToPixels(3030)));
    QCOMPARE(form.minimumSize(), form.maximumSize());
    QVERIFY(!(form.windowFlags() & Qt::WindowMinMaxButtonsHint));
    QCOMPARE(form.txtName->parentWidget(), form.Frame1);
    QCOMPARE(form.Frame1->title(), QString());
    QCOMPARE(form.txtPath->mapTo(&form, QPoint(0, 0)),
             QPoint(Twips::ToPixels(210) + Twips::ToPixels(1425),
                    Twips::ToPixels(750) + Twips::ToPixels(780)));
    QVERIFY(form.cmdOk->isDefault());
}

QTEST_MAIN(TestFrmNewApplication)
#include "tst_frmNewApplication.moc"

// The real message box, answered from the keyboard as the user answers it:
// the test hook is not used, so the mapping from button to answer is tested.
#include "MessageBox.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

using Answer = MessageBox::Answer;
Q_DECLARE_METATYPE(MessageBox::Answer)
Q_DECLARE_METATYPE(MessageBox::Buttons)

class TestMessageBox final : public QObject {
    Q_OBJECT

private slots:
    void answeredFromTheKeyboard_data();
    void answeredFromTheKeyboard();
};

void TestMessageBox::answeredFromTheKeyboard_data() {
    QTest::addColumn<MessageBox::Buttons>("buttons");
    QTest::addColumn<Answer>("defaultAnswer");
    QTest::addColumn<int>("key");
    QTest::addColumn<Answer>("expected");
    using Buttons = MessageBox::Buttons;
    QTest::newRow("Enter on Yes") << Buttons::YesNo << Answer::Yes << int(Qt::Key_Return)
                                  << Answer::Yes;
    QTest::newRow("Enter on No") << Buttons::YesNo << Answer::No << int(Qt::Key_Return)
                                 << Answer::No;
    QTest::newRow("Escape") << Buttons::YesNo << Answer::Yes << int(Qt::Key_Escape) << Answer::No;
    QTest::newRow("N") << Buttons::YesNo << Answer::Yes << int(Qt::Key_N) << Answer::No;
    QTest::newRow("Y") << Buttons::YesNo << Answer::No << int(Qt::Key_Y) << Answer::Yes;
    QTest::newRow("Enter on OK") << Buttons::Ok << Answer::Ok << int(Qt::Key_Return) << Answer::Ok;
}

void TestMessageBox::answeredFromTheKeyboard() {
    QFETCH(MessageBox::Buttons, buttons);
    QFETCH(Answer, defaultAnswer);
    QFETCH(int, key);
    QFETCH(Answer, expected);
    MessageBox::clearHistory();
    QString title;
    QStringList captions;
    QTimer::singleShot(50, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        QVERIFY(box != nullptr);
        title = box->windowTitle();
        for (const QAbstractButton* button : box->buttons()) {
            captions.append(button->text().remove(u'&'));
        }
        QTest::keyClick(box, static_cast<Qt::Key>(key));
    });
    const Answer answer = MessageBox::show(nullptr, QStringLiteral("Are you sure?"), buttons,
                                           MessageBox::Icon::Exclamation, defaultAnswer);
    QCOMPARE(answer, expected);
    QCOMPARE(title, QStringLiteral("Tavisk"));
    captions.sort();
    QCOMPARE(captions, buttons == MessageBox::Buttons::Ok
                           ? QStringList{QStringLiteral("OK")}
                           : (QStringList{QStringLiteral("No"), QStringLiteral("Yes")}));
}

QTEST_MAIN(TestMessageBox)
#include "TestMessageBox.moc"

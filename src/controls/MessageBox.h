#pragma once
// Every message box of the program goes through here. Tests queue answers in
// advance (setNextAnswer) so that an operation runs without a human; each shown
// box is recorded for them to inspect.
#include <QList>
#include <QMessageBox>
#include <QString>

class QWidget;

class MessageBox final {
public:
    enum class Icon { None, Critical, Exclamation, Information };
    enum class Buttons { Ok, YesNo };
    enum class Answer { Ok, Yes, No };

    struct Shown {
        QString text;
        QString title;
        Icon icon;
        Buttons buttons;
        Answer defaultAnswer;
        QString details; ///< behind the box's details button; empty for none
    };

    /// Shows a modal message box with the program's title and returns the answer.
    /// details, when given, goes behind the box's details button.
    static Answer show(QWidget* parent, const QString& text, Buttons buttons, Icon icon,
                       Answer defaultAnswer = Answer::Ok, const QString& details = QString());

    /// OK with the exclamation icon: the shape of every input-check message.
    static void exclamation(QWidget* parent, const QString& text);

    /// The answer the next box gives at once, without being shown. Answers
    /// queue up in order.
    static void setNextAnswer(Answer answer);
    /// Every box shown (or answered from the queue) since the last clear.
    static const QList<Shown>& history();
    static void clearHistory();
    /// Answers still queued.
    static int pendingAnswers();

    static inline const QString Title = QStringLiteral("Tavisk");
};

#include "MessageBox.h"

#include <QPushButton>

namespace {

QList<MessageBox::Answer>& Queue() {
    static QList<MessageBox::Answer> queue;
    return queue;
}

QList<MessageBox::Shown>& History() {
    static QList<MessageBox::Shown> history;
    return history;
}

QMessageBox::Icon QtIcon(MessageBox::Icon icon) {
    switch (icon) {
    case MessageBox::Icon::Critical:
        return QMessageBox::Critical;
    case MessageBox::Icon::Exclamation:
        return QMessageBox::Warning;
    case MessageBox::Icon::Information:
        return QMessageBox::Information;
    case MessageBox::Icon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

} // namespace

MessageBox::Answer MessageBox::show(QWidget* parent, const QString& text, Buttons buttons,
                                    Icon icon, Answer defaultAnswer, const QString& details) {
    History().append({text, Title, icon, buttons, defaultAnswer, details});
    if (!Queue().isEmpty()) {
        return Queue().takeFirst();
    }
    QMessageBox box(QtIcon(icon), Title, text, QMessageBox::NoButton, parent);
    box.setDetailedText(details);
    if (buttons == Buttons::YesNo) {
        auto* yes = box.addButton(QMessageBox::Yes);
        auto* no = box.addButton(QMessageBox::No);
        box.setDefaultButton(defaultAnswer == Answer::No ? no : yes);
        box.setEscapeButton(no);
        box.exec();
        return box.clickedButton() == yes ? Answer::Yes : Answer::No;
    }
    box.addButton(QMessageBox::Ok);
    box.exec();
    return Answer::Ok;
}

void MessageBox::exclamation(QWidget* parent, const QString& text) {
    show(parent, text, Buttons::Ok, Icon::Exclamation);
}

void MessageBox::setNextAnswer(Answer answer) {
    Queue().append(answer);
}

const QList<MessageBox::Shown>& MessageBox::history() {
    return History();
}

void MessageBox::clearHistory() {
    History().clear();
    Queue().clear();
}

int MessageBox::pendingAnswers() {
    return static_cast<int>(Queue().size());
}

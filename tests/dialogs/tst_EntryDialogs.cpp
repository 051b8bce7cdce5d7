// The three entry dialogs (new application, rename caption, change
// executable): the OK checks in their order, the ways to leave, the tab
// order, the browse button, the caret and the centring.
#include "DialogTestSupport.h"
#include "TextBox.h"
#include "Twips.h"
#include "frmChangeExe.h"
#include "frmNewApplication.h"
#include "frmRenameApp.h"

#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

using namespace Qt::StringLiterals;
using namespace DialogTestSupport;

namespace {

/// One of the dialogs, with its boxes (the second may be missing) and buttons.
struct Entry {
    template <class Form>
    Entry(Form* form, QLineEdit* one, QLineEdit* two, QPushButton* browser)
        : dialog(form), first(one), second(two), ok(form->cmdOk), cancel(form->cmdCancel),
          browse(browser) {}
    std::unique_ptr<CancellableDialog> dialog;
    QLineEdit* first;
    QLineEdit* second;
    QPushButton* ok;
    QPushButton* cancel;
    QPushButton* browse;
};

Entry Make(const QString& name) {
    if (name == QLatin1String("new")) {
        auto* form = new frmNewApplication;
        return Entry(form, form->txtName, form->txtPath, form->cmdDialog);
    }
    if (name == QLatin1String("rename")) {
        auto* form = new frmRenameApp;
        return Entry(form, form->txtCaption, nullptr, nullptr);
    }
    auto* form = new frmChangeExe;
    return Entry(form, form->txtPath, nullptr, form->cmdDialog);
}

/// dialog, first box, second box, the message (none: the check passes), and
/// the box that gets the focus back (1 or 2).
void Check(const char* name, const char* dialog, const char* first, const char* second,
           const QString& message, int focus = 0) {
    QTest::newRow(name) << QString::fromLatin1(dialog) << QString::fromLatin1(first)
                        << QString::fromLatin1(second) << message << focus;
}

int OffCentre(const QWidget& window) {
    const QPoint screen = QGuiApplication::primaryScreen()->geometry().center();
    return (window.frameGeometry().center() - screen).manhattanLength();
}

} // namespace

class TestEntryDialogs final : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanupTestCase();
    void okCheck_data();
    void okCheck();
    void leave_data();
    void leave();
    void tabOrder_data();
    void tabOrder();
    void browse();
    void caretAndCentring();
    void lengthsAndLook();

private:
    QTemporaryDir m_dir;
};

void TestEntryDialogs::initTestCase() {
    QVERIFY(OpenTestRegistry(m_dir));
}

void TestEntryDialogs::init() {
    ResetPrompts();
}

void TestEntryDialogs::cleanupTestCase() {
    tavisk::registry::closeStore();
}

void TestEntryDialogs::okCheck_data() {
    QTest::addColumn<QString>("dialog");
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("second");
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("focus");
    const QString noCaption = u"Please give this application a menu caption."_s;
    const QString noPath = u"Please specify a path for this application."_s;
    const QString backslash = u"A menu caption cannot contain a backslash (\\)."_s;
    Check("new: both empty, the caption first", "new", "", "", noCaption, 1);
    Check("new: caption of blanks", "new", "   ", "/bin/e", noCaption, 1);
    Check("new: empty path", "new", "Edit", "", noPath, 2);
    Check("new: backslash before the path", "new", "Open\\With", "", backslash, 1);
    Check("new: lone backslash", "new", "  \\ ", "/bin/x", backslash, 1);
    Check("new: path of blanks", "new", "Edit", "   ", {});
    Check("new: blanks kept", "new", "  Edit it ", "/usr/bin/my editor", {});
    Check("rename: empty", "rename", "", "", noCaption, 1);
    Check("rename: blanks", "rename", "    ", "", noCaption, 1);
    Check("rename: backslash", "rename", "Edit\\Now", "", backslash, 1);
    Check("rename: blanks kept", "rename", " New caption  ", "", {});
    Check("change: empty", "change", "", "", noPath, 1);
    Check("change: blanks", "change", "  ", "", {});
    Check("change: blanks kept", "change", " /opt/my tools/run ", "", {});
}

void TestEntryDialogs::okCheck() {
    QFETCH(QString, dialog);
    QFETCH(QString, first);
    QFETCH(QString, second);
    QFETCH(QString, message);
    QFETCH(int, focus);
    Entry entry = Make(dialog);
    QVERIFY(ShowActive(*entry.dialog));
    entry.first->setText(first);
    if (entry.second) {
        entry.second->setText(second);
    }
    entry.dialog->setCancelled(true); // a refused OK leaves it as it was
    if (!message.isEmpty()) {
        MessageBox::setNextAnswer(MessageBox::Answer::Ok);
    }
    QTest::mouseClick(entry.ok, Qt::LeftButton);

    QCOMPARE(entry.first->text(), first);
    QCOMPARE(entry.dialog->isHidden(), message.isEmpty());
    QCOMPARE(entry.dialog->Cancelled(), !message.isEmpty());
    QCOMPARE(Texts(), message.isEmpty() ? QStringList() : QStringList{message});
    if (!message.isEmpty()) {
        QCOMPARE(MessageBox::history().first().icon, MessageBox::Icon::Exclamation);
        QCOMPARE(MessageBox::history().first().buttons, MessageBox::Buttons::Ok);
        QCOMPARE(QApplication::focusWidget(), focus == 1 ? entry.first : entry.second);
    }
}

void TestEntryDialogs::leave_data() {
    QTest::addColumn<QString>("dialog");
    QTest::addColumn<int>("how"); // 0 Enter, 1 Escape, 2 the close box
    for (const char* dialog : {"new", "rename", "change"}) {
        for (int how : {0, 1, 2}) {
            QTest::addRow("%s, %d", dialog, how) << QString::fromLatin1(dialog) << how;
        }
    }
}

void TestEntryDialogs::leave() {
    QFETCH(QString, dialog);
    QFETCH(int, how);
    Entry entry = Make(dialog);
    entry.first->setText(u"Edit"_s);
    if (entry.second) {
        entry.second->setText(u"/bin/x"_s);
    }
    entry.dialog->setCancelled(how == 0);
    QTimer::singleShot(0, entry.dialog.get(), [&] {
        QLineEdit* box = entry.second ? entry.second : entry.first;
        if (how == 2) {
            entry.dialog->close();
        } else {
            QTest::keyClick(box, how == 0 ? Qt::Key_Return : Qt::Key_Escape);
        }
    });
    // The modal show ends when the dialog hides itself.
    QCOMPARE(entry.dialog->exec(), how == 0 ? int(QDialog::Accepted) : int(QDialog::Rejected));
    QVERIFY(entry.dialog->isHidden());
    QCOMPARE(entry.dialog->Cancelled(), how != 0);
    QVERIFY(MessageBox::history().isEmpty());
}

void TestEntryDialogs::tabOrder_data() {
    QTest::addColumn<QString>("dialog");
    for (const char* dialog : {"new", "rename", "change"}) {
        QTest::newRow(dialog) << QString::fromLatin1(dialog);
    }
}

void TestEntryDialogs::tabOrder() {
    QFETCH(QString, dialog);
    Entry entry = Make(dialog);
    QVERIFY(ShowActive(*entry.dialog));
    QCOMPARE(QApplication::focusWidget(), entry.first);
    QList<QWidget*> expected{entry.ok, entry.cancel, entry.first};
    if (dialog == QLatin1String("new")) {
        expected = {entry.second, entry.ok, entry.cancel, entry.browse, entry.first};
    } else if (dialog == QLatin1String("change")) {
        expected.prepend(entry.browse);
    }
    for (QWidget* next : expected) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), next);
    }
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
    QCOMPARE(QApplication::focusWidget(), expected.at(expected.size() - 2));
}

void TestEntryDialogs::browse() {
    // New application: the name goes in unconditionally; after a cancelled
    // browse that is the last one chosen in this dialog, or nothing.
    Entry entry = Make(u"new"_s);
    const auto browse = [&entry](const QString& chosen, const QString& typed) {
        entry.second->setText(typed);
        FileDialog::setNextFileName(chosen);
        entry.browse->click();
        return entry.second->text();
    };
    QCOMPARE(browse(QString(), u"typed"_s), QString());
    QCOMPARE(browse(u"/usr/bin/editor"_s, QString()), u"/usr/bin/editor"_s);
    QCOMPARE(browse(QString(), u"typed"_s), u"/usr/bin/editor"_s);
    entry = Make(u"new"_s);
    QCOMPARE(browse(QString(), u"typed"_s), QString());

    // Change executable: the path changes only when a file is chosen.
    entry = Make(u"change"_s);
    entry.second = entry.first;
    QCOMPARE(browse(QString(), u"/usr/bin/old"_s), u"/usr/bin/old"_s);
    QCOMPARE(browse(u"/usr/bin/new"_s, QString()), u"/usr/bin/new"_s);
    QCOMPARE(FileDialog::timesOpened(), 6);
}

void TestEntryDialogs::caretAndCentring() {
    // Rename and change put the caret after the text on every activation;
    // rename centres itself again each time, change only at load.
    for (const char* name : {"rename", "change"}) {
        Entry entry = Make(QString::fromLatin1(name));
        entry.first->setText(u"Open with editor"_s);
        QVERIFY(ShowActive(*entry.dialog));
        QVERIFY(OffCentre(*entry.dialog) <= 8);
        QCOMPARE(QApplication::focusWidget(), entry.first);
        QCOMPARE(entry.first->cursorPosition(), 16);
        QVERIFY(!entry.first->hasSelectedText());

        entry.dialog->move(7, 9);
        entry.cancel->setFocus();
        entry.first->selectAll();
        QWidget other;
        QVERIFY(ShowActive(other));
        QVERIFY(ShowActive(*entry.dialog));
        QCOMPARE(QApplication::focusWidget(), entry.first);
        QCOMPARE(entry.first->cursorPosition(), 16);
        QVERIFY(!entry.first->hasSelectedText());
        if (QByteArray(name) == "rename") {
            QVERIFY(OffCentre(*entry.dialog) <= 2);
        } else {
            QCOMPARE(entry.dialog->pos(), QPoint(7, 9));
        }
    }
}

void TestEntryDialogs::lengthsAndLook() {
    frmNewApplication form;
    QVERIFY(ShowActive(form));
    QTest::keyClicks(form.txtName, QString(60, u'c'));
    QCOMPARE(form.txtName->text(), QString(50, u'c'));
    form.txtPath->insert(QString(300, u'p'));
    QCOMPARE(form.txtPath->text(), QString(255, u'p'));
    QCOMPARE(form.windowTitle(), u"New Application"_s);
    QCOMPARE(form.Label3->text(), u"Specify the caption which will appear in the Right Click menu "
                                  "within your file manager and the path to the executable to "
                                  "launch."_s);
    QCOMPARE(form.size(), QSize(Twips::ToPixels(5640), Twips::ToPixels(3030)));
    QCOMPARE(form.minimumSize(), form.maximumSize());
    QVERIFY(form.cmdOk->isDefault());
}

QTEST_MAIN(TestEntryDialogs)
#include "tst_EntryDialogs.moc"

// The three entry dialogs (new application, rename caption, change
// executable): the OK checks in their order, Enter, Esc and the title-bar
// close, the tab order, the browse button, the caret and the centring.
#include "DialogTestSupport.h"
#include "TextBox.h"
#include "Twips.h"
#include "frmChangeExe.h"
#include "frmNewApplication.h"
#include "frmRenameApp.h"

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

using namespace DialogTestSupport;

namespace {

/// One of the dialogs, with its boxes (the second may be missing) and buttons.
struct Entry {
    std::unique_ptr<CancellableDialog> dialog;
    QLineEdit* first = nullptr;
    QLineEdit* second = nullptr;
    QPushButton* ok = nullptr;
    QPushButton* cancel = nullptr;
    QPushButton* browse = nullptr;
};

Entry Make(const QString& name) {
    Entry entry;
    if (name == QLatin1String("new")) {
        auto* form = new frmNewApplication;
        entry = {std::unique_ptr<CancellableDialog>(form),
                 form->txtName,
                 form->txtPath,
                 form->cmdOk,
                 form->cmdCancel,
                 form->cmdDialog};
    } else if (name == QLatin1String("rename")) {
        auto* form = new frmRenameApp;
        entry = {std::unique_ptr<CancellableDialog>(form),
                 form->txtCaption,
                 nullptr,
                 form->cmdOk,
                 form->cmdCancel,
                 nullptr};
    } else {
        auto* form = new frmChangeExe;
        entry = {std::unique_ptr<CancellableDialog>(form),
                 form->txtPath,
                 nullptr,
                 form->cmdOk,
                 form->cmdCancel,
                 form->cmdDialog};
    }
    return entry;
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
    QTest::addColumn<QString>("message"); // empty: the check passes
    QTest::addColumn<int>("focus");       // the box that gets the focus back
    const QString noCaption = QStringLiteral("Please give this application a menu caption.");
    const QString noPath = QStringLiteral("Please specify a path for this application.");
    const QString backslash = QStringLiteral("A menu caption cannot contain a backslash (\\).");
    QTest::newRow("new: both empty, the caption first") << "new"
                                                        << ""
                                                        << "" << noCaption << 1;
    QTest::newRow("new: caption of blanks") << "new"
                                            << "   "
                                            << "/bin/e" << noCaption << 1;
    QTest::newRow("new: empty path") << "new"
                                     << "Edit"
                                     << "" << noPath << 2;
    QTest::newRow("new: backslash before the path") << "new"
                                                    << "Open\\With"
                                                    << "" << backslash << 1;
    QTest::newRow("new: lone backslash") << "new"
                                         << "  \\ "
                                         << "/bin/x" << backslash << 1;
    QTest::newRow("new: path of blanks") << "new"
                                         << "Edit"
                                         << "   "
                                         << "" << 0;
    QTest::newRow("new: blanks kept") << "new"
                                      << "  Edit it "
                                      << "/usr/bin/my editor"
                                      << "" << 0;
    QTest::newRow("rename: empty") << "rename"
                                   << ""
                                   << "" << noCaption << 1;
    QTest::newRow("rename: blanks") << "rename"
                                    << "    "
                                    << "" << noCaption << 1;
    QTest::newRow("rename: backslash") << "rename"
                                       << "Edit\\Now"
                                       << "" << backslash << 1;
    QTest::newRow("rename: blanks kept") << "rename"
                                         << " New caption  "
                                         << ""
                                         << "" << 0;
    QTest::newRow("change: empty") << "change"
                                   << ""
                                   << "" << noPath << 1;
    QTest::newRow("change: blanks") << "change"
                                    << "  "
                                    << ""
                                    << "" << 0;
    QTest::newRow("change: blanks kept") << "change"
                                         << " /opt/my tools/run "
                                         << ""
                                         << "" << 0;
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
    QTest::addColumn<int>("how"); // 0 Enter, 1 Escape, 2 close box, 3 close event
    for (const char* dialog : {"new", "rename", "change"}) {
        QTest::addRow("%s, Enter", dialog) << dialog << 0;
        QTest::addRow("%s, Escape", dialog) << dialog << 1;
        QTest::addRow("%s, close box", dialog) << dialog << 2;
        QTest::addRow("%s, close event", dialog) << dialog << 3;
    }
}

void TestEntryDialogs::leave() {
    QFETCH(QString, dialog);
    QFETCH(int, how);
    Entry entry = Make(dialog);
    entry.first->setText(QStringLiteral("Edit"));
    if (entry.second) {
        entry.second->setText(QStringLiteral("/bin/x"));
    }
    entry.dialog->setCancelled(how == 0);
    QTimer::singleShot(0, entry.dialog.get(), [&] {
        QLineEdit* box = entry.second ? entry.second : entry.first;
        if (how == 0) {
            QTest::keyClick(box, Qt::Key_Return);
        } else if (how == 1) {
            QTest::keyClick(box, Qt::Key_Escape);
        } else if (how == 2) {
            entry.dialog->close();
        } else {
            QCloseEvent close;
            QApplication::sendEvent(entry.dialog.get(), &close);
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
    QTest::newRow("new") << "new";
    QTest::newRow("rename") << "rename";
    QTest::newRow("change") << "change";
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
    Entry entry = Make(QStringLiteral("new"));
    const auto browse = [&entry](const QString& chosen, const QString& typed) {
        entry.second->setText(typed);
        FileDialog::setNextFileName(chosen);
        entry.browse->click();
        return entry.second->text();
    };
    QCOMPARE(browse(QString(), QStringLiteral("typed")), QString());
    QCOMPARE(browse(QStringLiteral("/usr/bin/editor"), QString()),
             QStringLiteral("/usr/bin/editor"));
    QCOMPARE(browse(QString(), QStringLiteral("typed")), QStringLiteral("/usr/bin/editor"));
    entry = Make(QStringLiteral("new"));
    QCOMPARE(browse(QString(), QStringLiteral("typed")), QString());

    // Change executable: the path changes only when a file is chosen.
    entry = Make(QStringLiteral("change"));
    entry.second = entry.first;
    QCOMPARE(browse(QString(), QStringLiteral("/usr/bin/old")), QStringLiteral("/usr/bin/old"));
    QCOMPARE(browse(QStringLiteral("/usr/bin/new"), QString()), QStringLiteral("/usr/bin/new"));
    QCOMPARE(FileDialog::timesOpened(), 6);
}

void TestEntryDialogs::caretAndCentring() {
    // Rename and change put the caret after the text on every activation;
    // rename centres itself again each time, change only at load.
    for (const char* name : {"rename", "change"}) {
        Entry entry = Make(QString::fromLatin1(name));
        entry.first->setText(QStringLiteral("Open with editor"));
        QVERIFY(ShowActive(*entry.dialog));
        QVERIFY(OffCentre(*entry.dialog) <= 8);
        QCOMPARE(QApplication::focusWidget(), entry.first);
        QCOMPARE(entry.first->cursorPosition(), 16);
        QVERIFY(!entry.first->hasSelectedText());

        entry.dialog->move(7, 9);
        entry.cancel->setFocus();
        entry.first->selectAll();
        QWidget other;
        other.resize(100, 100);
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
    QCOMPARE(form.windowTitle(), QStringLiteral("New Application"));
    QCOMPARE(form.size(), QSize(Twips::ToPixels(5640), Twips::ToPixels(3030)));
    QCOMPARE(form.minimumSize(), form.maximumSize());
    QVERIFY(!(form.windowFlags() & Qt::WindowMinMaxButtonsHint));
    QCOMPARE(form.Frame1->title(), QString());
    QCOMPARE(form.txtPath->mapTo(&form, QPoint(0, 0)),
             QPoint(Twips::ToPixels(210) + Twips::ToPixels(1425),
                    Twips::ToPixels(750) + Twips::ToPixels(780)));
    QVERIFY(form.cmdOk->isDefault());
}

QTEST_MAIN(TestEntryDialogs)
#include "tst_EntryDialogs.moc"

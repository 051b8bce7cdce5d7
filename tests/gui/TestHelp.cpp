// The user guide and the help window: where the program finds the guide, F1
// in any window (a modal dialog's included), Back, Forward and Contents, a
// missing guide, and links of the guide that lead nowhere.
#include "frmHelp.h"
#include "modHelp.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QLineEdit>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>
#include <QVBoxLayout>

class TestHelp final : public QObject {
    Q_OBJECT

private slots:
    void cleanup();
    void f1DoesNothingBeforeAHelpFileIsSet();
    void guideBesideTheProgram();
    void installedGuideIsFound();
    void f1OpensTheGuideFromAnyWindow();
    void backForwardAndContents();
    void f1InAModalDialogOpensAGuideThatCanBeUsed();
    void missingGuideSaysWhereItWasLookedFor();
    void everyLinkOfTheGuideLeadsToAPage();

private:
    static QString SourceGuide() { return QStringLiteral(TAVISK_SOURCE_HELP "/index.html"); }
};

namespace {

/// A plain window of the program with a text box that has the focus.
struct SomeWindow {
    QWidget window;
    QLineEdit* box = new QLineEdit(&window);

    SomeWindow() {
        auto* layout = new QVBoxLayout(&window);
        layout->addWidget(box);
        window.show();
        box->setFocus();
    }
};

} // namespace

void TestHelp::cleanup() {
    if (frmHelp* help = modHelp::HelpWindow()) {
        help->close();
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(modHelp::HelpWindow() == nullptr);
}

void TestHelp::f1DoesNothingBeforeAHelpFileIsSet() {
    SomeWindow some;
    QVERIFY(QTest::qWaitForWindowExposed(&some.window));
    QTest::keyClick(some.box, Qt::Key_F1);
    modHelp::ShowHelp();
    QVERIFY(modHelp::HelpWindow() == nullptr);
}

void TestHelp::guideBesideTheProgram() {
    QTemporaryDir dir;
    const QString program = dir.filePath(QStringLiteral("bin"));
    QVERIFY(QDir().mkpath(program + QStringLiteral("/help")));
    const QString expected = program + QStringLiteral("/help/index.html");
    // Missing everywhere: the place beside the program, for the window to name.
    QCOMPARE(modHelp::HelpFileFor(program), expected);
    QFile page(expected);
    QVERIFY(page.open(QIODevice::WriteOnly));
    page.close();
    QCOMPARE(modHelp::HelpFileFor(program), expected);
}

void TestHelp::installedGuideIsFound() {
    // Run by the install check, after it installed the program under this prefix.
    const QString prefix = qEnvironmentVariable("TAVISK_INSTALLED_PREFIX");
    if (prefix.isEmpty()) {
        QSKIP("run by the install check only");
    }
    const QString found = modHelp::HelpFileFor(prefix + QStringLiteral("/bin"));
    QVERIFY2(QFileInfo(found).isFile(), qPrintable(found));
    QVERIFY2(found.startsWith(QDir::cleanPath(prefix) + u'/'), qPrintable(found));
    QVERIFY2(QFileInfo(found).dir().exists(QStringLiteral("style.css")), qPrintable(found));
}

void TestHelp::f1OpensTheGuideFromAnyWindow() {
    modHelp::SetHelpFile(SourceGuide());
    SomeWindow some;
    QVERIFY(QTest::qWaitForWindowExposed(&some.window));
    QTest::keyClick(some.box, Qt::Key_F1);

    frmHelp* help = modHelp::HelpWindow();
    QVERIFY(help != nullptr);
    QVERIFY(help->isVisible());
    QCOMPARE(help->windowModality(), Qt::NonModal);
    QCOMPARE(help->brwGuide->source(), QUrl::fromLocalFile(SourceGuide()));
    QCOMPARE(help->windowTitle(), QStringLiteral("Tavisk Help"));
    QVERIFY(help->brwGuide->toPlainText().contains(QStringLiteral("Contents")));
    QVERIFY(!help->cmdBack->isEnabled());
    QVERIFY(!help->cmdForward->isEnabled());

    // F1 again, in the help window itself: the same window, no second one.
    QTest::keyClick(help->brwGuide, Qt::Key_F1);
    QCOMPARE(modHelp::HelpWindow(), help);
    int windows = 0;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        windows += qobject_cast<frmHelp*>(widget) != nullptr ? 1 : 0;
    }
    QCOMPARE(windows, 1);
}

void TestHelp::backForwardAndContents() {
    modHelp::SetHelpFile(SourceGuide());
    modHelp::ShowHelp();
    frmHelp* help = modHelp::HelpWindow();
    QVERIFY(help != nullptr);
    const QUrl contents = QUrl::fromLocalFile(SourceGuide());
    const QUrl commands = QUrl::fromLocalFile(QStringLiteral(TAVISK_SOURCE_HELP "/commands.html"));

    // A link of the contents page, followed as a click follows it.
    QVERIFY(help->brwGuide->toHtml().contains(QStringLiteral("commands.html")));
    help->brwGuide->setSource(commands);
    QCOMPARE(help->windowTitle(), QStringLiteral("Tavisk Help - Commands"));
    QVERIFY(help->cmdBack->isEnabled());
    QVERIFY(!help->cmdForward->isEnabled());

    help->cmdBack->trigger();
    QCOMPARE(help->brwGuide->source(), contents);
    QVERIFY(help->cmdForward->isEnabled());
    help->cmdForward->trigger();
    QCOMPARE(help->brwGuide->source(), commands);
    help->cmdContents->trigger();
    QCOMPARE(help->brwGuide->source(), contents);
    QCOMPARE(help->windowTitle(), QStringLiteral("Tavisk Help"));

    // Esc puts it away.
    help->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(help));
    QTest::keyClick(help->brwGuide, Qt::Key_Escape);
    QVERIFY(!help->isVisible());
}

void TestHelp::f1InAModalDialogOpensAGuideThatCanBeUsed() {
    modHelp::SetHelpFile(SourceGuide());
    SomeWindow some;
    QDialog dialog(&some.window);
    auto* box = new QLineEdit(&dialog);
    Qt::WindowModality helpModality = Qt::NonModal;
    bool helpOnTop = false;
    QTimer::singleShot(0, &dialog, [&] {
        box->setFocus();
        QTest::keyClick(box, Qt::Key_F1);
        if (frmHelp* help = modHelp::HelpWindow()) {
            helpModality = help->windowModality();
            // The help window is the one that takes input now, not the dialog.
            helpOnTop = QApplication::activeModalWidget() == help;
            help->close();
        }
        dialog.reject();
    });
    dialog.exec();
    QCOMPARE(helpModality, Qt::ApplicationModal);
    QVERIFY(helpOnTop);

    // Without a modal dialog, the guide stands beside the program again.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QTest::keyClick(some.box, Qt::Key_F1);
    QVERIFY(modHelp::HelpWindow() != nullptr);
    QCOMPARE(modHelp::HelpWindow()->windowModality(), Qt::NonModal);
}

void TestHelp::missingGuideSaysWhereItWasLookedFor() {
    QTemporaryDir dir;
    const QString missing = dir.filePath(QStringLiteral("help/index.html"));
    modHelp::SetHelpFile(missing);
    modHelp::ShowHelp();
    frmHelp* help = modHelp::HelpWindow();
    QVERIFY(help != nullptr);
    QVERIFY(help->isVisible());
    const QString text = help->brwGuide->toPlainText();
    QVERIFY(text.contains(QStringLiteral("The guide is missing")));
    QVERIFY(text.contains(missing));
    modHelp::SetHelpFile(SourceGuide());
}

void TestHelp::everyLinkOfTheGuideLeadsToAPage() {
    const QDir guide(QStringLiteral(TAVISK_SOURCE_HELP));
    const QRegularExpression link(QStringLiteral("href=\"([^\"]*)\""));
    const QRegularExpression title(QStringLiteral("<title>[^<]+</title>"));
    const QStringList pages = guide.entryList({QStringLiteral("*.html")}, QDir::Files);
    QVERIFY(pages.size() > 1);
    for (const QString& name : pages) {
        QFile page(guide.filePath(name));
        QVERIFY(page.open(QIODevice::ReadOnly));
        const QString html = QString::fromUtf8(page.readAll());
        QVERIFY2(title.match(html).hasMatch(), qPrintable(name));
        for (auto it = link.globalMatch(html); it.hasNext();) {
            const QString target = it.next().captured(1).section(u'#', 0, 0);
            if (target.isEmpty() || target.contains(u':')) {
                continue; // within the page, or outside the guide
            }
            QVERIFY2(guide.exists(target), qPrintable(name + QStringLiteral(" -> ") + target));
        }
        // Every page but the contents leads back to it.
        if (name != QStringLiteral("index.html")) {
            QVERIFY2(html.contains(QStringLiteral("href=\"index.html\"")), qPrintable(name));
        }
    }
}

QTEST_MAIN(TestHelp)
#include "TestHelp.moc"

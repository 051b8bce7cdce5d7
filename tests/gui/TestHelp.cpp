// The Help menu: where the program finds the user guide, F1 in any window (a
// modal dialog's included), Back, Forward and Contents, a missing guide, links
// of the guide that lead nowhere; and the About box, its look, and Help >
// About showing it modally over the main window until OK closes it.
#include "GuiTestSupport.h"

#include "TextBox.h"
#include "frmAbout.h"
#include "frmHelp.h"
#include "frmNewApplication.h"
#include "modHelp.h"

#include <QAction>
#include <QFontDatabase>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QTest>
#include <QTextBrowser>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;
using namespace GuiTestSupport;

class TestHelp final : public QObject {
    Q_OBJECT

private slots:
    void cleanup();
    void guideBesideTheProgram();
    void installedGuideIsFound();
    void f1OpensTheGuideFromAnyWindow();
    void backForwardAndContents();
    void f1InAModalDialogOpensAGuideThatCanBeUsed();
    void missingGuideSaysWhereItWasLookedFor();
    void everyLinkOfTheGuideLeadsToAPage();
    void captionProductAndVersion();
    void everyTextFitsItsLabel();
    void helpAboutShowsItModally();

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

void TestHelp::guideBesideTheProgram() {
    QTemporaryDir dir;
    const QString program = dir.filePath(u"bin"_s);
    QVERIFY(QDir().mkpath(program + u"/help"_s));
    const QString expected = program + u"/help/index.html"_s;
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
    const QString found = modHelp::HelpFileFor(prefix + u"/bin"_s);
    QVERIFY2(QFileInfo(found).isFile(), qPrintable(found));
    QVERIFY2(found.startsWith(QDir::cleanPath(prefix) + u'/'), qPrintable(found));
    QVERIFY2(QFileInfo(found).dir().exists(u"style.css"_s), qPrintable(found));
}

void TestHelp::f1OpensTheGuideFromAnyWindow() {
    SomeWindow some;
    QVERIFY(QTest::qWaitForWindowExposed(&some.window));
    QTest::keyClick(some.box, Qt::Key_F1); // no guide set yet: nothing
    QVERIFY(modHelp::HelpWindow() == nullptr);
    modHelp::SetHelpFile(SourceGuide());
    QTest::keyClick(some.box, Qt::Key_F1);

    frmHelp* help = modHelp::HelpWindow();
    QVERIFY(help != nullptr);
    QVERIFY(help->isVisible());
    QCOMPARE(help->windowModality(), Qt::NonModal);
    QCOMPARE(help->brwGuide->source(), QUrl::fromLocalFile(SourceGuide()));
    QCOMPARE(help->windowTitle(), u"Tavisk Help"_s);
    QVERIFY(help->brwGuide->toPlainText().contains(u"Contents"_s));
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
    QVERIFY(help->brwGuide->toHtml().contains(u"commands.html"_s));
    help->brwGuide->setSource(commands);
    QCOMPARE(help->windowTitle(), u"Tavisk Help - Commands"_s);
    QVERIFY(help->cmdBack->isEnabled());
    QVERIFY(!help->cmdForward->isEnabled());

    help->cmdBack->trigger();
    QCOMPARE(help->brwGuide->source(), contents);
    QVERIFY(help->cmdForward->isEnabled());
    help->cmdForward->trigger();
    QCOMPARE(help->brwGuide->source(), commands);
    help->cmdContents->trigger();
    QCOMPARE(help->brwGuide->source(), contents);
    QCOMPARE(help->windowTitle(), u"Tavisk Help"_s);

    // Esc puts it away.
    help->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(help));
    QTest::keyClick(help->brwGuide, Qt::Key_Escape);
    QVERIFY(!help->isVisible());
}

void TestHelp::f1InAModalDialogOpensAGuideThatCanBeUsed() {
    // Over a modal dialog the guide is modal itself, so that it can be used;
    // without one, it stands beside the program again.
    modHelp::SetHelpFile(SourceGuide());
    SomeWindow some;
    frmNewApplication dialog(&some.window);
    Qt::WindowModality helpModality = Qt::NonModal;
    bool helpOnTop = false;
    QTimer::singleShot(0, &dialog, [&] {
        QTest::keyClick(dialog.txtName, Qt::Key_F1);
        if (frmHelp* help = modHelp::HelpWindow()) {
            helpModality = help->windowModality();
            helpOnTop = QApplication::activeModalWidget() == help;
            help->close();
        }
        dialog.cmdCancel->click();
    });
    dialog.exec();
    QCOMPARE(helpModality, Qt::ApplicationModal);
    QVERIFY(helpOnTop);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QTest::keyClick(some.box, Qt::Key_F1);
    QVERIFY(modHelp::HelpWindow() != nullptr);
    QCOMPARE(modHelp::HelpWindow()->windowModality(), Qt::NonModal);
}

void TestHelp::missingGuideSaysWhereItWasLookedFor() {
    QTemporaryDir dir;
    const QString missing = dir.filePath(u"help/index.html"_s);
    modHelp::SetHelpFile(missing);
    modHelp::ShowHelp();
    frmHelp* help = modHelp::HelpWindow();
    QVERIFY(help != nullptr);
    QVERIFY(help->isVisible());
    const QString text = help->brwGuide->toPlainText();
    QVERIFY(text.contains(u"The guide is missing"_s));
    QVERIFY(text.contains(missing));
    modHelp::SetHelpFile(SourceGuide());
}

void TestHelp::everyLinkOfTheGuideLeadsToAPage() {
    const QDir guide(QStringLiteral(TAVISK_SOURCE_HELP));
    const QRegularExpression link(u"href=\"([^\"]*)\""_s);
    const QRegularExpression title(u"<title>[^<]+</title>"_s);
    const QStringList pages = guide.entryList({u"*.html"_s}, QDir::Files);
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
            QVERIFY2(guide.exists(target), qPrintable(name + u" -> "_s + target));
        }
        // Every page but the contents leads back to it.
        if (name != u"index.html"_s) {
            QVERIFY2(html.contains(u"href=\"index.html\""_s), qPrintable(name));
        }
    }
}

void TestHelp::captionProductAndVersion() {
    frmAbout about;
    QCOMPARE(about.lblVersion->text(), u"Version: "_s);
    about.Form_Load();
    QCOMPARE(about.windowTitle(), u"About Tavisk"_s);
    QCOMPARE(about.lblProduct->text(), u"Tavisk"_s);
    QCOMPARE(about.lblVersion->text(), QStringLiteral("Version " TAVISK_PROJECT_VERSION));
    QCOMPARE(about.cmdOk->text(), u"OK"_s);
    QVERIFY(!about.lblDescription->text().isEmpty());

    const QFont product = about.lblProduct->font();
    QVERIFY(product.bold());
    QCOMPARE(product.pointSizeF(), 9.75);
    if (QFontDatabase::hasFamily(u"Verdana"_s)) {
        QCOMPARE(QFontInfo(product).family(), u"Verdana"_s);
    }
    QCOMPARE(about.palette().color(about.backgroundRole()), QColor(Qt::white));
    QVERIFY(about.autoFillBackground());
    QVERIFY(about.isModal());

    about.show();
    QVERIFY(QTest::qWaitForWindowExposed(&about));
    about.Form_Load(); // centred by its outer size, now that it has one
    const QPoint off =
        about.frameGeometry().center() - QGuiApplication::primaryScreen()->geometry().center();
    QVERIFY(qAbs(off.x()) <= 1 && qAbs(off.y()) <= 1);
}

void TestHelp::everyTextFitsItsLabel() {
    frmAbout about;
    about.Form_Load();
    for (QLabel* label : {about.lblProduct, about.lblVersion, about.lblDescription}) {
        QVERIFY2(about.rect().contains(label->geometry()), qPrintable(label->text()));
        const int needed =
            label->wordWrap() ? label->heightForWidth(label->width()) : label->sizeHint().height();
        QVERIFY2(needed <= label->height(), qPrintable(label->text()));
        QVERIFY2(label->sizeHint().width() <= label->width() || label->wordWrap(),
                 qPrintable(label->text()));
    }
    QVERIFY(about.rect().contains(about.cmdOk->geometry()));
    QVERIFY(!about.lblDescription->geometry().intersects(about.cmdOk->geometry()));
    QVERIFY(!about.Picture1->pixmap().isNull());
}

void TestHelp::helpAboutShowsItModally() {
    // Over the main window until OK closes it; the call waits for it, and each
    // box is gone afterwards, however often it was asked for.
    TempProfile profile;
    QVERIFY(profile.ok());
    frmMain form;
    QVERIFY(form.Form_Load());
    for (int time = 0; time < 2; ++time) {
        QString caption;
        QTimer::singleShot(50, [&caption] {
            if (auto* about = qobject_cast<frmAbout*>(QApplication::activeModalWidget())) {
                caption = about->isVisible() && about->isModal() ? about->windowTitle() : QString();
                QTest::mouseClick(about->cmdOk, Qt::LeftButton);
            }
        });
        form.controls().mnuHelpAbout->trigger();
        QCOMPARE(caption, u"About Tavisk"_s);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            QVERIFY(qobject_cast<frmAbout*>(widget) == nullptr);
        }
    }
}

QTEST_MAIN(TestHelp)
#include "TestHelp.moc"

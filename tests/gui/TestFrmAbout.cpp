// The About box: caption, product name and version, its look, and Help >
// About showing it modally over the main window until OK closes it.
#include "GuiTestSupport.h"

#include "frmAbout.h"
#include "frmMain.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include <memory>

using namespace GuiTestSupport;

class TestFrmAbout final : public QObject {
    Q_OBJECT

private slots:
    void captionProductAndVersion();
    void everyTextFitsItsLabel();
    void helpAboutShowsItModally();
};

namespace {

int LiveAboutBoxes() {
    int count = 0;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        count += qobject_cast<frmAbout*>(widget) != nullptr ? 1 : 0;
    }
    return count;
}

} // namespace

void TestFrmAbout::captionProductAndVersion() {
    frmAbout about;
    QCOMPARE(about.lblVersion->text(), QStringLiteral("Version: "));
    about.Form_Load();
    QCOMPARE(about.windowTitle(), QStringLiteral("About Tavisk"));
    QCOMPARE(about.lblProduct->text(), QStringLiteral("Tavisk"));
    QCOMPARE(about.lblVersion->text(), QStringLiteral("Version " TAVISK_PROJECT_VERSION));
    QCOMPARE(about.cmdOk->text(), QStringLiteral("OK"));
    QVERIFY(!about.lblDescription->text().isEmpty());

    const QFont product = about.lblProduct->font();
    QVERIFY(product.bold());
    QCOMPARE(product.pointSizeF(), 9.75);
    if (QFontDatabase::hasFamily(QStringLiteral("Verdana"))) {
        QCOMPARE(QFontInfo(product).family(), QStringLiteral("Verdana"));
    }
    QCOMPARE(about.palette().color(about.backgroundRole()), QColor(Qt::white));
    QVERIFY(about.autoFillBackground());
    QVERIFY(about.isModal());

    about.show();
    QVERIFY(QTest::qWaitForWindowExposed(&about));
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    about.Form_Load(); // centred by its outer size, now that it has one
    QVERIFY(qAbs(about.frameGeometry().center().x() - screen.center().x()) <= 1);
    QVERIFY(qAbs(about.frameGeometry().center().y() - screen.center().y()) <= 1);
}

void TestFrmAbout::everyTextFitsItsLabel() {
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

void TestFrmAbout::helpAboutShowsItModally() {
    TempProfile profile;
    QVERIFY(profile.ok());
    frmMain form;
    QVERIFY(form.Form_Load());
    QString caption;
    bool modalOverMain = false;
    QTimer::singleShot(50, [&] {
        auto* about = qobject_cast<frmAbout*>(QApplication::activeModalWidget());
        if (about == nullptr) {
            return;
        }
        caption = about->windowTitle();
        modalOverMain = about->isVisible() && about->isModal();
        QTest::mouseClick(about->cmdOk, Qt::LeftButton);
    });
    form.controls().mnuHelpAbout->trigger();
    // Here the box has been closed: the call waited for it.
    QCOMPARE(caption, QStringLiteral("About Tavisk"));
    QVERIFY(modalOverMain);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCOMPARE(LiveAboutBoxes(), 0);
    // As often as asked.
    QTimer::singleShot(50, [] {
        if (auto* about = qobject_cast<frmAbout*>(QApplication::activeModalWidget())) {
            about->cmdOk->click();
        }
    });
    form.controls().mnuHelpAbout->trigger();
    QCOMPARE(LiveAboutBoxes(), 0);
}

QTEST_MAIN(TestFrmAbout)
#include "TestFrmAbout.moc"

// File > Exit and the main window's close box: every window goes, the
// program ends, nothing is asked and nothing is written.
#include "GuiTestSupport.h"

#include "MessageBox.h"
#include "frmHelp.h"
#include "frmMain.h"
#include "modFunctions.h"
#include "modHelp.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QTest>

#include <memory>

using namespace GuiTestSupport;

class TestShutdown final : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void endsWithoutAPrompt_data();
    void endsWithoutAPrompt();
    void unloadAllFormsClosesHiddenAndShownWindows();

private:
    /// Starts the main window with the guide open beside it, runs the event
    /// loop, and ends it through end; the loop's result.
    int RunAndEnd(const std::function<void(frmMain&)>& end);

    std::unique_ptr<TempProfile> m_profile;
    std::unique_ptr<frmMain> m_form;
    int m_writes = 0;
};

void TestShutdown::init() {
    MessageBox::clearHistory();
    m_profile = std::make_unique<TempProfile>();
    QVERIFY(m_profile->ok());
    AddApplication("Alpha", "/usr/bin/alpha %1", {"txtfile"});
    m_writes = 0;
}

void TestShutdown::cleanup() {
    m_form.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    m_profile.reset();
}

int TestShutdown::RunAndEnd(const std::function<void(frmMain&)>& end) {
    return RunEventLoop([this, end] {
        m_form = std::make_unique<frmMain>();
        if (!m_form->Form_Load()) {
            return;
        }
        modHelp::SetHelpFile(QStringLiteral(TAVISK_SOURCE_HELP "/index.html"));
        modHelp::ShowHelp();
        // From here on nothing may be written.
        tavisk::registry::setChangeListener(
            [this](const std::vector<std::string>& keys) { m_writes += int(keys.size()); });
        QTimer::singleShot(100, m_form.get(), [this, end] { end(*m_form); });
    });
}

void TestShutdown::endsWithoutAPrompt_data() {
    QTest::addColumn<bool>("closeBox");
    QTest::newRow("File > Exit") << false;
    QTest::newRow("close box") << true;
}

void TestShutdown::endsWithoutAPrompt() {
    QFETCH(bool, closeBox);
    const int result = RunAndEnd([closeBox](frmMain& form) {
        if (closeBox) {
            QVERIFY(form.close());
            return;
        }
        // File > Exit, clicked in its open menu.
        QMenuBar* bar = form.menuBar();
        QMenu* file = form.controls().mnuFile;
        QTest::mouseClick(bar, Qt::LeftButton, {},
                          bar->actionGeometry(file->menuAction()).center());
        QTest::mouseClick(file, Qt::LeftButton, {},
                          file->actionGeometry(form.controls().mnuFileExit).center());
    });
    QVERIFY(result != TimedOut);
    QVERIFY(m_form != nullptr);
    QVERIFY(!m_form->isVisible());
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        QVERIFY2(!widget->isVisible(), widget->metaObject()->className());
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(modHelp::HelpWindow() == nullptr);
    QVERIFY(MessageBox::history().isEmpty());
    QCOMPARE(m_writes, 0);
}

void TestShutdown::unloadAllFormsClosesHiddenAndShownWindows() {
    QWidget shown;
    shown.show();
    QWidget hidden;
    QPointer<QWidget> selfDeleting(new QWidget);
    selfDeleting->setAttribute(Qt::WA_DeleteOnClose);
    selfDeleting->show();
    const int result = RunEventLoop([] { modFunctions::UnloadAllForms(); });
    QVERIFY(result != TimedOut);
    QVERIFY(!shown.isVisible());
    QVERIFY(!hidden.isVisible());
    QVERIFY(selfDeleting.isNull());

    // With no window on the screen at all, the program ends too.
    QWidget neverShown;
    QVERIFY(RunEventLoop([] { modFunctions::UnloadAllForms(); }) != TimedOut);
}

QTEST_MAIN(TestShutdown)
#include "TestShutdown.moc"

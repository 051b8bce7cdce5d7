// Tavisk: opens the registry store, then the splash, which hands over to the
// main window.
#include "Accessibility.h"
#include "StatusBar.h"
#include "frmMain.h"
#include "frmSplash.h"
#include "modProduct.h"
#include "modStartup.h"
#ifndef _WIN32
#include "DesktopBridge.h"
#endif

#include <QApplication>
#include <QTimer>

#include <cstdlib>
#include <memory>

namespace {

#ifndef _WIN32
/// The bridge's problems and notices in the status bar. Those of one
/// reconcile arrive together and are shown together, the newest last.
void ShowBridgeMessage(frmMain* window, const std::string& message) {
    static bool joining = false;
    StatusBar* bar = window->controls().StatusBar1;
    QString text = QString::fromStdString(message);
    if (joining && !bar->currentMessage().isEmpty()) {
        text = bar->currentMessage() + QStringLiteral("  ") + text;
    }
    bar->showMessage(text, 15000);
    joining = true;
    QTimer::singleShot(0, [] { joining = false; });
}
#endif

/// Shows the main window and runs its start-up; false when that failed.
bool ShowMainWindow(std::unique_ptr<frmMain>& form) {
    form = std::make_unique<frmMain>();
#ifndef _WIN32
    // No shell reads the verbs here: the bridge puts them into the file managers' menus.
    // The menus follow each operation once it has returned to the event loop,
    // however many keys it wrote; a start-up sync repairs what a crash between
    // a write and its reconcile left behind.
    // F5 checks the file managers' entries again and repairs what drifted.
    frmMain* window = form.get();
    tavisk::desktop::installBridge(
        [window](const std::string& message) { ShowBridgeMessage(window, message); },
        [] { QTimer::singleShot(0, [] { tavisk::desktop::flushBridge(); }); });
    if (!form->Form_Load()) {
        return false;
    }
    QTimer::singleShot(0, [] { tavisk::desktop::syncBridge(); });
    QObject::connect(window, &frmMain::RefreshRequested, [] { tavisk::desktop::syncBridge(); });
    // The first panel may be too narrow for a message: the whole text is its tip.
    StatusBar* bar = window->controls().StatusBar1;
    QObject::connect(bar, &QStatusBar::messageChanged, bar,
                     [bar](const QString& message) { bar->setToolTip(message); });
    return true;
#else
    return form->Form_Load();
#endif
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    Accessibility::Install();
    QApplication::setApplicationName(modProduct::ProductName);
    QApplication::setApplicationVersion(QStringLiteral("%1.%2.%3")
                                            .arg(modProduct::MajorVersion())
                                            .arg(modProduct::MinorVersion())
                                            .arg(modProduct::Revision()));
    QApplication::setDesktopFileName(QStringLiteral("tavisk"));
    QApplication::setWindowIcon(modProduct::ProductPicture(QStringLiteral("Tavisk.svg")));
    if (!modStartup::OpenRegistryStore()) {
        return EXIT_FAILURE;
    }
    std::unique_ptr<frmMain> form;
    frmSplash splash([&form] { return ShowMainWindow(form); });
    splash.Form_Load();
    splash.show();
    splash.activateWindow();
    const int result = QApplication::exec();
    return splash.StartupFailed() ? EXIT_FAILURE : result;
}

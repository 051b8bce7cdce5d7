// Tavisk: opens the registry store, then the main window.
#include "StatusBar.h"
#include "frmMain.h"
#include "modStartup.h"
#ifndef _WIN32
#include "DesktopBridge.h"
#endif

#include <QApplication>

#include <cstdlib>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tavisk"));
    QApplication::setApplicationVersion(QStringLiteral(TAVISK_VERSION));
    if (!modStartup::OpenRegistryStore()) {
        return EXIT_FAILURE;
    }
    frmMain form;
#ifndef _WIN32
    // No shell reads the verbs here: the bridge puts them into the file managers' menus.
    tavisk::desktop::installBridge([&form](const std::string& problem) {
        form.controls().StatusBar1->showMessage(QString::fromStdString(problem), 15000);
    });
#endif
    if (!form.Form_Load()) {
        return EXIT_FAILURE;
    }
    return QApplication::exec();
}

// Tavisk: opens the registry store, then the main window.
#include "frmMain.h"
#include "modStartup.h"

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
    if (!form.Form_Load()) {
        return EXIT_FAILURE;
    }
    return QApplication::exec();
}

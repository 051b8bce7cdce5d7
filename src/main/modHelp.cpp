#include "modHelp.h"

#include "frmHelp.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QPointer>

// The install tree's help folder relative to the program's folder, from the
// build's install directories.
#ifndef TAVISK_INSTALLED_HELP_DIR
#define TAVISK_INSTALLED_HELP_DIR "../share/tavisk/help"
#endif

namespace modHelp {
namespace {

/// F1 in any window of the program opens the guide.
class HelpKey final : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress || !watched->isWidgetType()) {
            return false;
        }
        if (static_cast<QKeyEvent*>(event)->key() != Qt::Key_F1) {
            return false;
        }
        ShowHelp();
        return true;
    }
};

QString& CurrentHelpFile() {
    static QString file;
    return file;
}

QPointer<frmHelp>& CurrentWindow() {
    static QPointer<frmHelp> window;
    return window;
}

void InstallHelpKey() {
    static QPointer<HelpKey> key;
    if (key.isNull() && qApp != nullptr) {
        key = new HelpKey(qApp);
        qApp->installEventFilter(key);
    }
}

/// Modal over a modal dialog, so that the guide can be read while the
/// dialog waits; beside the program otherwise.
void MatchModality(frmHelp* help) {
    const QWidget* modal = QApplication::activeModalWidget();
    if (modal == help) {
        return;
    }
    const Qt::WindowModality wanted = modal != nullptr ? Qt::ApplicationModal : Qt::NonModal;
    if (help->windowModality() != wanted) {
        // A window takes a new modality when it is shown again.
        help->hide();
        help->setWindowModality(wanted);
    }
}

} // namespace

QString HelpFileFor(const QString& programDir) {
    const QDir dir(programDir);
    const QString beside = QDir::cleanPath(dir.filePath(QStringLiteral("help/index.html")));
    const QString installed =
        QDir::cleanPath(dir.filePath(QStringLiteral(TAVISK_INSTALLED_HELP_DIR "/index.html")));
    for (const QString& file : {beside, installed}) {
        if (QFileInfo(file).isFile()) {
            return file;
        }
    }
    return beside;
}

QString DefaultHelpFile() {
    return HelpFileFor(QCoreApplication::applicationDirPath());
}

void SetHelpFile(const QString& file) {
    CurrentHelpFile() = file;
    InstallHelpKey();
}

QString HelpFile() {
    return CurrentHelpFile();
}

void ShowHelp() {
    if (CurrentHelpFile().isEmpty()) {
        return;
    }
    QPointer<frmHelp>& help = CurrentWindow();
    if (help.isNull()) {
        help = new frmHelp(CurrentHelpFile());
    }
    MatchModality(help);
    help->show();
    help->raise();
    help->activateWindow();
}

frmHelp* HelpWindow() {
    return CurrentWindow().data();
}

} // namespace modHelp

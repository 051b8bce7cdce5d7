#pragma once
// What the dialog tests share: a registry of their own in a temporary folder,
// and showing a window so that it takes the keyboard focus.
#include "FileDialog.h"
#include "MessageBox.h"
#include "RegistryStore.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

namespace DialogTestSupport {

/// Opens a new, empty registry in dir. The data folders point at an empty
/// folder, so nothing of the machine's file types finds its way in.
inline bool OpenTestRegistry(const QTemporaryDir& dir) {
    if (!dir.isValid()) {
        return false;
    }
    const QString data = dir.filePath(QStringLiteral("data"));
    QDir().mkpath(data);
    qputenv("XDG_DATA_DIRS", QFile::encodeName(data));
    qputenv("XDG_DATA_HOME", QFile::encodeName(data));
    const auto opened =
        tavisk::registry::openStore(dir.filePath(QStringLiteral("registry.db")).toStdString());
    return opened.ok();
}

/// Shows the window and waits until it is the active window.
inline bool ShowActive(QWidget& window) {
    window.show();
    window.activateWindow();
    return QTest::qWaitForWindowActive(&window);
}

/// The texts of the message boxes shown since the history was cleared.
inline QStringList Texts() {
    QStringList texts;
    for (const MessageBox::Shown& shown : MessageBox::history()) {
        texts.append(shown.text);
    }
    return texts;
}

/// Forgets the message boxes and file dialogs of earlier tests.
inline void ResetPrompts() {
    MessageBox::clearHistory();
    FileDialog::reset();
}

} // namespace DialogTestSupport

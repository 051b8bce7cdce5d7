#pragma once
// What the dialog tests share: a registry of their own in a temporary folder
// (the data folders empty, so none of the machine's file types come in), file
// types written into it, and showing a window so that it takes the focus.
#include "FileDialog.h"
#include "MessageBox.h"
#include "RegistryStore.h"
#include "modRegistry.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

using namespace Qt::StringLiterals;

namespace DialogTestSupport {

inline bool OpenTestRegistry(const QTemporaryDir& dir) {
    const QString data = dir.filePath(u"data"_s);
    QDir().mkpath(data);
    qputenv("XDG_DATA_DIRS", QFile::encodeName(data));
    qputenv("XDG_DATA_HOME", QFile::encodeName(data));
    const std::string path = dir.filePath(u"registry.db"_s).toStdString();
    return dir.isValid() && tavisk::registry::openStore(path).ok();
}

/// The default value of a key under HKEY_CLASSES_ROOT.
inline void Write(const std::string& key, const std::string& data) {
    modRegistry::WriteRegValue(modRegistry::HKCR, key, "", modRegistry::REG_SZ_TYPE, data);
}

/// A file type the catalogue lists: its DefaultIcon, and its description.
inline void AddType(const std::string& name, const std::string& description = {}) {
    Write(name + "\\DefaultIcon", "icon");
    if (!description.empty()) {
        Write(name, description);
    }
}

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

inline void ResetPrompts() {
    MessageBox::clearHistory();
    FileDialog::reset();
}

} // namespace DialogTestSupport

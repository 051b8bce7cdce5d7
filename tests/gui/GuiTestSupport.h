#pragma once
// What the window tests (tests/gui and tests/main) share: a profile of the
// test's own (home, data and configuration folders, and a registry store) in
// a temporary folder, applications written as the operations leave them, the
// main window's registry calls, a watcher that answers modal dialogs, and a
// way to run the program's event loop until it ends.
#include "RegistryStore.h"
#include "frmMain.h"
#include "modRegistry.h"
#include "modStoreLayout.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QTemporaryDir>
#include <QTimer>

#include <deque>
#include <functional>
#include <string>
#include <vector>

using namespace Qt::StringLiterals;

namespace GuiTestSupport {

using modRegistry::HKCR;
using modRegistry::HKLM;

/// HOME, the XDG folders and the registry store point into a temporary folder;
/// the store is open while the object lives. Nothing of the user's is used.
class TempProfile final {
public:
    TempProfile() {
        for (const char* name : {"HOME", "XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_DATA_DIRS"}) {
            const QString folder = m_dir.filePath(QString::fromLatin1(name));
            QDir().mkpath(folder);
            qputenv(name, QFile::encodeName(folder));
        }
        m_store = m_dir.filePath(u"registry.db"_s);
        qputenv("TAVISK_REGISTRY", QFile::encodeName(m_store));
        m_ok = m_dir.isValid() && tavisk::registry::openStore(m_store.toStdString()).ok();
    }
    ~TempProfile() {
        tavisk::registry::setChangeListener({});
        tavisk::registry::closeStore();
    }
    Q_DISABLE_COPY_MOVE(TempProfile)

    bool ok() const { return m_ok; }
    QString storeFile() const { return m_store; }

private:
    QTemporaryDir m_dir;
    QString m_store;
    bool m_ok = false;
};

inline void Write(std::uint32_t root, const std::string& key, const std::string& value,
                  const std::string& data) {
    modRegistry::WriteRegValue(root, key, value, modRegistry::REG_SZ_TYPE, data);
}

inline QString Read(std::uint32_t root, const std::string& key, const std::string& value) {
    return QString::fromStdString(modRegistry::ReadRegValue(root, key, value));
}

/// A file type the file-type dialog lists: a key with a DefaultIcon value.
inline void AddFileType(const std::string& type, const std::string& description = {}) {
    Write(HKCR, type + modStoreLayout::DefaultIconKey, std::string(), "icon");
    if (!description.empty()) {
        Write(HKCR, type, std::string(), description);
    }
}

/// An application with its marked verbs and association records.
inline void AddApplication(const std::string& caption, const std::string& command,
                           const std::vector<std::string>& fileTypes = {},
                           const std::string& created = "01 May 2026") {
    const std::string key = modStoreLayout::ApplicationKey(caption);
    Write(HKLM, key, modStoreLayout::PathValue, command);
    Write(HKLM, key, modStoreLayout::CreatedValue, created);
    for (const std::string& type : fileTypes) {
        AddFileType(type);
        const std::string verb = modStoreLayout::CommandKey(type, caption);
        Write(HKCR, verb, std::string(), command);
        Write(HKCR, verb, modStoreLayout::MarkerName, modStoreLayout::MarkerData);
        Write(HKCR, verb, modStoreLayout::CreatedValue, created);
        Write(HKLM, modStoreLayout::AssociationKey(caption, type), modStoreLayout::FileTypeValue,
              type);
    }
}

/// Watches for modal dialogs while a command runs: records the class of each
/// one shown and hands it to the next queued action, which answers and closes
/// it. A dialog no action awaits is cancelled at once.
class DialogWatcher final : public QObject {
public:
    using Action = std::function<void(QDialog&)>;

    DialogWatcher() {
        connect(&m_timer, &QTimer::timeout, this, [this] { Poll(); });
        m_timer.start(10);
    }
    void Then(Action action) { m_actions.push_back(std::move(action)); }
    QStringList shown;

private:
    void Poll() {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr || !dialog->isVisible() || dialog == m_current) {
            m_current = dialog && dialog->isVisible() ? dialog : nullptr;
            return;
        }
        m_current = dialog;
        shown.append(QString::fromLatin1(dialog->metaObject()->className()));
        if (m_actions.empty()) {
            dialog->reject();
            return;
        }
        Action action = std::move(m_actions.front());
        m_actions.pop_front();
        action(*dialog);
    }

    QTimer m_timer;
    std::deque<Action> m_actions;
    QDialog* m_current = nullptr;
};

/// Runs the program's event loop as main() does, starting with start; the
/// exit code, or TimedOut when the program had not ended after a while.
constexpr int TimedOut = -999;
inline int RunEventLoop(const std::function<void()>& start, int timeoutMs = 10000) {
    bool timedOut = false;
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [&timedOut] {
        timedOut = true;
        QCoreApplication::exit(TimedOut);
    });
    guard.start(timeoutMs);
    QTimer::singleShot(0, start);
    const int result = QApplication::exec();
    return timedOut ? TimedOut : result;
}

} // namespace GuiTestSupport

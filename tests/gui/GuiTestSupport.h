#pragma once
// What the program-level GUI tests share: a profile of the test's own (home,
// data and configuration folders, and a registry store) in a temporary
// folder, and a way to run the program's event loop until it ends.
#include "RegistryStore.h"
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

namespace GuiTestSupport {

/// A home of the test's own: HOME and the XDG folders point into a temporary
/// folder, and the registry store is a file there, open for the process
/// while the object lives. Nothing of the user's is ever looked at.
class TempProfile final {
public:
    TempProfile() {
        for (const char* name : {"home", "data", "config", "dirs"}) {
            QDir().mkpath(m_dir.filePath(QString::fromLatin1(name)));
        }
        qputenv("HOME", QFile::encodeName(m_dir.filePath(QStringLiteral("home"))));
        qputenv("XDG_DATA_HOME", QFile::encodeName(m_dir.filePath(QStringLiteral("data"))));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_dir.filePath(QStringLiteral("config"))));
        qputenv("XDG_DATA_DIRS", QFile::encodeName(m_dir.filePath(QStringLiteral("dirs"))));
        m_store = m_dir.filePath(QStringLiteral("registry.db"));
        qputenv("TAVISK_REGISTRY", QFile::encodeName(m_store));
        m_ok = m_dir.isValid() && tavisk::registry::openStore(m_store.toStdString()).ok();
    }
    ~TempProfile() {
        tavisk::registry::setChangeListener({});
        tavisk::registry::closeStore();
    }
    TempProfile(const TempProfile&) = delete;
    TempProfile& operator=(const TempProfile&) = delete;

    bool ok() const { return m_ok; }
    QString storeFile() const { return m_store; }
    QString folder() const { return m_dir.path(); }

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
    Write(modRegistry::HKCR, type + modStoreLayout::DefaultIconKey, std::string(), "icon");
    if (!description.empty()) {
        Write(modRegistry::HKCR, type, std::string(), description);
    }
}

/// An application as the operations leave it, with its marked verbs and
/// association records.
inline void AddApplication(const std::string& caption, const std::string& command,
                           const std::vector<std::string>& fileTypes = {}) {
    const std::string key = modStoreLayout::ApplicationKey(caption);
    Write(modRegistry::HKLM, key, modStoreLayout::PathValue, command);
    Write(modRegistry::HKLM, key, modStoreLayout::CreatedValue, "01 May 2026");
    for (const std::string& type : fileTypes) {
        AddFileType(type);
        const std::string verb = modStoreLayout::CommandKey(type, caption);
        Write(modRegistry::HKCR, verb, std::string(), command);
        Write(modRegistry::HKCR, verb, modStoreLayout::MarkerName, modStoreLayout::MarkerData);
        Write(modRegistry::HKCR, verb, modStoreLayout::CreatedValue, "01 May 2026");
        Write(modRegistry::HKLM, modStoreLayout::AssociationKey(caption, type),
              modStoreLayout::FileTypeValue, type);
    }
}

/// Watches for modal dialogs while a command runs: records the class of
/// each one shown, in order, and hands it to the next queued action, which
/// answers and closes it. A dialog no action awaits is cancelled at once.
class DialogWatcher final : public QObject {
public:
    using Action = std::function<void(QDialog&)>;

    DialogWatcher() {
        m_timer.setInterval(10);
        connect(&m_timer, &QTimer::timeout, this, [this] { Poll(); });
        m_timer.start();
    }

    /// The next dialog shown gets action.
    void Then(Action action) { m_actions.push_back(std::move(action)); }

    /// Class names of the dialogs shown since the last Clear.
    QStringList shown;
    int pending() const { return static_cast<int>(m_actions.size()); }
    void Clear() {
        shown.clear();
        m_actions.clear();
    }

private:
    void Poll() {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr || !dialog->isVisible()) {
            m_current = nullptr;
            return;
        }
        if (dialog == m_current) {
            return; // still being answered
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

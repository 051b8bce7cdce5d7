#pragma once
// What the operation tests share: a registry of the test's own in a temporary
// folder, a main window of the test's own that carries a real tree and status
// bar, a driver that answers the modal dialogs while they are shown, a record
// of the store's writes, and the one walk of the store that checks the
// invariants of the application store and the shell verbs.
#include "FileDialog.h"
#include "MessageBox.h"
#include "RegistryStore.h"
#include "StatusBar.h"
#include "TreeView.h"
#include "frmMainRoutines.h"
#include "modRegistry.h"
#include "modStoreLayout.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QList>
#include <QPair>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <ctime>
#include <deque>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace OperationsTestSupport {

using modRegistry::HKCR;
using modRegistry::HKLM;

/// A value as text, "Not Found" when it cannot be read.
inline QString Read(std::uint32_t root, const std::string& key, const std::string& value) {
    return QString::fromStdString(modRegistry::ReadRegValue(root, key, value));
}

inline void Write(std::uint32_t root, const std::string& key, const std::string& value,
                  const std::string& data) {
    modRegistry::WriteRegValue(root, key, value, modRegistry::REG_SZ_TYPE, data);
}

inline bool Exists(std::uint32_t root, const std::string& key) {
    return modRegistry::RegKeyExists(root, key);
}

/// Names of the subkeys of a key, in the store's order.
inline QStringList Subkeys(std::uint32_t root, const std::string& key) {
    QStringList names;
    for (std::int32_t i = 0;; ++i) {
        const std::string name = modRegistry::EnumRegSubkey(root, key, i);
        if (name == modRegistry::NotFound) {
            return names;
        }
        names.append(QString::fromStdString(name));
    }
}

/// A registry of the test's own, empty, with the data folders pointed at an
/// empty folder so that nothing of the machine's file types comes in. One
/// per test function; the process's store is closed again at its end.
class TestRegistry final {
public:
    TestRegistry() {
        const QString data = m_dir.filePath(QStringLiteral("data"));
        QDir().mkpath(data);
        qputenv("XDG_DATA_DIRS", QFile::encodeName(data));
        qputenv("XDG_DATA_HOME", QFile::encodeName(data));
        const std::string path = m_dir.filePath(QStringLiteral("registry.db")).toStdString();
        qputenv("TAVISK_REGISTRY", QByteArray::fromStdString(path));
        m_ok = m_dir.isValid() && tavisk::registry::openStore(path).ok();
    }
    ~TestRegistry() {
        tavisk::registry::setChangeListener({});
        tavisk::registry::closeStore();
    }
    TestRegistry(const TestRegistry&) = delete;
    TestRegistry& operator=(const TestRegistry&) = delete;

    bool ok() const { return m_ok; }

    /// A file type the catalogue lists: a key with a DefaultIcon default value.
    static void AddFileType(const std::string& type) {
        Write(HKCR, type + modStoreLayout::DefaultIconKey, std::string(), "icon");
    }

    /// An application as the operations leave it: its key with "PATH" and
    /// "CREATED", and for each file type its marked verb and its record.
    static void AddApplication(const std::string& caption, const std::string& command,
                               const std::string& created,
                               const std::vector<std::string>& fileTypes = {}) {
        const std::string key = modStoreLayout::ApplicationKey(caption);
        Write(HKLM, key, modStoreLayout::PathValue, command);
        Write(HKLM, key, modStoreLayout::CreatedValue, created);
        for (const std::string& type : fileTypes) {
            AddFileType(type);
            const std::string verb = modStoreLayout::CommandKey(type, caption);
            Write(HKCR, verb, std::string(), command);
            Write(HKCR, verb, modStoreLayout::MarkerName, modStoreLayout::MarkerData);
            Write(HKCR, verb, modStoreLayout::CreatedValue, created);
            Write(HKLM, modStoreLayout::AssociationKey(caption, type),
                  modStoreLayout::FileTypeValue, type);
        }
    }

    /// Another program's verb of this caption under a file type: a command,
    /// and the marker value only when one is given.
    static void PlantForeignVerb(const std::string& type, const std::string& caption,
                                 const std::string& command, const std::string& marker = {}) {
        const std::string verb = modStoreLayout::CommandKey(type, caption);
        modRegistry::DeleteRegKey(HKCR, verb); // whatever was there before
        Write(HKCR, verb, std::string(), command);
        if (!marker.empty()) {
            Write(HKCR, verb, modStoreLayout::MarkerName, marker);
        }
    }

private:
    QTemporaryDir m_dir;
    bool m_ok = false;
};

/// A fixed local date for DateStamp(), and its text.
class FixedClock final {
public:
    explicit FixedClock(int year, int month, int day) {
        std::tm local{};
        local.tm_year = year - 1900;
        local.tm_mon = month - 1;
        local.tm_mday = day;
        local.tm_hour = 12;
        local.tm_isdst = -1;
        m_when = std::mktime(&local);
        const std::time_t when = m_when;
        modStoreLayout::SetClock([when] { return when; });
    }
    ~FixedClock() { modStoreLayout::SetClock({}); }
    FixedClock(const FixedClock&) = delete;
    FixedClock& operator=(const FixedClock&) = delete;

    QString today() const { return QString::fromStdString(modStoreLayout::DateStamp(m_when)); }

private:
    std::time_t m_when = 0;
};

/// The main window as the operations see it: a real tree and status bar, a
/// reload of the tree from the store as the program loads it (keys "X" +
/// index, the command as Tag, the records as children), and a count of the
/// reloads and of the selection updates. Either can be made to fail.
class TestMainWindow final : public QWidget, public frmMainRoutines {
public:
    TestMainWindow() {
        auto* layout = new QVBoxLayout(this);
        layout->addWidget(m_tree);
        layout->addWidget(m_statusBar);
        resize(400, 500);
    }

    TreeView& treApplications() override { return *m_tree; }
    StatusBar& StatusBar1() override { return *m_statusBar; }
    QWidget& Form() override { return *this; }

    void RefreshTree() override {
        ++refreshes;
        if (failRefresh) {
            throw std::runtime_error("refresh failed");
        }
        Load();
    }

    void treApplications_MouseUp(Qt::MouseButton, Qt::KeyboardModifiers, double, double) override {
        ++mouseUps;
        if (failMouseUp) {
            throw std::runtime_error("update failed");
        }
    }

    /// Fills the tree from the store and leaves nothing selected.
    void Load() {
        m_tree->clear();
        const std::string store = modStoreLayout::StorePath;
        for (const QString& caption : Subkeys(HKLM, store)) {
            TreeNode* node = m_tree->addNode(caption, QStringLiteral("Application"));
            node->setKey(QStringLiteral("X") + QString::number(node->index()));
            node->setTag(
                Read(HKLM, store + caption.toStdString(), modStoreLayout::PathValueAsRead));
            for (const QString& type : Subkeys(HKLM, store + caption.toStdString())) {
                m_tree->addChild(node, type, QStringLiteral("FileType"));
            }
        }
        m_tree->setSelectedNode(nullptr);
    }

    /// Shows the window and loads the tree.
    bool Start() {
        show();
        Load();
        return QTest::qWaitForWindowExposed(this);
    }

    /// The top-level node with this text, or the child of it with childText.
    TreeNode* Node(const QString& text, const QString& childText = {}) const {
        for (TreeNode* node : m_tree->nodes()) {
            if (childText.isEmpty() && node->parent() == nullptr && node->text() == text) {
                return node;
            }
            if (!childText.isEmpty() && node->parent() && node->parent()->text() == text &&
                node->text() == childText) {
                return node;
            }
        }
        return nullptr;
    }

    /// Selects a node as the user does: a left click on it.
    bool Select(const QString& text, const QString& childText = {}) {
        TreeNode* node = Node(text, childText);
        if (node == nullptr) {
            return false;
        }
        if (node->parent()) {
            node->parent()->setExpanded(true);
        }
        QTest::mouseClick(m_tree->view()->viewport(), Qt::LeftButton, {},
                          m_tree->nodeRect(node).center());
        return m_tree->selectedNode() == node;
    }

    /// Top-level captions as the tree shows them, top to bottom.
    QStringList Captions() const {
        std::vector<TreeNode*> top;
        for (TreeNode* node : m_tree->nodes()) {
            if (node->parent() == nullptr) {
                top.push_back(node);
            }
        }
        std::sort(top.begin(), top.end(), [this](TreeNode* a, TreeNode* b) {
            return m_tree->nodeRect(a).top() < m_tree->nodeRect(b).top();
        });
        QStringList captions;
        for (TreeNode* node : top) {
            captions.append(node->text());
        }
        return captions;
    }

    int refreshes = 0;
    int mouseUps = 0;
    bool failRefresh = false;
    bool failMouseUp = false;

private:
    TreeView* m_tree = new TreeView(this);
    StatusBar* m_statusBar = new StatusBar(this);
};

/// Answers modal dialogs while they are shown: each queued action runs, in
/// order, on the next modal dialog of its type that is shown. A dialog that
/// no action awaits is cancelled after a while and counted, so that a test
/// that shows more dialogs than it expects fails instead of waiting forever.
class ModalDriver final : public QObject {
public:
    ModalDriver() {
        m_timer.setInterval(10);
        connect(&m_timer, &QTimer::timeout, this, [this] { Poll(); });
        m_timer.start();
    }

    template <class Dialog> void When(std::function<void(Dialog&)> action) {
        m_actions.push_back([action](QDialog& shown) {
            auto* dialog = qobject_cast<Dialog*>(&shown);
            if (dialog == nullptr) {
                return false;
            }
            action(*dialog);
            return true;
        });
    }

    /// Dialogs shown that no action awaited, or of another type than the
    /// action awaited.
    int unexpected() const { return m_unexpected; }
    /// Actions never run.
    int pending() const { return static_cast<int>(m_actions.size()); }
    /// Dialogs shown, answered or not.
    int shown() const { return m_shown; }

private:
    void Poll() {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr || !dialog->isVisible()) {
            m_idlePolls = 0;
            return;
        }
        if (!m_actions.empty()) {
            auto action = std::move(m_actions.front());
            m_actions.pop_front();
            ++m_shown;
            if (!action(*dialog)) {
                ++m_unexpected;
                dialog->reject();
            }
            m_idlePolls = 0;
            return;
        }
        if (++m_idlePolls > 100) {
            ++m_shown;
            ++m_unexpected;
            m_idlePolls = 0;
            dialog->reject();
        }
    }

    QTimer m_timer;
    std::deque<std::function<bool(QDialog&)>> m_actions;
    int m_idlePolls = 0;
    int m_unexpected = 0;
    int m_shown = 0;
};

/// The texts of the message boxes shown since the history was cleared.
inline QStringList Texts() {
    QStringList texts;
    for (const MessageBox::Shown& shown : MessageBox::history()) {
        texts.append(shown.text);
    }
    return texts;
}

/// Live windows of a type: a dialog that its caller forgot to discard stays
/// among the top-level widgets.
template <class Dialog> int LiveDialogs() {
    int count = 0;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (qobject_cast<Dialog*>(widget) != nullptr) {
            ++count;
        }
    }
    return count;
}

/// Every committed change of the store while it lives: the key, with what
/// panel 1 of the status bar said and whether the hourglass was up.
class WriteLog final {
public:
    struct Entry {
        QString key;
        QString status;
        bool hourglass;
    };

    explicit WriteLog(StatusBar* statusBar = nullptr) {
        tavisk::registry::setChangeListener(
            [this, statusBar](const std::vector<std::string>& keys) {
                for (const std::string& key : keys) {
                    m_entries.push_back({QString::fromStdString(key),
                                         statusBar ? statusBar->panelText(1) : QString(),
                                         QApplication::overrideCursor() != nullptr});
                }
            });
    }
    ~WriteLog() { tavisk::registry::setChangeListener({}); }
    WriteLog(const WriteLog&) = delete;
    WriteLog& operator=(const WriteLog&) = delete;

    const std::vector<Entry>& entries() const { return m_entries; }
    bool empty() const { return m_entries.empty(); }

    /// The changed keys, with HKEY_CLASSES_ROOT\ and HKEY_LOCAL_MACHINE\ as
    /// the operations name their roots, keeping only those ending in one of
    /// the given tails.
    QStringList Keys(const QStringList& tails = {}) const {
        QStringList keys;
        for (const Entry& entry : m_entries) {
            QString key = entry.key;
            key.replace(QStringLiteral("HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\"),
                        QStringLiteral("HKCR\\"));
            key.replace(QStringLiteral("HKEY_LOCAL_MACHINE\\"), QStringLiteral("HKLM\\"));
            const bool kept = tails.isEmpty() ||
                              std::any_of(tails.begin(), tails.end(), [&key](const QString& tail) {
                                  return key.endsWith(tail);
                              });
            if (kept) {
                keys.append(key);
            }
        }
        return keys;
    }

private:
    std::vector<Entry> m_entries;
};

/// A verb another program owns: its caption and file type.
using ForeignVerb = QPair<QString, QString>;

/// Walks the store and the shell verbs and returns every breach of the three
/// invariants: (1) an association exists in both areas or in neither, (2) an
/// application's file types are exactly its record keys, as the tree shows
/// them, (3) every verb of an application runs the application's "PATH".
/// Verbs another program owns (foreign) are exempt from (1) and (3); the tree,
/// when given, must list each stored application once, with its command and
/// its records.
inline QStringList StoreViolations(const QList<ForeignVerb>& foreign = {},
                                   const TreeView* tree = nullptr) {
    using namespace modStoreLayout;
    QStringList violations;
    const auto isForeign = [&foreign](const QString& caption, const QString& type) {
        for (const ForeignVerb& verb : foreign) {
            if (verb.first.compare(caption, Qt::CaseInsensitive) == 0 &&
                verb.second.compare(type, Qt::CaseInsensitive) == 0) {
                return true;
            }
        }
        return false;
    };
    const QStringList captions = Subkeys(HKLM, StorePath);
    for (const QString& caption : captions) {
        const std::string app = ApplicationKey(caption.toStdString());
        const QString command = Read(HKLM, app, PathValue);
        for (const QString& type : Subkeys(HKLM, app)) {
            const std::string record = AssociationKey(caption.toStdString(), type.toStdString());
            if (Read(HKLM, record, FileTypeValue) != type) {
                violations << QStringLiteral("record %1\\%2 lacks its FileType").arg(caption, type);
            }
            if (isForeign(caption, type)) {
                continue;
            }
            const std::string verb = CommandKey(type.toStdString(), caption.toStdString());
            if (Read(HKCR, verb, MarkerName) != MarkerData) {
                violations << QStringLiteral("record %1\\%2 has no marked verb").arg(caption, type);
            } else if (Read(HKCR, verb, std::string()) != command) {
                violations << QStringLiteral("verb %1\\%2 runs '%3', PATH is '%4'")
                                  .arg(caption, type, Read(HKCR, verb, std::string()), command);
            }
        }
    }
    for (const QString& type : Subkeys(HKCR, std::string())) {
        for (const QString& caption : Subkeys(HKCR, type.toStdString() + "\\Shell")) {
            const std::string verb = CommandKey(type.toStdString(), caption.toStdString());
            const bool marked = Read(HKCR, verb, MarkerName) == MarkerData;
            if (marked &&
                !Exists(HKLM, AssociationKey(caption.toStdString(), type.toStdString()))) {
                violations << QStringLiteral("marked verb %1\\%2 has no record").arg(caption, type);
            }
        }
    }
    if (tree == nullptr) {
        return violations;
    }
    QStringList listed;
    for (const TreeNode* node : tree->nodes()) {
        if (node->parent() != nullptr) {
            continue;
        }
        listed << node->text();
        const std::string app = ApplicationKey(node->text().toStdString());
        if (node->tag() != Read(HKLM, app, PathValueAsRead)) {
            violations << QStringLiteral("node %1 carries '%2'").arg(node->text(), node->tag());
        }
        QStringList children;
        for (const TreeNode* child : tree->nodes()) {
            if (child->parent() == node) {
                children << child->text();
            }
        }
        QStringList records = Subkeys(HKLM, app);
        children.sort();
        records.sort();
        if (children != records) {
            violations << QStringLiteral("node %1 lists %2, the store holds %3")
                              .arg(node->text(), children.join(u','), records.join(u','));
        }
    }
    listed.sort();
    QStringList stored = captions;
    stored.sort();
    if (listed != stored) {
        violations << QStringLiteral("the tree lists %1, the store holds %2")
                          .arg(listed.join(u','), stored.join(u','));
    }
    return violations;
}

} // namespace OperationsTestSupport

/// Checks the invariants of the store (and the tree, when given) after an
/// operation; foreign lists the verbs another program owns.
#define VERIFY_STORE(foreign, tree)                                                                \
    do {                                                                                           \
        const QStringList violations = OperationsTestSupport::StoreViolations(foreign, tree);      \
        QVERIFY2(violations.isEmpty(), qPrintable(violations.join(QStringLiteral("; "))));         \
    } while (false)

#pragma once
// What the operation tests share: a registry of the test's own in a temporary
// folder, a window with a real tree and status bar, a driver that answers the
// modal dialogs while they are shown, a record of the store's writes, and the
// invariants of the store, the verbs and the tree.
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
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>

#include <ctime>
#include <deque>
#include <functional>
#include <stdexcept>

using namespace Qt::StringLiterals;

namespace OperationsTestSupport {

using modRegistry::HKCR;
using modRegistry::HKLM;
using namespace modStoreLayout;

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

/// An empty registry of the test's own; the data folders empty, so that none
/// of the machine's file types come in.
class TestRegistry final {
public:
    TestRegistry() {
        const QString data = m_dir.filePath(u"data"_s);
        QDir().mkpath(data);
        qputenv("XDG_DATA_DIRS", QFile::encodeName(data));
        qputenv("XDG_DATA_HOME", QFile::encodeName(data));
        const std::string path = m_dir.filePath(u"registry.db"_s).toStdString();
        qputenv("TAVISK_REGISTRY", QByteArray::fromStdString(path));
        m_ok = m_dir.isValid() && tavisk::registry::openStore(path).ok();
    }
    ~TestRegistry() {
        tavisk::registry::setChangeListener({});
        tavisk::registry::closeStore();
        SetClock({});
    }
    Q_DISABLE_COPY_MOVE(TestRegistry)
    bool ok() const { return m_ok; }

    /// A file type the catalogue lists: a key with a DefaultIcon default value.
    static void AddFileType(const std::string& type) {
        Write(HKCR, type + DefaultIconKey, std::string(), "icon");
    }

    /// An application as the operations leave it, made on 01 May 2026.
    static void AddApplication(const std::string& caption, const std::string& command,
                               const std::vector<std::string>& fileTypes = {}) {
        Write(HKLM, ApplicationKey(caption), PathValue, command);
        Write(HKLM, ApplicationKey(caption), CreatedValue, "01 May 2026");
        for (const std::string& type : fileTypes) {
            AddFileType(type);
            const std::string verb = CommandKey(type, caption);
            Write(HKCR, verb, std::string(), command);
            Write(HKCR, verb, MarkerName, MarkerData);
            Write(HKCR, verb, CreatedValue, "01 May 2026");
            Write(HKLM, AssociationKey(caption, type), FileTypeValue, type);
        }
    }

    /// Another program's verb of this caption: a command, and a marker when given.
    static void PlantForeignVerb(const std::string& type, const std::string& caption,
                                 const std::string& marker = {}) {
        modRegistry::DeleteRegKey(HKCR, CommandKey(type, caption));
        Write(HKCR, CommandKey(type, caption), std::string(), "/usr/bin/other %1");
        if (!marker.empty()) {
            Write(HKCR, CommandKey(type, caption), MarkerName, marker);
        }
    }

private:
    QTemporaryDir m_dir;
    bool m_ok = false;
};

/// Today is 5 March 2026, at noon local time.
inline void SetFixedClock() {
    std::tm local{};
    local.tm_year = 2026 - 1900;
    local.tm_mon = 2;
    local.tm_mday = 5;
    local.tm_hour = 12;
    local.tm_isdst = -1;
    const std::time_t when = std::mktime(&local);
    SetClock([when] { return when; });
}

/// The main window as the operations see it: a real tree and status bar, the
/// tree loaded from the store as the program loads it, and counts of the
/// reloads and of the selection updates, either of which can be made to fail.
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

    /// Fills the tree from the store (keys "X" + index, the command as Tag).
    void Load() {
        m_tree->clear();
        for (const QString& caption : Subkeys(HKLM, StorePath)) {
            const std::string key = ApplicationKey(caption.toStdString());
            TreeNode* node = m_tree->addNode(caption, u"Application"_s);
            node->setKey(u"X"_s + QString::number(node->index()));
            node->setTag(Read(HKLM, key, PathValueAsRead));
            for (const QString& type : Subkeys(HKLM, key)) {
                m_tree->addChild(node, type, u"FileType"_s);
            }
        }
        m_tree->setSelectedNode(nullptr);
    }

    bool Start() {
        show();
        Load();
        return QTest::qWaitForWindowExposed(this);
    }

    /// The top-level node with this text, or its child with childText.
    TreeNode* Node(const QString& text, const QString& childText = {}) const {
        for (TreeNode* node : m_tree->nodes()) {
            const TreeNode* parent = node->parent();
            if (childText.isEmpty()
                    ? !parent && node->text() == text
                    : parent && parent->text() == text && node->text() == childText) {
                return node;
            }
        }
        return nullptr;
    }

    /// Selects a node as the user does: a left click on it.
    bool Select(const QString& text, const QString& childText = {}) {
        TreeNode* node = Node(text, childText);
        if (node && node->parent()) {
            node->parent()->setExpanded(true);
        }
        if (node) {
            QTest::mouseClick(m_tree->view()->viewport(), Qt::LeftButton, {},
                              m_tree->nodeRect(node).center());
        }
        return node && m_tree->selectedNode() == node;
    }

    /// Top-level captions as the tree shows them, top to bottom.
    QStringList Captions() const {
        QStringList captions;
        for (int y = 0; y < m_tree->view()->viewport()->height(); ++y) {
            const TreeNode* node = m_tree->nodeAt(QPoint(5, y));
            if (node && !node->parent() && !captions.contains(node->text())) {
                captions.append(node->text());
            }
        }
        return captions;
    }

    /// The texts of a node's children, in the order of the node collection.
    QStringList Children(const QString& text) const {
        QStringList children;
        for (const TreeNode* node : m_tree->nodes()) {
            if (node->parent() && node->parent() == Node(text)) {
                children.append(node->text());
            }
        }
        return children;
    }

    int refreshes = 0;
    int mouseUps = 0;
    bool failRefresh = false;
    bool failMouseUp = false;

private:
    TreeView* m_tree = new TreeView(this);
    StatusBar* m_statusBar = new StatusBar(this);
};

/// Answers modal dialogs while they are shown: each queued action runs on the
/// next modal dialog, which must be of its type. A dialog that no action
/// awaits is cancelled after a second and counted as unexpected.
class ModalDriver final : public QObject {
public:
    ModalDriver() {
        connect(&m_timer, &QTimer::timeout, this, [this] { Poll(); });
        m_timer.start(10);
    }

    template <class Dialog> void When(std::function<void(Dialog&)> action) {
        m_actions.push_back([action](QDialog& active) {
            auto* dialog = qobject_cast<Dialog*>(&active);
            if (dialog) {
                action(*dialog);
            }
            return dialog != nullptr;
        });
    }

    int unexpected = 0;
    int pending() const { return static_cast<int>(m_actions.size()); }

private:
    void Poll() {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr || !dialog->isVisible() ||
            (m_actions.empty() && ++m_idlePolls <= 100)) {
            m_idlePolls = dialog && dialog->isVisible() ? m_idlePolls : 0;
            return;
        }
        m_idlePolls = 0;
        bool answered = false;
        if (!m_actions.empty()) {
            auto action = std::move(m_actions.front());
            m_actions.pop_front();
            answered = action(*dialog);
        }
        if (!answered) {
            ++unexpected;
            dialog->reject();
        }
    }

    QTimer m_timer;
    std::deque<std::function<bool(QDialog&)>> m_actions;
    int m_idlePolls = 0;
};

/// The texts of the message boxes shown since the history was cleared.
inline QStringList Texts() {
    QStringList texts;
    for (const MessageBox::Shown& shown : MessageBox::history()) {
        texts.append(shown.text);
    }
    return texts;
}

/// Every committed change of the store while it lives: the key (its root
/// named HKCR or HKLM), and what panel 1 of the status bar said and
/// whether the hourglass was up at the time.
class WriteLog final {
public:
    explicit WriteLog(StatusBar* statusBar = nullptr) {
        tavisk::registry::setChangeListener(
            [this, statusBar](const std::vector<std::string>& keys) {
                for (const std::string& changed : keys) {
                    QString key = QString::fromStdString(changed);
                    key.replace(u"HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\"_s, "HKCR\\");
                    key.replace(u"HKEY_LOCAL_MACHINE\\"_s, u"HKLM\\"_s);
                    if (keys_.isEmpty() || keys_.last() != key) {
                        keys_.append(key);
                    }
                    statuses.insert(statusBar ? statusBar->panelText(1) : QString());
                    hourglass &= QApplication::overrideCursor() != nullptr;
                }
            });
    }
    ~WriteLog() { tavisk::registry::setChangeListener({}); }
    Q_DISABLE_COPY_MOVE(WriteLog)

    /// The changed keys, in order, repeats in a row merged; only those that
    /// match the pattern when one is given.
    QStringList Keys(const QString& pattern = {}) const {
        return keys_.filter(QRegularExpression(pattern));
    }

    QSet<QString> statuses;
    bool hourglass = true;

private:
    QStringList keys_;
};

/// Every breach of the invariants of the store: an association exists as a
/// record and as a marked verb, or as neither; every verb of an application
/// runs its "PATH". The verbs of the caption\\type pairs in foreign are exempt.
inline QStringList StoreViolations(const QStringList& foreign) {
    QStringList violations;
    for (const QString& caption : Subkeys(HKLM, StorePath)) {
        const std::string app = ApplicationKey(caption.toStdString());
        for (const QString& type : Subkeys(HKLM, app)) {
            const std::string verb = CommandKey(type.toStdString(), caption.toStdString());
            if (foreign.contains(caption + u'\\' + type, Qt::CaseInsensitive)) {
                continue;
            }
            if (Read(HKCR, verb, MarkerName) != MarkerData) {
                violations << u"record %1\\%2 has no marked verb"_s.arg(caption, type);
            } else if (Read(HKCR, verb, std::string()) != Read(HKLM, app, PathValue)) {
                violations << u"verb %1\\%2 runs another command"_s.arg(caption, type);
            }
        }
    }
    for (const QString& type : Subkeys(HKCR, std::string())) {
        for (const QString& caption : Subkeys(HKCR, type.toStdString() + "\\Shell")) {
            const std::string verb = CommandKey(type.toStdString(), caption.toStdString());
            if (Read(HKCR, verb, MarkerName) == MarkerData &&
                !Exists(HKLM, AssociationKey(caption.toStdString(), type.toStdString()))) {
                violations << u"marked verb %1\\%2 has no record"_s.arg(caption, type);
            }
        }
    }
    return violations;
}

/// The tree as a sorted list of "caption, command: file types".
inline QStringList TreeContents(const TreeView& tree) {
    QStringList contents;
    for (const TreeNode* node : tree.nodes()) {
        if (node->parent() == nullptr) {
            QStringList children;
            for (const TreeNode* child : tree.nodes()) {
                children << (child->parent() == node ? child->text() : QString());
            }
            children.removeAll(QString());
            children.sort();
            contents << node->text() + u", "_s + node->tag() + u": "_s + children.join(u' ');
        }
    }
    contents.sort();
    return contents;
}

} // namespace OperationsTestSupport

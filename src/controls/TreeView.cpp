#include "TreeView.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <stdexcept>

namespace tavisk::controls::detail {

/// A row of the item view, carrying its node and the node's collection index.
class NodeItem final : public QTreeWidgetItem {
public:
    explicit NodeItem(int index) : m_index(index) {}

    TreeNode* node = nullptr;

    /// Top-level rows by text without regard to case, then by index; children
    /// by index alone, so sorting never reorders them.
    bool operator<(const QTreeWidgetItem& other) const override {
        const auto& that = static_cast<const NodeItem&>(other);
        if (parent() == nullptr && that.parent() == nullptr) {
            const int order = text(0).compare(that.text(0), Qt::CaseInsensitive);
            if (order != 0) {
                return order < 0;
            }
        }
        return m_index < that.m_index;
    }

private:
    int m_index;
};

/// The item view: selects with the left button and the keyboard only, never
/// clears the selection on a click, and reports releases to its TreeView.
class TreeWidget final : public QTreeWidget {
public:
    explicit TreeWidget(TreeView* owner) : QTreeWidget(owner), m_owner(owner) {
        setColumnCount(1);
        setHeaderHidden(true);
        setSelectionMode(QAbstractItemView::SingleSelection);
        setEditTriggers(QAbstractItemView::NoEditTriggers);
        setContextMenuPolicy(Qt::NoContextMenu);
        setDragEnabled(false);
        setUniformRowHeights(true);
        header()->setSectionResizeMode(QHeaderView::ResizeToContents);
        header()->setStretchLastSection(false);
    }

protected:
    void mousePressEvent(QMouseEvent* event) override {
        if (!selects(event)) {
            event->accept();
            return;
        }
        QMouseEvent plain = withoutModifiers(event);
        QTreeWidget::mousePressEvent(&plain);
    }

    void mouseDoubleClickEvent(QMouseEvent* event) override {
        if (!selects(event)) {
            event->accept();
            return;
        }
        QMouseEvent plain = withoutModifiers(event);
        QTreeWidget::mouseDoubleClickEvent(&plain);
    }

    /// Dragging does not carry the selection along: it stays where the press put it.
    void mouseMoveEvent(QMouseEvent* event) override { event->accept(); }

    void mouseReleaseEvent(QMouseEvent* event) override {
        if (event->button() == Qt::LeftButton) {
            QMouseEvent plain = withoutModifiers(event);
            QTreeWidget::mouseReleaseEvent(&plain);
        } else {
            event->accept();
        }
        emit m_owner->mouseUp(event->button(), event->modifiers(), event->position());
    }

    /// Ctrl would let Space deselect and the arrows move without selecting.
    void keyPressEvent(QKeyEvent* event) override {
        if (!(event->modifiers() & Qt::ControlModifier)) {
            QTreeWidget::keyPressEvent(event);
            return;
        }
        QKeyEvent plain(event->type(), event->key(), event->modifiers() & ~Qt::ControlModifier,
                        event->nativeScanCode(), event->nativeVirtualKey(),
                        event->nativeModifiers(), event->text(), event->isAutoRepeat(),
                        static_cast<quint16>(event->count()));
        QTreeWidget::keyPressEvent(&plain);
        event->setAccepted(plain.isAccepted());
    }

    void keyReleaseEvent(QKeyEvent* event) override {
        QTreeWidget::keyReleaseEvent(event);
        if (!event->isAutoRepeat()) {
            emit m_owner->keyUp(event->key(), event->modifiers());
        }
    }

private:
    /// Only a left press on a row (or its expand sign) goes to the view:
    /// other buttons and presses on empty space leave the selection alone.
    bool selects(const QMouseEvent* event) const {
        if (event->button() != Qt::LeftButton) {
            return false;
        }
        return itemAt(event->position().toPoint()) != nullptr;
    }

    /// Ctrl would let a click deselect the row; the tree knows no modifiers.
    static QMouseEvent withoutModifiers(const QMouseEvent* event) {
        return QMouseEvent(event->type(), event->position(), event->scenePosition(),
                           event->globalPosition(), event->button(), event->buttons(),
                           Qt::NoModifier, event->pointingDevice());
    }

    TreeView* m_owner;
};

} // namespace tavisk::controls::detail

using tavisk::controls::detail::NodeItem;
using tavisk::controls::detail::TreeWidget;

namespace {

QString KeyIndex(const QString& key) {
    return key.toCaseFolded();
}

} // namespace

// TreeNode

TreeNode::TreeNode(TreeView* tree, NodeItem* item, int index, TreeNode* parent,
                   const QString& imageKey)
    : m_tree(tree), m_item(item), m_index(index), m_parent(parent), m_imageKey(imageKey) {}

QString TreeNode::text() const {
    return m_item->text(0);
}

void TreeNode::setText(const QString& text) {
    m_item->setText(0, text);
}

void TreeNode::setKey(const QString& key) {
    if (key.compare(m_key, Qt::CaseInsensitive) == 0) {
        m_key = key;
        return;
    }
    const TreeNode* holder = m_tree->nodeByKey(key);
    if (holder != nullptr) {
        throw std::invalid_argument("Key is not unique in collection");
    }
    auto& keys = m_tree->m_keys;
    if (!m_key.isEmpty()) {
        keys.remove(KeyIndex(m_key));
    }
    m_key = key;
    if (!m_key.isEmpty()) {
        keys.insert(KeyIndex(m_key), this);
    }
}

void TreeNode::setImageKey(const QString& imageKey) {
    m_imageKey = imageKey;
    m_item->setIcon(0, m_tree->imageFor(imageKey));
}

int TreeNode::childCount() const {
    return m_item->childCount();
}

bool TreeNode::expanded() const {
    return m_item->isExpanded();
}

void TreeNode::setExpanded(bool expanded) {
    m_item->setExpanded(expanded);
}

// TreeView

TreeView::TreeView(QWidget* parent) : QWidget(parent), m_widget(new TreeWidget(this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_widget);
    setFocusProxy(m_widget);
    setFocusPolicy(m_widget->focusPolicy());
}

TreeView::~TreeView() {
    m_keys.clear();
    m_dropHighlight = nullptr;
    m_widget->clear();
}

void TreeView::setImages(const QHash<QString, QIcon>& images) {
    m_images = images;
    for (const auto& node : m_nodes) {
        node->m_item->setIcon(0, imageFor(node->m_imageKey));
    }
}

TreeNode* TreeView::addNode(const QString& text, const QString& imageKey) {
    return addNodeUnder(nullptr, text, imageKey);
}

TreeNode* TreeView::addChild(TreeNode* parent, const QString& text, const QString& imageKey) {
    if (parent == nullptr) {
        throw std::invalid_argument("addChild needs a parent node");
    }
    return addNodeUnder(parent, text, imageKey);
}

TreeNode* TreeView::addNodeUnder(TreeNode* parent, const QString& text, const QString& imageKey) {
    const int index = count() + 1;
    auto* item = new NodeItem(index);
    item->setText(0, text);
    item->setIcon(0, imageFor(imageKey));
    m_nodes.push_back(std::unique_ptr<TreeNode>(new TreeNode(this, item, index, parent, imageKey)));
    TreeNode* node = m_nodes.back().get();
    item->node = node;
    if (parent != nullptr) {
        parent->m_item->addChild(item);
    } else {
        insertTopLevel(item);
    }
    return node;
}

void TreeView::insertTopLevel(QTreeWidgetItem* item) {
    int position = m_widget->topLevelItemCount();
    if (m_sorted) {
        while (position > 0 && *item < *m_widget->topLevelItem(position - 1)) {
            --position;
        }
    }
    m_widget->insertTopLevelItem(position, item);
}

void TreeView::clear() {
    m_dropHighlight = nullptr;
    m_keys.clear();
    m_widget->clear();
    m_nodes.clear();
}

TreeNode* TreeView::node(int index) const {
    if (index < 1 || index > count()) {
        return nullptr;
    }
    return m_nodes[static_cast<std::size_t>(index - 1)].get();
}

std::vector<TreeNode*> TreeView::nodes() const {
    std::vector<TreeNode*> all;
    all.reserve(m_nodes.size());
    for (const auto& node : m_nodes) {
        all.push_back(node.get());
    }
    return all;
}

TreeNode* TreeView::nodeByKey(const QString& key) const {
    if (key.isEmpty()) {
        return nullptr;
    }
    return m_keys.value(KeyIndex(key), nullptr);
}

TreeNode* TreeView::selectedNode() const {
    const auto selected = m_widget->selectedItems();
    if (selected.isEmpty()) {
        return nullptr;
    }
    return static_cast<NodeItem*>(selected.first())->node;
}

void TreeView::setSelectedNode(TreeNode* node) {
    if (node == nullptr) {
        m_widget->selectionModel()->clear();
        return;
    }
    m_widget->setCurrentItem(node->m_item);
}

void TreeView::setDropHighlightNode(TreeNode* node) {
    if (m_dropHighlight != nullptr) {
        m_dropHighlight->m_item->setBackground(0, QBrush());
    }
    m_dropHighlight = node;
    if (node != nullptr) {
        QColor colour = palette().color(QPalette::Highlight);
        colour.setAlpha(80);
        node->m_item->setBackground(0, colour);
    }
}

void TreeView::setSorted(bool sorted) {
    m_sorted = sorted;
    if (sorted) {
        m_widget->sortItems(0, Qt::AscendingOrder);
    }
}

TreeNode* TreeView::nodeAt(const QPoint& viewportPos) const {
    auto* item = static_cast<NodeItem*>(m_widget->itemAt(viewportPos));
    return item != nullptr ? item->node : nullptr;
}

QRect TreeView::nodeRect(const TreeNode* node) const {
    return node != nullptr ? m_widget->visualItemRect(node->m_item) : QRect();
}

QAbstractItemView* TreeView::view() const {
    return m_widget;
}

QIcon TreeView::imageFor(const QString& imageKey) const {
    return m_images.value(imageKey);
}

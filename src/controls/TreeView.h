#pragma once
// The tree view control: nodes with a text, a key, an image key, a Tag, a
// parent and an expanded state, kept in a collection in the order they were
// added. Each node's index is its 1-based position in that collection at the
// moment it was added; nodes are never removed one by one, only all together
// (clear), so an index stays valid until the next clear.
//
// The tree selects with the left mouse button and the keyboard only: a press
// of any other button leaves the selection alone, and no click ever clears
// it. It reports the release of any mouse button over it (mouseUp) and the
// release of a key in it (keyUp), so that its owner can update on those
// occasions rather than on every change of the selection.
#include <QHash>
#include <QIcon>
#include <QPointF>
#include <QString>
#include <QWidget>

#include <memory>
#include <vector>

class QAbstractItemView;
class QTreeWidgetItem;
class TreeView;

namespace tavisk::controls::detail {
class NodeItem;
class TreeWidget;
} // namespace tavisk::controls::detail

/// One node of a TreeView. Owned by its tree; valid until the tree's next clear.
class TreeNode final {
public:
    TreeNode(const TreeNode&) = delete;
    TreeNode& operator=(const TreeNode&) = delete;

    /// 1-based position in the tree's node collection when the node was added.
    int index() const { return m_index; }

    QString text() const;
    void setText(const QString& text);

    /// The node's key; empty when it has none.
    QString key() const { return m_key; }
    /// Sets the key. Keys are unique within the tree, compared without regard to
    /// case; throws std::invalid_argument ("Key is not unique in collection")
    /// when another node has it. The empty key may be shared.
    void setKey(const QString& key);

    /// Key of the node's picture in the tree's images.
    QString imageKey() const { return m_imageKey; }
    void setImageKey(const QString& imageKey);

    /// Free text the program keeps with the node.
    QString tag() const { return m_tag; }
    void setTag(const QString& tag) { m_tag = tag; }

    /// The parent node; nullptr for a top-level node.
    TreeNode* parent() const { return m_parent; }
    int childCount() const;

    bool expanded() const;
    void setExpanded(bool expanded);

private:
    friend class TreeView;
    TreeNode(TreeView* tree, tavisk::controls::detail::NodeItem* item, int index, TreeNode* parent,
             const QString& imageKey);

    TreeView* m_tree;
    tavisk::controls::detail::NodeItem* m_item;
    int m_index;
    TreeNode* m_parent;
    QString m_key;
    QString m_imageKey;
    QString m_tag;
};

class TreeView final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TreeView)

public:
    explicit TreeView(QWidget* parent = nullptr);
    ~TreeView() override;

    /// Pictures by image key, used for every node (present and future).
    void setImages(const QHash<QString, QIcon>& images);

    /// Adds a collapsed top-level node: at the end, or in its sorted place
    /// while sorted() is true.
    TreeNode* addNode(const QString& text, const QString& imageKey);
    /// Adds a collapsed node as the last child of parent.
    TreeNode* addChild(TreeNode* parent, const QString& text, const QString& imageKey);
    /// Removes every node; node pointers and indexes handed out before are void.
    void clear();

    /// Number of nodes in the collection.
    int count() const { return static_cast<int>(m_nodes.size()); }
    /// The node at a 1-based index of the collection; nullptr when out of range.
    TreeNode* node(int index) const;
    /// Every node, in the order added.
    std::vector<TreeNode*> nodes() const;
    /// The node with this key (compared without regard to case); nullptr when
    /// none has it or the key is empty.
    TreeNode* nodeByKey(const QString& key) const;

    /// The selected node, or nullptr.
    TreeNode* selectedNode() const;
    /// Selects a node (nullptr: nothing selected, no current node either).
    void setSelectedNode(TreeNode* node);

    /// The node drawn as a drop target, or nullptr.
    TreeNode* dropHighlightNode() const { return m_dropHighlight; }
    void setDropHighlightNode(TreeNode* node);

    /// While true, top-level nodes stand in alphabetical order of their texts
    /// (without regard to case; equal texts in the order added) and new ones
    /// go to their place. Children keep the order in which they were added.
    /// Turning it off leaves the order as it is.
    bool sorted() const { return m_sorted; }
    void setSorted(bool sorted);

    /// The node drawn at a point of view()'s viewport, or nullptr.
    TreeNode* nodeAt(const QPoint& viewportPos) const;
    /// Where a node is drawn, in view()'s viewport coordinates (empty when
    /// hidden under a collapsed parent).
    QRect nodeRect(const TreeNode* node) const;
    /// The item view inside: for input, focus and geometry. Nodes are changed
    /// only through this class.
    QAbstractItemView* view() const;

signals:
    /// A mouse button was released over the tree; position in viewport pixels.
    void mouseUp(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPointF position);
    /// A key was released in the tree (auto-repeat excluded).
    void keyUp(int key, Qt::KeyboardModifiers modifiers);

private:
    friend class TreeNode;
    TreeNode* addNodeUnder(TreeNode* parent, const QString& text, const QString& imageKey);
    void insertTopLevel(QTreeWidgetItem* item);
    QIcon imageFor(const QString& imageKey) const;

    tavisk::controls::detail::TreeWidget* m_widget;
    std::vector<std::unique_ptr<TreeNode>> m_nodes;
    QHash<QString, TreeNode*> m_keys; ///< by case-folded key
    QHash<QString, QIcon> m_images;
    TreeNode* m_dropHighlight = nullptr;
    bool m_sorted = false;
};

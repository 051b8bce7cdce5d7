// The controls: the tree view (node collection, keys, sorting, selection by
// the left button and the keyboard only) and the real message box, answered
// from the keyboard as the user answers it, not through the test hook.
#include "MessageBox.h"
#include "TreeView.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QMessageBox>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <stdexcept>

using Answer = MessageBox::Answer;
Q_DECLARE_METATYPE(MessageBox::Answer)
Q_DECLARE_METATYPE(MessageBox::Buttons)

using namespace Qt::StringLiterals;

class TestControls final : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void indexesCountEveryNodeAlike();
    void keysAreUniqueWithoutRegardToCase();
    void sortedOrdersTopLevelOnly();
    void ctrlClickDoesNotDeselect();
    void mouseUpForEveryButton();
    void keyUpOnRelease();
    void answeredFromTheKeyboard_data();
    void answeredFromTheKeyboard();

private:
    QPoint centreOf(const TreeNode* node) const;
    std::unique_ptr<TreeView> m_tree;
};

void TestControls::init() {
    m_tree = std::make_unique<TreeView>();
    m_tree->resize(300, 400);
    m_tree->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_tree.get()));
}

void TestControls::cleanup() {
    m_tree.reset();
}

QPoint TestControls::centreOf(const TreeNode* node) const {
    return m_tree->nodeRect(node).center();
}

void TestControls::indexesCountEveryNodeAlike() {
    TreeNode* a = m_tree->addNode("A", "Application");
    TreeNode* a1 = m_tree->addChild(a, "a1", "FileType");
    TreeNode* a2 = m_tree->addChild(a, "a2", "FileType");
    TreeNode* b = m_tree->addNode("B", "Application");
    TreeNode* a3 = m_tree->addChild(a, "a3", "FileType");
    QCOMPARE(a->index(), 1);
    QCOMPARE(a1->index(), 2);
    QCOMPARE(a2->index(), 3);
    QCOMPARE(b->index(), 4);
    QCOMPARE(a3->index(), 5);
    QCOMPARE(m_tree->count(), 5);
    QCOMPARE(m_tree->node(4), b);
    QCOMPARE(m_tree->node(0), nullptr);
    QCOMPARE(m_tree->node(6), nullptr);
    QCOMPARE(a3->parent(), a);
    QCOMPARE(b->parent(), nullptr);
    QCOMPARE(a->childCount(), 3);
    const std::vector<TreeNode*> inOrder{a, a1, a2, b, a3};
    QCOMPARE(m_tree->nodes(), inOrder);
    // The last child added is shown last.
    a->setExpanded(true);
    QVERIFY(m_tree->nodeRect(a3).top() > m_tree->nodeRect(a2).top());
    QVERIFY(m_tree->nodeRect(b).top() > m_tree->nodeRect(a3).top());

    // Clear voids the nodes, the selection, the drop highlight, the keys and the indexes.
    b->setKey(u"X4"_s);
    m_tree->setSelectedNode(b);
    m_tree->setDropHighlightNode(b);
    m_tree->clear();
    QCOMPARE(m_tree->count(), 0);
    QCOMPARE(m_tree->selectedNode(), nullptr);
    QCOMPARE(m_tree->dropHighlightNode(), nullptr);
    QCOMPARE(m_tree->nodeByKey(u"X4"_s), nullptr);
    QCOMPARE(m_tree->addNode(u"C"_s, u"Application"_s)->index(), 1);
}

void TestControls::keysAreUniqueWithoutRegardToCase() {
    TreeNode* a = m_tree->addNode("A", "Application");
    TreeNode* b = m_tree->addNode("B", "Application");
    TreeNode* c = m_tree->addNode("C", "FileType");
    a->setKey("X1");
    QCOMPARE(m_tree->nodeByKey("x1"), a);
    QVERIFY_THROWS_EXCEPTION(std::invalid_argument, b->setKey("x1"));
    QCOMPARE(b->key(), QString());
    b->setKey("X2");
    b->setKey("X9"); // a changed key frees the old one
    QCOMPARE(m_tree->nodeByKey("X2"), nullptr);
    QCOMPARE(m_tree->nodeByKey("X9"), b);
    c->setKey(""); // nodes without a key share the empty one
    QCOMPARE(m_tree->nodeByKey(""), nullptr);
    QCOMPARE(m_tree->nodeByKey("X5"), nullptr);
}

void TestControls::sortedOrdersTopLevelOnly() {
    TreeNode* zeta = m_tree->addNode("zeta", "Application");
    TreeNode* z2 = m_tree->addChild(zeta, "z-second", "FileType");
    TreeNode* z1 = m_tree->addChild(zeta, "a-first?", "FileType");
    TreeNode* alpha = m_tree->addNode("Alpha", "Application");
    zeta->setExpanded(true);
    QVERIFY(m_tree->nodeRect(zeta).top() < m_tree->nodeRect(alpha).top());

    m_tree->setSorted(true);
    QVERIFY(m_tree->sorted());
    const auto above = [this](const TreeNode* a, const TreeNode* b) {
        return m_tree->nodeRect(a).top() < m_tree->nodeRect(b).top();
    };
    QVERIFY(above(alpha, zeta));
    QVERIFY(above(z2, z1)); // children keep the order added
    QVERIFY(zeta->expanded());

    TreeNode* beta = m_tree->addNode("beta", "Application");
    QVERIFY(above(alpha, beta));
    QVERIFY(above(beta, zeta));
    QCOMPARE(beta->index(), 5); // the collection keeps the order added

    m_tree->setSorted(false);
    TreeNode* aaa = m_tree->addNode("aaa", "Application");
    QVERIFY(above(zeta, aaa));
}

void TestControls::ctrlClickDoesNotDeselect() {
    TreeNode* a = m_tree->addNode("A", "Application");
    QWidget* viewport = m_tree->view()->viewport();
    QTest::mouseClick(viewport, Qt::LeftButton, {}, centreOf(a));
    QTest::mouseClick(viewport, Qt::LeftButton, Qt::ControlModifier, centreOf(a));
    QCOMPARE(m_tree->selectedNode(), a);
    QTest::keyClick(m_tree->view(), Qt::Key_Space, Qt::ControlModifier);
    QCOMPARE(m_tree->selectedNode(), a);
}

void TestControls::mouseUpForEveryButton() {
    TreeNode* a = m_tree->addNode("A", "Application");
    QSignalSpy ups(m_tree.get(), &TreeView::mouseUp);
    QWidget* viewport = m_tree->view()->viewport();
    QTest::mouseClick(viewport, Qt::LeftButton, {}, centreOf(a));
    QTest::mouseClick(viewport, Qt::RightButton, Qt::ShiftModifier, centreOf(a));
    QTest::mouseClick(viewport, Qt::LeftButton, {}, QPoint(5, viewport->height() - 5));
    QCOMPARE(ups.count(), 3);
    QCOMPARE(ups.at(0).at(0).value<Qt::MouseButton>(), Qt::LeftButton);
    QCOMPARE(ups.at(1).at(0).value<Qt::MouseButton>(), Qt::RightButton);
    QCOMPARE(ups.at(1).at(1).value<Qt::KeyboardModifiers>(),
             Qt::KeyboardModifiers(Qt::ShiftModifier));
    // Selection changes by themselves report nothing.
    m_tree->setSelectedNode(nullptr);
    m_tree->setSelectedNode(a);
    QCOMPARE(ups.count(), 3);
}

void TestControls::keyUpOnRelease() {
    TreeNode* a = m_tree->addNode("A", "Application");
    TreeNode* b = m_tree->addNode("B", "Application");
    m_tree->setSelectedNode(a);
    QSignalSpy ups(m_tree.get(), &TreeView::keyUp);
    QTest::keyPress(m_tree->view(), Qt::Key_Down);
    QCOMPARE(ups.count(), 0);
    QCOMPARE(m_tree->selectedNode(), b); // arrows select
    QTest::keyRelease(m_tree->view(), Qt::Key_Down);
    QTest::keyClick(m_tree->view(), Qt::Key_Return);
    QCOMPARE(ups.count(), 2);
    QCOMPARE(ups.at(1).at(0).toInt(), int(Qt::Key_Return));
}

void TestControls::answeredFromTheKeyboard_data() {
    QTest::addColumn<MessageBox::Buttons>("buttons");
    QTest::addColumn<Answer>("defaultAnswer");
    QTest::addColumn<int>("key");
    QTest::addColumn<Answer>("expected");
    using Buttons = MessageBox::Buttons;
    QTest::newRow("Enter on Yes") << Buttons::YesNo << Answer::Yes << int(Qt::Key_Return)
                                  << Answer::Yes;
    QTest::newRow("Enter on No") << Buttons::YesNo << Answer::No << int(Qt::Key_Return)
                                 << Answer::No;
    QTest::newRow("Escape") << Buttons::YesNo << Answer::Yes << int(Qt::Key_Escape) << Answer::No;
    QTest::newRow("N") << Buttons::YesNo << Answer::Yes << int(Qt::Key_N) << Answer::No;
    QTest::newRow("Y") << Buttons::YesNo << Answer::No << int(Qt::Key_Y) << Answer::Yes;
    QTest::newRow("Enter on OK") << Buttons::Ok << Answer::Ok << int(Qt::Key_Return) << Answer::Ok;
}

void TestControls::answeredFromTheKeyboard() {
    QFETCH(MessageBox::Buttons, buttons);
    QFETCH(Answer, defaultAnswer);
    QFETCH(int, key);
    QFETCH(Answer, expected);
    MessageBox::clearHistory();
    QString title;
    QStringList captions;
    QTimer::singleShot(50, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        QVERIFY(box != nullptr);
        title = box->windowTitle();
        for (const QAbstractButton* button : box->buttons()) {
            captions.append(button->text().remove(u'&'));
        }
        QTest::keyClick(box, static_cast<Qt::Key>(key));
    });
    const Answer answer = MessageBox::show(nullptr, u"Are you sure?"_s, buttons,
                                           MessageBox::Icon::Exclamation, defaultAnswer);
    QCOMPARE(answer, expected);
    QCOMPARE(title, u"Tavisk"_s);
    captions.sort();
    QCOMPARE(captions, buttons == MessageBox::Buttons::Ok ? QStringList{u"OK"_s}
                                                          : (QStringList{u"No"_s, u"Yes"_s}));
}

QTEST_MAIN(TestControls)
#include "TestControls.moc"

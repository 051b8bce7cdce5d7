// What assistive tools see of every window: each interactive control under a
// name, labels as their controls' buddies, toolbar buttons named by their
// commands, and nothing of hidden panels or closed windows.
#include "GuiTestSupport.h"

#include "Accessibility.h"
#include "ListView.h"
#include "MessageBox.h"
#include "TextBox.h"
#include "TreeView.h"
#include "frmAbout.h"
#include "frmChangeExe.h"
#include "frmFileTypes.h"
#include "frmHelp.h"
#include "frmMain.h"
#include "frmNewApplication.h"
#include "frmRenameApp.h"
#include "frmSplash.h"

#include <QAccessible>
#include <QLabel>
#include <QSet>
#include <QTest>
#include <QToolBar>

#include <memory>

using namespace Qt::StringLiterals;
using namespace GuiTestSupport;

namespace {

/// Roles a user operates; each needs a name to be told apart.
bool Interactive(QAccessible::Role role) {
    using A = QAccessible;
    static const QSet<A::Role> roles{
        A::PushButton, A::CheckBox,       A::RadioButton, A::ComboBox, A::EditableText,
        A::SpinBox,    A::Slider,         A::List,        A::Tree,     A::Table,
        A::ButtonMenu, A::ButtonDropDown, A::MenuItem,    A::PageTab,  A::Link};
    return roles.contains(role);
}

struct Findings {
    QStringList unnamed;     ///< interactive controls without a name
    QStringList hiddenTexts; ///< texts exposed although not on the screen
    QStringList names;       ///< every name, in tree order
};

void Walk(QAccessibleInterface* node, const QString& path, Findings& found) {
    for (int i = 0; i < node->childCount(); ++i) {
        QAccessibleInterface* child = node->child(i);
        if (child == nullptr) {
            continue;
        }
        const QString name = child->text(QAccessible::Name);
        const QString where =
            path + "/" + QString::number(child->role(), 16) +
            (child->object() ? ":" + QString::fromLatin1(child->object()->metaObject()->className())
                             : QString());
        if (Interactive(child->role()) && !child->state().invisible && name.trimmed().isEmpty()) {
            found.unnamed.append(where);
        }
        const auto* widget = qobject_cast<const QWidget*>(child->object());
        if (widget && !widget->isVisible() && child->role() == QAccessible::StaticText) {
            found.hiddenTexts.append(name);
        }
        found.names.append(name);
        Walk(child, where, found);
    }
}

Findings WalkWindow(QWidget* window) {
    Findings found;
    QAccessibleInterface* root = QAccessible::queryAccessibleInterface(window);
    if (root) {
        Walk(root, QString::fromLatin1(window->metaObject()->className()), found);
    }
    return found;
}

/// The objects of the program's windows as assistive tools see them.
QObjectList ExposedWindows() {
    QObjectList windows;
    QAccessibleInterface* application = QAccessible::queryAccessibleInterface(qApp);
    for (int i = 0; application && i < application->childCount(); ++i) {
        windows.append(application->child(i)->object());
    }
    return windows;
}

} // namespace

class TestAccessibility final : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void everyInteractiveControlIsNamed_data();
    void everyInteractiveControlIsNamed();
    void messageBoxControlsAreNamed();
    void toolbarButtonsAreNamedByCommand();
    void labelsAreTheirControlsBuddies();
    void closedWindowsAreNotExposed();

private:
    std::unique_ptr<TempProfile> m_profile;
};

void TestAccessibility::initTestCase() {
    m_profile = std::make_unique<TempProfile>();
    QVERIFY(m_profile->ok());
    AddApplication("Viewer", "/usr/bin/viewer %1", {"text/plain"});
    AddFileType("image/png", "PNG image");
    Accessibility::Install();
}

void TestAccessibility::everyInteractiveControlIsNamed_data() {
    QTest::addColumn<int>("window");
    const char* const names[] = {
        "frmMain", "frmMain application", "frmMain file type", "frmSplash",    "frmAbout",
        "frmHelp", "frmNewApplication",   "frmRenameApp",      "frmChangeExe", "frmFileTypes"};
    for (int window = 0; window < int(std::size(names)); ++window) {
        QTest::newRow(names[window]) << window;
    }
}

void TestAccessibility::everyInteractiveControlIsNamed() {
    QFETCH(int, window);
    const std::function<QWidget*()> make[] = {
        [] { return new frmMain; },
        [] { return new frmMain; },
        [] { return new frmMain; },
        [] { return new frmSplash([] { return true; }); },
        [] { return new frmAbout; },
        [] { return new frmHelp(QStringLiteral(TAVISK_SOURCE_HELP "/index.html")); },
        [] { return new frmNewApplication; },
        [] { return new frmRenameApp; },
        [] { return new frmChangeExe; },
        [] { return new frmFileTypes(nullptr); },
    };
    std::unique_ptr<QWidget> form(make[window]());
    if (auto* main = qobject_cast<frmMain*>(form.get())) {
        QVERIFY(main->Form_Load());
        if (window > 0) {
            // Viewer, then its file type.
            TreeView* tree = main->controls().treApplications;
            tree->setSelectedNode(tree->nodes().at(window - 1));
            main->treApplications_MouseUp();
        }
    }
    form->setAttribute(Qt::WA_DeleteOnClose, false);
    form->show();
    QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    const Findings found = WalkWindow(form.get());
    QVERIFY2(found.unnamed.isEmpty(), qPrintable(found.unnamed.join(", ")));
    QVERIFY2(found.hiddenTexts.isEmpty(), qPrintable(found.hiddenTexts.join(", ")));
    QVERIFY(found.names.size() > 2);
}

void TestAccessibility::messageBoxControlsAreNamed() {
    Findings found;
    QTimer::singleShot(0, this, [&found] {
        QWidget* box = QApplication::activeModalWidget();
        QVERIFY(box);
        found = WalkWindow(box);
        box->close();
    });
    MessageBox::show(nullptr, u"The registry store is damaged."_s, MessageBox::Buttons::Ok,
                     MessageBox::Icon::Critical, MessageBox::Answer::Ok,
                     u"row 1 missing from index"_s);
    QVERIFY2(found.unnamed.isEmpty(), qPrintable(found.unnamed.join(", ")));
    QVERIFY(found.names.contains(u"OK"_s));
    QVERIFY(found.hiddenTexts.isEmpty());
}

void TestAccessibility::toolbarButtonsAreNamedByCommand() {
    frmMain form;
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QStringList names;
    QAccessibleInterface* toolbar = QAccessible::queryAccessibleInterface(form.controls().Toolbar);
    QVERIFY(toolbar);
    QCOMPARE(toolbar->text(QAccessible::Name), u"Toolbar"_s);
    for (int i = 0; i < toolbar->childCount(); ++i) {
        const QAccessibleInterface* button = toolbar->child(i);
        if (!button->state().invisible && (button->role() == QAccessible::PushButton ||
                                           button->role() == QAccessible::ButtonMenu)) {
            names.append(button->text(QAccessible::Name));
        }
    }
    QCOMPARE(names, (QStringList{"New Application", "Associate File Types", "Delete",
                                 "Rename Menu Caption", "Change Application Executable"}));
}

void TestAccessibility::labelsAreTheirControlsBuddies() {
    frmNewApplication add;
    frmRenameApp rename;
    frmChangeExe change;
    frmFileTypes types(nullptr);
    frmMain main;
    const frmMainControls& ui = main.controls();
    const std::vector<std::pair<QLabel*, QWidget*>> pairs{
        {add.Label2, add.txtName},          {add.Label1, add.txtPath},
        {rename.Label2, rename.txtCaption}, {rename.Label3, rename.lblAppName},
        {change.Label2, change.txtPath},    {change.Label3, change.lblAppName},
        {types.Label2, types.lvwFileTypes}, {ui.Label2, ui.lblAppCreated},
        {ui.Label1, ui.lblExePath},         {ui.Label4, ui.lblFTCreated},
        {ui.Label3, ui.lblDefinition}};
    for (const auto& [label, control] : pairs) {
        QVERIFY2(label->buddy() == control, qPrintable(label->text()));
    }
    // No access key was added to a caption; a screen reader names the box
    // and relates it to its label.
    QCOMPARE(add.Label2->text(), u"Menu Caption:"_s);
    QAccessibleInterface* box = QAccessible::queryAccessibleInterface(add.txtName);
    QCOMPARE(box->text(QAccessible::Name), u"Menu Caption"_s);
    const auto labels = box->relations(QAccessible::Label);
    QVERIFY(!labels.isEmpty());
    QCOMPARE(labels.first().first->object(), add.Label2);
}

void TestAccessibility::closedWindowsAreNotExposed() {
    bool handedOver = false;
    frmSplash splash([&handedOver] { return handedOver = true; });
    splash.Form_Load();
    splash.show();
    QVERIFY(QTest::qWaitForWindowExposed(&splash));
    QVERIFY(ExposedWindows().contains(&splash));
    splash.Timer1_Timer();
    QVERIFY(handedOver);
    QVERIFY(splash.isHidden());
    QVERIFY(!ExposedWindows().contains(&splash));

    frmMain form;
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QVERIFY(ExposedWindows().contains(&form));
    form.hide();
    QVERIFY(!ExposedWindows().contains(&form));
}

QTEST_MAIN(TestAccessibility)
#include "TestAccessibility.moc"

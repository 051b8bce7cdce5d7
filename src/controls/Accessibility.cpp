#include "Accessibility.h"

#include <QAccessibleWidget>
#include <QApplication>
#include <QLabel>
#include <QWindow>

namespace {

/// The program's top-level windows that are on the screen; menus and other
/// pop-ups are reached through their owners.
QObjectList ShownWindows() {
    QObjectList shown;
    for (QWindow* window : QGuiApplication::topLevelWindows()) {
        if (!window->isVisible() || window->type() == Qt::Popup || window->type() == Qt::Desktop) {
            continue;
        }
        if (QAccessibleInterface* root = window->accessibleRoot(); root && root->object()) {
            shown.append(root->object());
        }
    }
    return shown;
}

/// The program as assistive tools see it: its shown windows.
class ApplicationAccessible final : public QAccessibleInterface {
public:
    bool isValid() const override { return QCoreApplication::instance() != nullptr; }
    QObject* object() const override { return QCoreApplication::instance(); }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessibleInterface* parent() const override { return nullptr; }

    QAccessibleInterface* child(int index) const override {
        const QObjectList windows = ShownWindows();
        return index >= 0 && index < windows.size()
                   ? QAccessible::queryAccessibleInterface(windows.at(index))
                   : nullptr;
    }

    int childCount() const override { return static_cast<int>(ShownWindows().size()); }

    int indexOfChild(const QAccessibleInterface* child) const override {
        return child ? static_cast<int>(ShownWindows().indexOf(child->object())) : -1;
    }

    QAccessibleInterface* focusChild() const override {
        QWindow* window = QGuiApplication::focusWindow();
        return window && window->type() != Qt::Popup ? window->accessibleRoot() : nullptr;
    }

    QString text(QAccessible::Text kind) const override {
        switch (kind) {
        case QAccessible::Name:
            return QGuiApplication::applicationName();
        case QAccessible::Description:
            return QGuiApplication::applicationFilePath();
        default:
            return QString();
        }
    }

    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override { return QRect(); }
    QAccessible::Role role() const override { return QAccessible::Application; }
    QAccessible::State state() const override { return QAccessible::State(); }
};

/// A Panel as assistive tools see it: the controls it shows, nothing when hidden.
class PanelAccessible final : public QAccessibleWidget {
public:
    explicit PanelAccessible(QWidget* panel) : QAccessibleWidget(panel, QAccessible::Pane) {}

    int childCount() const override { return static_cast<int>(Shown().size()); }

    QAccessibleInterface* child(int index) const override {
        const QList<QWidget*> shown = Shown();
        return index >= 0 && index < shown.size()
                   ? QAccessible::queryAccessibleInterface(shown.at(index))
                   : nullptr;
    }

    int indexOfChild(const QAccessibleInterface* child) const override {
        return child ? static_cast<int>(Shown().indexOf(child->object())) : -1;
    }

private:
    QList<QWidget*> Shown() const {
        QList<QWidget*> shown;
        if (widget()->isHidden()) {
            return shown;
        }
        for (QObject* each : widget()->children()) {
            auto* control = qobject_cast<QWidget*>(each);
            if (control && !control->isWindow() && !control->isHidden()) {
                shown.append(control);
            }
        }
        return shown;
    }
};

QAccessibleInterface* Factory(const QString& className, QObject* object) {
    if (className == QLatin1String("QApplication") && object == QCoreApplication::instance()) {
        return new ApplicationAccessible;
    }
    if (className == QLatin1String("Panel") && object && object->isWidgetType()) {
        return new PanelAccessible(static_cast<QWidget*>(object));
    }
    return nullptr;
}

} // namespace

namespace Accessibility {

void Install() {
    // Installing the same factory again is ignored.
    QAccessible::installFactory(&Factory);
}

void NameControl(QWidget* control, const QString& name, QLabel* label) {
    control->setAccessibleName(name);
    if (label) {
        label->setBuddy(control);
    }
}

} // namespace Accessibility

Panel::Panel(QWidget* parent) : QWidget(parent) {
    Accessibility::Install();
}

Panel::~Panel() = default;

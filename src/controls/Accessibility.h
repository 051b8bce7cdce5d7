#pragma once
// What assistive tools (screen readers) are shown of the program's windows:
// only windows on the screen, only the visible parts of a panel, and every
// control under a name.
#include <QWidget>

class QLabel;

namespace Accessibility {

/// Makes assistive tools see only the windows that are shown (a closed
/// window that still exists, such as the splash after the hand-over, is
/// left out) and, inside a Panel, only its visible controls. Safe to call
/// more than once; the program calls it before its first window.
void Install();

/// Gives a control the name assistive tools read out and, where a label
/// captions it, makes that label its buddy. No access key is added to the
/// label's text.
void NameControl(QWidget* control, const QString& name, QLabel* label = nullptr);

} // namespace Accessibility

/// A container whose hidden controls assistive tools do not see: a panel
/// that is hidden shows nothing of what it holds (its placeholder texts
/// among them), and a hidden control inside a shown panel is left out.
class Panel final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Panel)

public:
    explicit Panel(QWidget* parent = nullptr);
    ~Panel() override;
};

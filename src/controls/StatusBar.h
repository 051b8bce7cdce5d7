#pragma once
// The main window's status bar: four panels, left to right the progress text,
// the computer's name, and the Caps Lock and Num Lock indicators.
#include <QStatusBar>

#include <array>

class QLabel;

class StatusBar final : public QStatusBar {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(StatusBar)

public:
    explicit StatusBar(QWidget* parent = nullptr);

    /// Text of panel 1..4.
    QString panelText(int panel) const;
    void setPanelText(int panel, const QString& text);

    /// Sets panel 1 and repaints the bar at once, for loops that do not yield.
    void showProgress(const QString& text);

    /// Draws CAPS and NUM active or inactive; known = false leaves both blank,
    /// for platforms that cannot tell the keyboard's state.
    void setKeyState(bool capsLock, bool numLock, bool known);

    /// Height in twips.
    void setHeightTwips(double twips);

signals:
    /// A panel (1..4) was clicked.
    void panelClicked(int panel);

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    std::array<QLabel*, 4> m_panels{};
};

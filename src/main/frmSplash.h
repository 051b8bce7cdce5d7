#pragma once
// The program's first window: white, centred, with the splash picture, the
// product's name and its version. One second after it loads, its timer shows
// the main window, whose whole start-up runs while the splash stays up, and
// then the splash unloads itself. A key pressed on it hands over at once.
#include <QFrame>

#include <functional>

class QLabel;
class QTimer;

class frmSplash final : public QFrame {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmSplash)

public:
    /// Shows the main window and runs its whole start-up before it returns;
    /// false when the start-up failed (its message has been shown).
    using ShowMainWindow = std::function<bool()>;

    explicit frmSplash(ShowMainWindow showMainWindow, QWidget* parent = nullptr);
    ~frmSplash() override;

    QLabel* const Picture1; ///< the splash picture
    QLabel* const Picture2; ///< the product's name
    QLabel* const lblVersion;
    QTimer* const Timer1; ///< 1000 ms, once

    /// Centres the splash, writes the version and starts Timer1.
    void Form_Load();
    /// Shows the main window, then unloads the splash.
    void Timer1_Timer();
    /// A character key: the main window at once, as the timer would show it.
    void Form_KeyPress(const QString& text);

    /// True once the main window's start-up ran and failed; the program ends.
    bool StartupFailed() const { return m_startupFailed; }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void HandOver();

    ShowMainWindow m_showMainWindow;
    bool m_handedOver = false;
    bool m_startupFailed = false;
};

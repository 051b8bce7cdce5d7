#pragma once
// The keyboard's lock keys, for the status bar's CAPS and NUM panels. On X11
// the state comes from the keyboard's indicators through XKB, and the server
// tells of every change; elsewhere (Wayland, offscreen) the program cannot
// tell, and says so.
#include <QObject>

#include <memory>

namespace modKeyState {

struct LockKeys {
    bool known = false; ///< false where the platform cannot tell
    bool capsLock = false;
    bool numLock = false;

    bool operator==(const LockKeys&) const = default;
};

/// The state of Caps Lock and Num Lock now.
LockKeys QueryLockKeys();

/// Reports the lock keys whenever the keyboard's indicators change. Where
/// the platform does not report changes, it reports nothing after the state
/// it has at its creation.
class LockKeyWatcher final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(LockKeyWatcher)

public:
    explicit LockKeyWatcher(QObject* parent = nullptr);
    ~LockKeyWatcher() override;

    /// False where the platform does not report changes.
    bool following() const;
    LockKeys state() const { return m_state; }

signals:
    void changed(const modKeyState::LockKeys& keys);

private:
    void Update();

    class NativeFilter;
    std::unique_ptr<NativeFilter> m_filter;
    LockKeys m_state;
};

} // namespace modKeyState

#pragma once
// The keyboard's lock keys, for the status bar's CAPS and NUM panels.

namespace modKeyState {

struct LockKeys {
    bool known = false; ///< false where the platform cannot tell
    bool capsLock = false;
    bool numLock = false;
};

/// The state of Caps Lock and Num Lock now.
LockKeys QueryLockKeys();

} // namespace modKeyState

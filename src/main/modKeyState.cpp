#include "modKeyState.h"

#include <QGuiApplication>

#ifdef TAVISK_HAVE_X11
#include <QtGui/qguiapplication_platform.h>

#include <X11/XKBlib.h>
#include <X11/keysym.h>
#endif

namespace modKeyState {

LockKeys QueryLockKeys() {
    LockKeys keys;
#ifdef TAVISK_HAVE_X11
    const auto* x11 =
        qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    Display* display = x11 ? x11->display() : nullptr;
    if (display == nullptr) {
        return keys;
    }
    XkbStateRec state{};
    if (XkbGetState(display, XkbUseCoreKbd, &state) != Success) {
        return keys;
    }
    const unsigned numLockMask = XkbKeysymToModifiers(display, XK_Num_Lock);
    keys.known = true;
    keys.capsLock = (state.locked_mods & LockMask) != 0;
    keys.numLock = numLockMask != 0 && (state.locked_mods & numLockMask) != 0;
#endif
    return keys;
}

} // namespace modKeyState

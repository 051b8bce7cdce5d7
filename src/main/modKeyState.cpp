#include "modKeyState.h"

#include <QAbstractNativeEventFilter>
#include <QGuiApplication>

#ifdef TAVISK_HAVE_X11
#include <QtGui/qguiapplication_platform.h>

#include <X11/XKBlib.h>
#include <X11/keysym.h>
#endif

namespace modKeyState {
namespace {

#ifdef TAVISK_HAVE_X11

Display* X11Display() {
    const auto* x11 =
        qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->display() : nullptr;
}

/// The first event code of the XKB extension; -1 when the server has none.
int XkbEventBase(Display* display) {
    int opcode = 0;
    int eventBase = 0;
    int errorBase = 0;
    int major = XkbMajorVersion;
    int minor = XkbMinorVersion;
    if (!XkbQueryExtension(display, &opcode, &eventBase, &errorBase, &major, &minor)) {
        return -1;
    }
    return eventBase;
}

/// The named indicator's state ("Caps Lock", "Num Lock"); where the keyboard
/// has no such indicator, whether the lock modifier is locked.
bool IndicatorOn(Display* display, const char* name, unsigned lockedMods, unsigned mask) {
    const Atom atom = XInternAtom(display, name, True);
    Bool on = False;
    if (atom != None && XkbGetNamedIndicator(display, atom, nullptr, &on, nullptr, nullptr)) {
        return on != False;
    }
    return mask != 0 && (lockedMods & mask) != 0;
}

#endif

} // namespace

LockKeys QueryLockKeys() {
    LockKeys keys;
#ifdef TAVISK_HAVE_X11
    Display* display = X11Display();
    if (display == nullptr || XkbEventBase(display) < 0) {
        return keys;
    }
    XkbStateRec state{};
    if (XkbGetState(display, XkbUseCoreKbd, &state) != Success) {
        return keys;
    }
    const unsigned numLockMask = XkbKeysymToModifiers(display, XK_Num_Lock);
    keys.known = true;
    keys.capsLock = IndicatorOn(display, "Caps Lock", state.locked_mods, LockMask);
    keys.numLock = IndicatorOn(display, "Num Lock", state.locked_mods, numLockMask);
#endif
    return keys;
}

/// Asks the X server for XKB's indicator-state notices and picks them out of
/// the events Qt reads from the connection it shares with Xlib.
class LockKeyWatcher::NativeFilter final : public QAbstractNativeEventFilter {
public:
    explicit NativeFilter(LockKeyWatcher* watcher) : m_watcher(watcher) {
#ifdef TAVISK_HAVE_X11
        Display* display = X11Display();
        m_eventBase = display != nullptr ? XkbEventBase(display) : -1;
        if (m_eventBase < 0) {
            return;
        }
        XkbSelectEvents(display, XkbUseCoreKbd, XkbIndicatorStateNotifyMask,
                        XkbIndicatorStateNotifyMask);
        XFlush(display);
        QCoreApplication::instance()->installNativeEventFilter(this);
#endif
    }
    ~NativeFilter() override {
        if (following() && QCoreApplication::instance() != nullptr) {
            QCoreApplication::instance()->removeNativeEventFilter(this);
        }
    }
    NativeFilter(const NativeFilter&) = delete;
    NativeFilter& operator=(const NativeFilter&) = delete;

    bool following() const {
        return m_eventBase >= 0;
    }

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) override {
#ifdef TAVISK_HAVE_X11
        // An XKB event: the extension's event code, then XKB's own type.
        if (eventType == "xcb_generic_event_t" && message != nullptr) {
            const auto* bytes = static_cast<const unsigned char*>(message);
            if ((bytes[0] & 0x7f) == m_eventBase && bytes[1] == XkbIndicatorStateNotify) {
                m_watcher->Update();
            }
        }
#else
        Q_UNUSED(eventType);
        Q_UNUSED(message);
#endif
        return false;
    }

private:
    LockKeyWatcher* m_watcher;
    int m_eventBase = -1;
};

LockKeyWatcher::LockKeyWatcher(QObject* parent)
    : QObject(parent), m_filter(std::make_unique<NativeFilter>(this)), m_state(QueryLockKeys()) {}

LockKeyWatcher::~LockKeyWatcher() = default;

bool LockKeyWatcher::following() const {
    return m_filter->following();
}

void LockKeyWatcher::Update() {
    const LockKeys now = QueryLockKeys();
    if (now == m_state) {
        return;
    }
    m_state = now;
    emit changed(m_state);
}

} // namespace modKeyState

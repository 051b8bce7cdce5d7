// The CAPS and NUM panels follow the keyboard on X11: run under an X server
// of the test's own (xvfb-run), the test locks and unlocks Caps Lock and Num
// Lock from a connection of its own, as another program would, and the main
// window's status bar follows without being asked.
#include "GuiTestSupport.h"

#include "StatusBar.h"
#include "frmMain.h"
#include "modKeyState.h"

#include <QLabel>
#include <QTest>

#include <X11/XKBlib.h>
#include <X11/keysym.h>

#include <memory>

using namespace Qt::StringLiterals;
using namespace GuiTestSupport;

class TestKeyStateX11 final : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void statusBarFollowsTheLockKeys();

private:
    /// Locks (or unlocks) the modifiers of mask, from another connection.
    void Lock(unsigned mask, bool on);

    Display* m_other = nullptr;
    unsigned m_numLockMask = 0;
    std::unique_ptr<TempProfile> m_profile;
};

void TestKeyStateX11::initTestCase() {
    if (QGuiApplication::platformName() != u"xcb"_s) {
        QSKIP("needs an X server (run under xvfb-run with QT_QPA_PLATFORM=xcb)");
    }
    m_other = XOpenDisplay(nullptr);
    QVERIFY(m_other != nullptr);
    m_numLockMask = XkbKeysymToModifiers(m_other, XK_Num_Lock);
    QVERIFY(m_numLockMask != 0);
}

void TestKeyStateX11::cleanupTestCase() {
    if (m_other != nullptr) {
        Lock(LockMask | m_numLockMask, false);
        XCloseDisplay(m_other);
    }
}

void TestKeyStateX11::init() {
    m_profile = std::make_unique<TempProfile>();
    QVERIFY(m_profile->ok());
    Lock(LockMask | m_numLockMask, false);
    QTRY_VERIFY(!modKeyState::QueryLockKeys().capsLock && !modKeyState::QueryLockKeys().numLock);
}

void TestKeyStateX11::Lock(unsigned mask, bool on) {
    XkbLockModifiers(m_other, XkbUseCoreKbd, mask, on ? mask : 0);
    XSync(m_other, False);
}

void TestKeyStateX11::statusBarFollowsTheLockKeys() {
    frmMain form;
    QVERIFY(form.Form_Load());
    StatusBar* bar = form.controls().StatusBar1;
    QCOMPARE(bar->panelText(3), u"CAPS"_s);
    QCOMPARE(bar->panelText(4), u"NUM"_s);
    // A panel is drawn active when its label is enabled.
    const auto active = [bar](int panel) {
        for (const QLabel* label : bar->findChildren<QLabel*>()) {
            if (label->text() == bar->panelText(panel)) {
                return label->isEnabled();
            }
        }
        return false;
    };
    QVERIFY(!active(3));
    QVERIFY(!active(4));
    Lock(LockMask, true);
    QTRY_VERIFY(active(3));
    QVERIFY(!active(4));
    Lock(m_numLockMask, true);
    QTRY_VERIFY(active(4));
    Lock(LockMask | m_numLockMask, false);
    QTRY_VERIFY(!active(3) && !active(4));
}

QTEST_MAIN(TestKeyStateX11)
#include "TestKeyStateX11.moc"

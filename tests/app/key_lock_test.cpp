#include "AppTestSupport.h"

#include "app/KeyLockState.h"

#if defined(VEXMOOR_HAVE_XKB) && QT_CONFIG(xcb)
#include <QtGui/qguiapplication_platform.h>
// Last: Xlib's macros clash with Qt's names.
#include <X11/XKBlib.h>

namespace vexmoor::app {

#define VEXMOOR_TEST_XKB 1
#endif

namespace {

// Runs on an X server only (the tests' offscreen platform has no keyboard):
// QT_QPA_PLATFORM=xcb xvfb-run ./app_key_lock_test
TEST(KeyLockState, FollowsTheCapsLockOfTheXServer)
{
#ifdef VEXMOOR_TEST_XKB
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11 || !x11->display())
        GTEST_SKIP() << "not on X11";
    Display* display = x11->display();
    XkbLockModifiers(display, XkbUseCoreKbd, LockMask, LockMask);
    XSync(display, False);
    EXPECT_TRUE(keyLockState(LockKey::Caps));
    XkbLockModifiers(display, XkbUseCoreKbd, LockMask, 0);
    XSync(display, False);
    EXPECT_FALSE(keyLockState(LockKey::Caps));
#else
    GTEST_SKIP() << "built without Xkb";
#endif
}

TEST(KeyLockState, ReadsAsOffWithoutAnXServer)
{
    if (QGuiApplication::platformName() == QStringLiteral("xcb"))
        GTEST_SKIP() << "on X11 the keyboard decides";
    EXPECT_FALSE(keyLockState(LockKey::Caps));
    EXPECT_FALSE(keyLockState(LockKey::Num));
    EXPECT_FALSE(keyLockState(LockKey::Scroll));
}

} // namespace

} // namespace vexmoor::app

#include "KeyLockState.h"

#include <QGuiApplication>

#if defined(VEXMOOR_HAVE_XKB) && QT_CONFIG(xcb)
#include <QtGui/qguiapplication_platform.h>
// Xlib's macros (None, Bool, Status, KeyPress...) clash with Qt's names: this
// file includes it last and keeps it to itself.
#include <X11/XKBlib.h>

namespace vexmoor::app {

#define VEXMOOR_USE_XKB 1
#endif

#ifdef VEXMOOR_USE_XKB
namespace {

const char* indicatorName(LockKey key)
{
    switch (key) {
    case LockKey::Caps:
        return "Caps Lock";
    case LockKey::Num:
        return "Num Lock";
    case LockKey::Scroll:
        return "Scroll Lock";
    }
    return "";
}

} // namespace
#endif

bool keyLockState(LockKey key)
{
#ifdef VEXMOOR_USE_XKB
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    Display* display = x11 ? x11->display() : nullptr;
    if (!display)
        return false;
    const Atom indicator = XInternAtom(display, indicatorName(key), True);
    if (indicator == 0)
        return false;
    int on = 0;
    if (!XkbGetNamedIndicator(display, indicator, nullptr, &on, nullptr, nullptr))
        return false;
    return on != 0;
#else
    (void)key;
    return false;
#endif
}

} // namespace vexmoor::app

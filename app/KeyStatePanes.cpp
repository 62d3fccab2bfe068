#include "KeyStatePanes.h"

#include "KeyLockState.h"
#include "res/CommandIds.h"
#include "res/StringTable.h"

#include <QApplication>
#include <QEvent>
#include <QLabel>
#include <QStatusBar>
#include <QTimerEvent>

#include <utility>

namespace vexmoor::app {

namespace {

struct PaneSpec {
    int id;
    LockKey key;
};

constexpr std::array<PaneSpec, 3> kPanes{{
    {res::ID_INDICATOR_CAPS, LockKey::Caps},
    {res::ID_INDICATOR_NUM, LockKey::Num},
    {res::ID_INDICATOR_SCRL, LockKey::Scroll},
}};

constexpr int kRefreshMilliseconds = 500;

} // namespace

KeyStatePanes::KeyStatePanes(QStatusBar& statusBar, LockReader reader)
    : QObject(&statusBar), reader_(std::move(reader))
{
    for (std::size_t index = 0; index < kPanes.size(); ++index) {
        auto* pane = new QLabel(res::loadString(kPanes[index].id), &statusBar);
        pane->setObjectName(QString::number(kPanes[index].id));
        pane->setAlignment(Qt::AlignCenter);
        pane->setFrameShape(QFrame::Panel);
        pane->setFrameShadow(QFrame::Sunken);
        // Wide enough for the text, so the panes do not jump as they change.
        pane->setMinimumWidth(pane->fontMetrics().horizontalAdvance(pane->text()) + 8);
        statusBar.addPermanentWidget(pane);
        panes_[index] = pane;
    }
    refresh();
    if (qApp)
        qApp->installEventFilter(this);
    timerId_ = startTimer(kRefreshMilliseconds);
}

QLabel* KeyStatePanes::pane(int id) const
{
    for (std::size_t index = 0; index < kPanes.size(); ++index)
        if (kPanes[index].id == id)
            return panes_[index];
    return nullptr;
}

void KeyStatePanes::refresh()
{
    for (std::size_t index = 0; index < kPanes.size(); ++index)
        panes_[index]->setEnabled(reader_(kPanes[index].key));
}

bool KeyStatePanes::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease
        || event->type() == QEvent::ApplicationActivate)
        refresh();
    return QObject::eventFilter(watched, event);
}

void KeyStatePanes::timerEvent(QTimerEvent* event)
{
    if (event->timerId() == timerId_)
        refresh();
    else
        QObject::timerEvent(event);
}

} // namespace vexmoor::app

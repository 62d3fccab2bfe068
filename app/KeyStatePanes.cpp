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
    : QObject(&statusBar), m_reader(std::move(reader))
{
    for (std::size_t index = 0; index < kPanes.size(); ++index) {
        auto* pane = new QLabel(res::LoadString(kPanes[index].id), &statusBar);
        pane->setObjectName(QString::number(kPanes[index].id));
        pane->setAlignment(Qt::AlignCenter);
        pane->setFrameShape(QFrame::Panel);
        pane->setFrameShadow(QFrame::Sunken);
        // Wide enough for the text, so the panes do not jump as they change.
        pane->setMinimumWidth(pane->fontMetrics().horizontalAdvance(pane->text()) + 8);
        statusBar.addPermanentWidget(pane);
        m_panes[index] = pane;
    }
    Refresh();
    if (qApp)
        qApp->installEventFilter(this);
    m_timerId = startTimer(kRefreshMilliseconds);
}

QLabel* KeyStatePanes::Pane(int id) const
{
    for (std::size_t index = 0; index < kPanes.size(); ++index)
        if (kPanes[index].id == id)
            return m_panes[index];
    return nullptr;
}

void KeyStatePanes::Refresh()
{
    for (std::size_t index = 0; index < kPanes.size(); ++index)
        m_panes[index]->setEnabled(m_reader(kPanes[index].key));
}

bool KeyStatePanes::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease
        || event->type() == QEvent::ApplicationActivate)
        Refresh();
    return QObject::eventFilter(watched, event);
}

void KeyStatePanes::timerEvent(QTimerEvent* event)
{
    if (event->timerId() == m_timerId)
        Refresh();
    else
        QObject::timerEvent(event);
}

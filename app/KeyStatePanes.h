#pragma once

#include "KeyLockState.h"

#include <QObject>

#include <array>
#include <functional>

class QLabel;
class QStatusBar;

namespace vexmoor::app {

// The status bar's CAP, NUM and SCRL panes: each is enabled while its key's
// lock is on and dimmed otherwise. The state is read again on every key press
// or release in the program, and twice a second for changes made while
// another program had the keyboard.
class KeyStatePanes : public QObject {
    Q_OBJECT

public:
    // Whether a key's lock is on: keyLockState, unless a test reads its own.
    using LockReader = std::function<bool(LockKey key)>;

    explicit KeyStatePanes(QStatusBar& statusBar, LockReader reader = keyLockState);

    // The pane with the given id (59137, 59138, 59139), or nullptr.
    QLabel* pane(int id) const;

public slots:
    void refresh();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private:
    LockReader reader_;
    std::array<QLabel*, 3> panes_{};
    int timerId_ = 0;
};

} // namespace vexmoor::app

#pragma once

#include <QApplication>
#include <QCursor>

namespace vexmoor::options {

// The busy pointer for the life of a scope: it comes back to normal however
// the scope is left, an exception included.
class WaitCursor {
public:
    WaitCursor() { QApplication::setOverrideCursor(QCursor(Qt::WaitCursor)); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

} // namespace vexmoor::options

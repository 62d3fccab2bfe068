#pragma once

#include <QKeySequence>
#include <QList>

#include <span>

// The main frame's accelerators (resource 128) as data.
namespace vexmoor::res {

struct Accelerator {
    Qt::KeyboardModifiers modifiers;
    Qt::Key key;
    int commandId;
};

// In table order; a command may have more than one (Undo: Ctrl+Z and Alt+Backspace).
std::span<const Accelerator> mainAccelerators();

QKeySequence keySequenceOf(const Accelerator& accelerator);

// Every key sequence that sends `commandId`, in table order.
QList<QKeySequence> keySequencesFor(int commandId);

} // namespace vexmoor::res

#include "AcceleratorTable.h"

#include "CommandIds.h"

#include <array>

namespace vexmoor::res {
namespace {

constexpr Qt::KeyboardModifiers kCtrl{Qt::ControlModifier};
constexpr Qt::KeyboardModifiers kShift{Qt::ShiftModifier};
constexpr Qt::KeyboardModifiers kAlt{Qt::AltModifier};
constexpr Qt::KeyboardModifiers kNone{Qt::NoModifier};

const std::array kMainAccelerators{
    Accelerator{kCtrl, Qt::Key_N, ID_FILE_NEW},
    Accelerator{kCtrl, Qt::Key_O, ID_FILE_OPEN},
    Accelerator{kCtrl, Qt::Key_S, ID_FILE_SAVE},
    Accelerator{kCtrl, Qt::Key_P, ID_FILE_PRINT},
    Accelerator{kCtrl, Qt::Key_Z, ID_EDIT_UNDO},
    Accelerator{kAlt, Qt::Key_Backspace, ID_EDIT_UNDO},
    Accelerator{kCtrl, Qt::Key_X, ID_EDIT_CUT},
    Accelerator{kShift, Qt::Key_Delete, ID_EDIT_CUT},
    Accelerator{kCtrl, Qt::Key_C, ID_EDIT_COPY},
    Accelerator{kCtrl, Qt::Key_Insert, ID_EDIT_COPY},
    Accelerator{kCtrl, Qt::Key_V, ID_EDIT_PASTE},
    Accelerator{kShift, Qt::Key_Insert, ID_EDIT_PASTE},
    Accelerator{kCtrl, Qt::Key_F, ID_EDIT_FIND},
    Accelerator{kNone, Qt::Key_F3, ID_EDIT_FIND_NEXT},
    Accelerator{kShift, Qt::Key_F3, ID_EDIT_FIND_PREVIOUS},
    Accelerator{kNone, Qt::Key_F5, ID_START},
    Accelerator{kShift, Qt::Key_F5, ID_STOP},
    Accelerator{kNone, Qt::Key_F6, ID_NEXT_PANE},
    Accelerator{kShift, Qt::Key_F6, ID_PREV_PANE},
};

} // namespace

std::span<const Accelerator> mainAccelerators()
{
    return kMainAccelerators;
}

QKeySequence keySequenceOf(const Accelerator& accelerator)
{
    return QKeySequence(QKeyCombination(accelerator.modifiers, accelerator.key));
}

QList<QKeySequence> keySequencesFor(int commandId)
{
    QList<QKeySequence> sequences;
    for (const Accelerator& accelerator : kMainAccelerators)
        if (accelerator.commandId == commandId)
            sequences.append(keySequenceOf(accelerator));
    return sequences;
}

} // namespace vexmoor::res

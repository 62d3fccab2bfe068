#include "ToolbarTable.h"

#include "CommandIds.h"

#include <array>

namespace vexmoor::res {
namespace {

constexpr ToolbarButton kSeparator{0, nullptr};

constexpr std::array kMainToolbar{
    ToolbarButton{ID_FILE_NEW, ":/vexmoor/images/new.svg"},
    ToolbarButton{ID_FILE_OPEN, ":/vexmoor/images/open.svg"},
    ToolbarButton{ID_FILE_SAVE, ":/vexmoor/images/save.svg"},
    kSeparator,
    ToolbarButton{ID_START, ":/vexmoor/images/start.svg"},
    ToolbarButton{ID_STOP, ":/vexmoor/images/stop.svg"},
    ToolbarButton{ID_OPTIONS, ":/vexmoor/images/options.svg"},
    ToolbarButton{ID_PURGE_PIPE, ":/vexmoor/images/purge.svg"},
    kSeparator,
    ToolbarButton{ID_EDIT_CUT, ":/vexmoor/images/cut.svg"},
    ToolbarButton{ID_EDIT_COPY, ":/vexmoor/images/copy.svg"},
    ToolbarButton{ID_EDIT_PASTE, ":/vexmoor/images/paste.svg"},
    kSeparator,
    ToolbarButton{ID_FILE_PRINT, ":/vexmoor/images/print.svg"},
    ToolbarButton{ID_APP_ABOUT, ":/vexmoor/images/about.svg"},
};

} // namespace

std::span<const ToolbarButton> mainToolbar()
{
    return kMainToolbar;
}

} // namespace vexmoor::res

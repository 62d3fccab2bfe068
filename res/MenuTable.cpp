#include "MenuTable.h"

#include "CommandIds.h"

#include <array>

namespace vexmoor::res {
namespace {

constexpr MenuItem kSeparator{0, nullptr};

constexpr std::array kFileMenu{
    MenuItem{ID_FILE_NEW, "&New\tCtrl+N"},
    MenuItem{ID_FILE_OPEN, "&Open...\tCtrl+O"},
    MenuItem{ID_FILE_SAVE, "&Save\tCtrl+S"},
    MenuItem{ID_FILE_SAVE_AS, "Save &As..."},
    kSeparator,
    MenuItem{ID_FILE_PRINT, "&Print...\tCtrl+P"},
    MenuItem{ID_FILE_PRINT_PREVIEW, "Print Pre&view"},
    MenuItem{ID_FILE_PRINT_SETUP, "P&rint Setup..."},
    kSeparator,
    MenuItem{ID_FILE_OPEN_JOURNAL_FOLDER, "Open &Journal Folder"},
    kSeparator,
    MenuItem{ID_FILE_MRU_FILE1, "Recent File"},
    kSeparator,
    MenuItem{ID_APP_EXIT, "E&xit"},
};

constexpr std::array kEditMenu{
    MenuItem{ID_EDIT_UNDO, "&Undo\tCtrl+Z"},
    kSeparator,
    MenuItem{ID_EDIT_CUT, "Cu&t\tCtrl+X"},
    MenuItem{ID_EDIT_COPY, "&Copy\tCtrl+C"},
    MenuItem{ID_EDIT_PASTE, "&Paste\tCtrl+V"},
    kSeparator,
    MenuItem{ID_EDIT_FIND, "&Find...\tCtrl+F"},
    MenuItem{ID_EDIT_FIND_NEXT, "Find &Next\tF3"},
    MenuItem{ID_EDIT_FIND_PREVIOUS, "Find Pre&vious\tShift+F3"},
};

constexpr std::array kViewMenu{
    MenuItem{ID_VIEW_TOOLBAR, "&Toolbar"},
    MenuItem{ID_VIEW_STATUS_BAR, "&Status Bar"},
    kSeparator,
    MenuItem{ID_VIEW_RECEIPT_TIME, "&Receipt Time"},
    MenuItem{ID_VIEW_FOLLOW_NEW_LINES, "&Follow New Lines"},
    MenuItem{ID_VIEW_FIXED_WIDTH_FONT, "Fi&xed-Width Font"},
};

constexpr std::array kTraceMenu{
    MenuItem{ID_START, "&Start\tF5"},    MenuItem{ID_STOP, "S&top\tShift+F5"},   kSeparator,
    MenuItem{ID_OPTIONS, "&Options..."}, MenuItem{ID_PURGE_PIPE, "&Purge Pipe"},
};

constexpr std::array kHelpMenu{
    MenuItem{ID_APP_ABOUT, "&About Vexmoor..."},
};

constexpr std::array kMainMenu{
    Menu{"&File", kFileMenu},   Menu{"&Edit", kEditMenu}, Menu{"&View", kViewMenu},
    Menu{"&Trace", kTraceMenu}, Menu{"&Help", kHelpMenu},
};

} // namespace

std::span<const Menu> mainMenu()
{
    return kMainMenu;
}

const char* menuTextFor(int commandId)
{
    for (const Menu& menu : kMainMenu)
        for (const MenuItem& item : menu.items)
            if (item.commandId == commandId && commandId != 0)
                return item.text;
    return nullptr;
}

} // namespace vexmoor::res

#pragma once

#include <span>

// The main frame's menu (resource 128) as data.
namespace vexmoor::res {

struct MenuItem {
    int commandId;    // 0 for a separator
    const char* text; // "&New\tCtrl+N": mnemonic and, after a TAB, the shortcut shown
};

struct Menu {
    const char* title;
    std::span<const MenuItem> items;
};

// "&File", "&Edit", "&View", "&Trace", "&Help", in this order.
std::span<const Menu> mainMenu();

// The menu text of a command (with mnemonic and shortcut text); nullptr when
// no menu carries it.
const char* menuTextFor(int commandId);

} // namespace vexmoor::res

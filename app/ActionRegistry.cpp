#include "ActionRegistry.h"

#include "res/AcceleratorTable.h"
#include "res/CommandIds.h"
#include "res/MenuTable.h"
#include "res/StringTable.h"
#include "res/ToolbarTable.h"

#include <QAction>
#include <QIcon>

namespace vexmoor::app {

namespace {

const char* imageFor(int commandId)
{
    for (const res::ToolbarButton& button : res::mainToolbar())
        if (button.commandId == commandId)
            return button.image;
    return nullptr;
}

// Commands that no table names but that the program still carries: printing
// without a dialog (the /p switch) and the rest of the recent-file list.
constexpr int kCommandsOutsideTables[] = {
    res::ID_FILE_PRINT_DIRECT,
    res::ID_FILE_MRU_FILE2,
    res::ID_FILE_MRU_FILE3,
    res::ID_FILE_MRU_FILE4,
};

} // namespace

ActionRegistry::ActionRegistry(QObject& owner)
{
    for (const res::Menu& menu : res::mainMenu())
        for (const res::MenuItem& item : menu.items)
            create(owner, item.commandId);
    for (const res::ToolbarButton& button : res::mainToolbar())
        create(owner, button.commandId);
    for (const res::Accelerator& accelerator : res::mainAccelerators())
        create(owner, accelerator.commandId);
    for (int commandId : kCommandsOutsideTables)
        create(owner, commandId);
}

void ActionRegistry::create(QObject& owner, int commandId)
{
    if (commandId == 0 || actions_.count(commandId) != 0)
        return;
    auto* action = new QAction(&owner);
    action->setObjectName(QString::number(commandId));
    const char* menuText = res::menuTextFor(commandId);
    action->setText(menuText ? QString::fromLatin1(menuText) : res::tooltipText(commandId));
    action->setStatusTip(res::promptText(commandId));
    const QString tooltip = res::tooltipText(commandId);
    if (!tooltip.isEmpty())
        action->setToolTip(tooltip);
    action->setShortcuts(res::keySequencesFor(commandId));
    if (const char* image = imageFor(commandId))
        action->setIcon(QIcon(QString::fromLatin1(image)));
    if (commandId == res::ID_VIEW_TOOLBAR || commandId == res::ID_VIEW_STATUS_BAR) {
        action->setCheckable(true);
        action->setChecked(true);
    }
    // Start shows whether tracing runs; the log window's View settings show
    // whether they are on.
    if (commandId == res::ID_START || commandId == res::ID_VIEW_RECEIPT_TIME
        || commandId == res::ID_VIEW_FOLLOW_NEW_LINES || commandId == res::ID_VIEW_FIXED_WIDTH_FONT)
        action->setCheckable(true);
    actions_.emplace(commandId, action);
}

QAction* ActionRegistry::action(int commandId) const
{
    const auto found = actions_.find(commandId);
    return found == actions_.end() ? nullptr : found->second;
}

QList<int> ActionRegistry::commandIds() const
{
    QList<int> ids;
    for (const auto& [id, action] : actions_)
        ids.append(id);
    return ids;
}

QList<QAction*> ActionRegistry::actions() const
{
    QList<QAction*> actions;
    for (const auto& [id, action] : actions_)
        actions.append(action);
    return actions;
}

} // namespace vexmoor::app

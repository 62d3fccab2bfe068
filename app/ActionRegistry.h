#pragma once

#include <QList>

#include <map>

class QAction;
class QObject;

namespace vexmoor::app {

// One QAction per command, built in one place from the resource tables: the
// menu text, the status-bar prompt and tooltip from the string table, the
// shortcuts from the accelerator table and the toolbar image. Each action's
// objectName is its command id, so that anyone can find it by id.
class ActionRegistry {
public:
    // The actions become children of `owner`.
    explicit ActionRegistry(QObject& owner);

    // The action of a command; nullptr for an id without one.
    QAction* action(int commandId) const;
    QList<int> commandIds() const;
    QList<QAction*> actions() const;

private:
    void create(QObject& owner, int commandId);

    std::map<int, QAction*> actions_;
};

} // namespace vexmoor::app

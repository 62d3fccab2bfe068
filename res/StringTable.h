#pragma once

#include <QString>

#include <string_view>

// The string table: status-bar prompt and tooltip of each command ("prompt\n
// tooltip" under the command's id), the application name, the main window's
// title and the texts of the desktop framework that the program shows.
namespace vexmoor::res {

// The entry under `id`; empty when there is none.
std::string_view stringFor(int id);

// The part of a command's entry before "\n" (the status-bar prompt) and the
// part after it (the tooltip). An entry without "\n" is all prompt.
std::string_view prompt(int id);
std::string_view tooltip(int id);

// The same as QStrings, for widgets.
QString loadString(int id);
QString promptText(int id);
QString tooltipText(int id);

// The entry with every "%1" replaced by `argument`, as message boxes show it.
QString formatString1(int id, const QString& argument);

} // namespace vexmoor::res

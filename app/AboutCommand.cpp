#include "AboutCommand.h"

#include "ui/CAboutDlg.h"

namespace vexmoor::app {

void showAboutVexmoor(QWidget* parent)
{
    ui::ShowAboutBox(parent, ui::aboutText());
}

} // namespace vexmoor::app

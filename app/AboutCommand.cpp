#include "AboutCommand.h"

#include "ui/CAboutDlg.h"

void ShowAboutVexmoor(QWidget* parent)
{
    ShowAboutBox(parent, AboutText());
}

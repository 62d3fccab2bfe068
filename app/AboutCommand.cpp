#include "AboutCommand.h"

#include "ui/CAboutDlg.h"

void showAboutVexmoor(QWidget* parent)
{
    ShowAboutBox(parent, aboutText());
}

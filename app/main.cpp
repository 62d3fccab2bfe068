#include "CVexmoorApp.h"
#include "QSettingsProfile.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Orrindale"));
    QApplication::setApplicationName(QStringLiteral("Vexmoor"));

    vexmoor::app::QSettingsProfile profile;
    vexmoor::app::CVexmoorApp theApp(profile);
    if (!theApp.InitInstance(QApplication::arguments().mid(1)))
        return theApp.ExitInstance();
    return theApp.ExitInstance(QApplication::exec());
}

#include "CommandLineInfo.h"

namespace vexmoor::app {

namespace {

bool isSwitch(const QString& argument, QString& name)
{
    if (argument.size() < 2)
        return false;
    const QString rest = argument.mid(1);
    if (argument.startsWith(u'-')) {
        name = rest;
        return true;
    }
    // "/p" and "/pt" only: everything else after a slash is a path.
    if (argument.startsWith(u'/')
        && (rest.compare(u"p", Qt::CaseInsensitive) == 0
            || rest.compare(u"pt", Qt::CaseInsensitive) == 0)) {
        name = rest;
        return true;
    }
    return false;
}

void parseSwitch(CommandLineInfo& info, const QString& name)
{
    if (name.compare(u"pt", Qt::CaseInsensitive) == 0)
        info.shellCommand_ = CommandLineInfo::FilePrintTo;
    else if (name.compare(u"p", Qt::CaseInsensitive) == 0)
        info.shellCommand_ = CommandLineInfo::FilePrint;
}

void parseParameter(CommandLineInfo& info, const QString& parameter)
{
    const bool printTo = info.shellCommand_ == CommandLineInfo::FilePrintTo;
    if (info.fileName_.isEmpty())
        info.fileName_ = parameter;
    else if (printTo && info.printerName_.isEmpty())
        info.printerName_ = parameter;
    else if (printTo && info.driverName_.isEmpty())
        info.driverName_ = parameter;
    else if (printTo && info.portName_.isEmpty())
        info.portName_ = parameter;
}

} // namespace

CommandLineInfo parseCommandLine(const QStringList& arguments)
{
    CommandLineInfo info;
    for (const QString& argument : arguments) {
        QString name;
        if (isSwitch(argument, name))
            parseSwitch(info, name);
        else
            parseParameter(info, argument);
    }
    if (info.shellCommand_ == CommandLineInfo::FileNew && !info.fileName_.isEmpty())
        info.shellCommand_ = CommandLineInfo::FileOpen;
    return info;
}

} // namespace vexmoor::app

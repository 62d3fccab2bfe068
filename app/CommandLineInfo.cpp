#include "CommandLineInfo.h"

namespace {

bool IsSwitch(const QString& argument, QString& name)
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

void ParseSwitch(CommandLineInfo& info, const QString& name)
{
    if (name.compare(u"pt", Qt::CaseInsensitive) == 0)
        info.m_nShellCommand = CommandLineInfo::FilePrintTo;
    else if (name.compare(u"p", Qt::CaseInsensitive) == 0)
        info.m_nShellCommand = CommandLineInfo::FilePrint;
}

void ParseParameter(CommandLineInfo& info, const QString& parameter)
{
    const bool printTo = info.m_nShellCommand == CommandLineInfo::FilePrintTo;
    if (info.m_strFileName.isEmpty())
        info.m_strFileName = parameter;
    else if (printTo && info.m_strPrinterName.isEmpty())
        info.m_strPrinterName = parameter;
    else if (printTo && info.m_strDriverName.isEmpty())
        info.m_strDriverName = parameter;
    else if (printTo && info.m_strPortName.isEmpty())
        info.m_strPortName = parameter;
}

} // namespace

CommandLineInfo ParseCommandLine(const QStringList& arguments)
{
    CommandLineInfo info;
    for (const QString& argument : arguments) {
        QString name;
        if (IsSwitch(argument, name))
            ParseSwitch(info, name);
        else
            ParseParameter(info, argument);
    }
    if (info.m_nShellCommand == CommandLineInfo::FileNew && !info.m_strFileName.isEmpty())
        info.m_nShellCommand = CommandLineInfo::FileOpen;
    return info;
}

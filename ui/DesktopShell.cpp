#include "ui/DesktopShell.h"

#include "ui/BrowserCommand.h"

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSettings>
#include <QStandardPaths>
#include <QStringList>
#include <QUrl>

#include <cstdint>

namespace vexmoor::ui {

namespace {

#if defined(Q_OS_WIN)
// The default value of a key under HKEY_CLASSES_ROOT; a key that is missing
// or has no default value is a failed lookup.
std::optional<QString> ReadClassRootValue(const QString& subKey)
{
    const QSettings key(QStringLiteral("HKEY_CLASSES_ROOT\\") + subKey, QSettings::NativeFormat);
    const QVariant value = key.value(QStringLiteral("Default"));
    if (!value.isValid() || value.toString().isEmpty())
        return std::nullopt;
    return value.toString();
}

std::optional<QString> registeredWebPageCommand()
{
    const auto fileType = ReadClassRootValue(QStringLiteral(".htm"));
    if (!fileType)
        return std::nullopt;
    return ReadClassRootValue(*fileType + QStringLiteral("\\shell\\open\\command"));
}
#else
std::optional<QString> ReadTextFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return std::nullopt;
    return QString::fromUtf8(file.readAll());
}

// The desktop id of the default handler of http addresses, as the user's and
// the system's mimeapps.list files name it, most specific first.
std::optional<QString> DefaultBrowserFromMimeApps()
{
    QStringList lists;
    for (const QString& dir :
         QStandardPaths::standardLocations(QStandardPaths::GenericConfigLocation))
        lists << dir + QStringLiteral("/mimeapps.list");
    for (const QString& dir :
         QStandardPaths::standardLocations(QStandardPaths::ApplicationsLocation))
        lists << dir + QStringLiteral("/mimeapps.list");
    for (const QString& path : lists) {
        const auto text = ReadTextFile(path);
        if (!text)
            continue;
        if (auto id = defaultApplicationFor(*text, QStringLiteral("x-scheme-handler/http")))
            return id;
    }
    return std::nullopt;
}

// The desktop's own answer, for desktops that keep it elsewhere.
std::optional<QString> DefaultBrowserFromXdgSettings()
{
    QProcess query;
    query.start(QStringLiteral("xdg-settings"),
                {QStringLiteral("get"), QStringLiteral("default-web-browser")});
    if (!query.waitForFinished(3000) || query.exitStatus() != QProcess::NormalExit
        || query.exitCode() != 0) {
        query.kill();
        query.waitForFinished(1000);
        return std::nullopt;
    }
    const QString id = QString::fromUtf8(query.readAllStandardOutput()).trimmed();
    return id.isEmpty() ? std::nullopt : std::optional<QString>(id);
}

std::optional<QString> registeredWebPageCommand()
{
    auto id = DefaultBrowserFromMimeApps();
    if (!id)
        id = DefaultBrowserFromXdgSettings();
    if (!id)
        return std::nullopt;
    const QString path = QStandardPaths::locate(QStandardPaths::ApplicationsLocation, *id);
    if (path.isEmpty())
        return std::nullopt;
    const auto text = ReadTextFile(path);
    if (!text)
        return std::nullopt;
    const auto exec = desktopEntryExec(*text);
    if (!exec)
        return std::nullopt;
    return execLineToBrowserCommand(*exec);
}
#endif

} // namespace

int OpenTarget(DesktopShell& shell, const QString& target)
{
    const int shellResult = shell.openWithShell(target);
    // The shell's result is a handle value: compared without sign.
    if (static_cast<std::uint32_t>(shellResult) > 32)
        return shellResult;
    const auto command = shell.webPageCommand();
    if (!command)
        return shellResult;
    return shell.startProgram(completeBrowserCommand(*command, target));
}

int SystemDesktopShell::openWithShell(const QString& target)
{
    const QUrl url = QUrl::fromUserInput(target);
    if (!url.isValid())
        return kNoAssociation;
    return QDesktopServices::openUrl(url) ? kOpenSucceeded : kNoAssociation;
}

std::optional<QString> SystemDesktopShell::webPageCommand()
{
    return registeredWebPageCommand();
}

int SystemDesktopShell::startProgram(const QString& commandLine)
{
    QStringList arguments = QProcess::splitCommand(commandLine);
    if (arguments.isEmpty())
        return kFileNotFound;
    const QString named = arguments.takeFirst();
    const QString program =
        QFileInfo(named).isAbsolute() ? named : QStandardPaths::findExecutable(named);
    const QFileInfo info(program);
    if (program.isEmpty() || !info.exists())
        return kFileNotFound;
    if (!info.isExecutable())
        return kAccessDenied;
    return QProcess::startDetached(program, arguments) ? kOpenSucceeded : kOutOfResources;
}

DesktopShell& systemShell()
{
    static SystemDesktopShell shell;
    return shell;
}

} // namespace vexmoor::ui

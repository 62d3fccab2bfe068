#include "ui/BrowserCommand.h"

#include <QStringList>

namespace vexmoor::ui {

namespace {

// The value of `key` in group `group` of a desktop-entry style file, whose
// lines are "[Group]" headers, "key=value" pairs and "#" comments.
std::optional<QString> groupValue(const QString& text, const QString& group, const QString& key)
{
    bool inGroup = false;
    for (const QString& rawLine : text.split(QLatin1Char('\n'))) {
        const QString line = rawLine.trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        if (line.startsWith(QLatin1Char('['))) {
            inGroup = line == QLatin1Char('[') + group + QLatin1Char(']');
            continue;
        }
        if (!inGroup)
            continue;
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (equals > 0 && line.left(equals).trimmed() == key)
            return line.mid(equals + 1).trimmed();
    }
    return std::nullopt;
}

} // namespace

QString completeBrowserCommand(const QString& command, const QString& target)
{
    QString line = command;
    qsizetype cut = line.indexOf(QStringLiteral("\"%1\""));
    if (cut < 0)
        cut = line.indexOf(QStringLiteral("%1"));
    if (cut >= 0)
        line.truncate(cut);
    return line + QLatin1Char(' ') + target;
}

QString execLineToBrowserCommand(const QString& exec)
{
    QString command;
    for (qsizetype i = 0; i < exec.size(); ++i) {
        if (exec[i] != QLatin1Char('%') || i + 1 == exec.size()) {
            command += exec[i];
            continue;
        }
        const QChar code = exec[++i];
        if (code == QLatin1Char('%'))
            command += QLatin1Char('%');
        else if (QStringLiteral("uUfF").contains(code))
            command += QStringLiteral("%1");
        // Every other field code expands to nothing here.
    }
    return command.trimmed();
}

std::optional<QString> desktopEntryExec(const QString& desktopFile)
{
    auto exec = groupValue(desktopFile, QStringLiteral("Desktop Entry"), QStringLiteral("Exec"));
    if (exec && exec->isEmpty())
        return std::nullopt;
    return exec;
}

std::optional<QString> defaultApplicationFor(const QString& mimeappsList, const QString& mimeType)
{
    const auto value = groupValue(mimeappsList, QStringLiteral("Default Applications"), mimeType);
    if (!value)
        return std::nullopt;
    for (const QString& id : value->split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        if (!id.trimmed().isEmpty())
            return id.trimmed();
    }
    return std::nullopt;
}

} // namespace vexmoor::ui

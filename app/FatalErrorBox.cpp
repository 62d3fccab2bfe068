#include "FatalErrorBox.h"

#include "LogFile.h"
#include "base/LocaleText.h"
#include "res/CommandIds.h"
#include "res/StringTable.h"

#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QStandardPaths>

namespace vexmoor::app {

namespace {

std::string nativeBytes(const QString& path)
{
    return base::toLocaleBytes(QDir::toNativeSeparators(path));
}

QString recoveryName(const QString& stem, int attempt)
{
    if (attempt == 1)
        return stem + QStringLiteral(".recovered.log");
    return stem + QStringLiteral(".recovered-%1.log").arg(attempt);
}

QString freeNameIn(const QString& folder, const QString& stem)
{
    const QDir dir(folder);
    for (int attempt = 1;; ++attempt) {
        const QString candidate = dir.filePath(recoveryName(stem, attempt));
        if (!QFileInfo::exists(candidate))
            return candidate;
    }
}

QString stemOf(const RecoverySource& source)
{
    if (!source.documentPath.isEmpty())
        return QFileInfo(source.documentPath).fileName();
    return source.title.isEmpty() ? res::loadString(res::AFX_IDS_UNTITLED) : source.title;
}

} // namespace

std::string composeFatalReport(const std::string& report, const RecoveryOutcome& recovery)
{
    if (recovery.path.isEmpty())
        return report;
    if (recovery.written)
        return report + "\n\nThe unsaved log was written to " + nativeBytes(recovery.path) + ".";
    return report + "\n\nThe unsaved log could not be written to " + nativeBytes(recovery.path)
           + ".";
}

QString recoveryFilePath(const RecoverySource& source, const QString& fallbackFolder)
{
    const QString folder = source.documentPath.isEmpty()
                               ? fallbackFolder
                               : QFileInfo(source.documentPath).absolutePath();
    return freeNameIn(folder, stemOf(source));
}

RecoveryOutcome writeRecoveryFile(const RecoverySource& source, const QString& fallbackFolder)
{
    RecoveryOutcome outcome;
    if (source.logText.empty())
        return outcome;
    outcome.path = recoveryFilePath(source, fallbackFolder);
    outcome.written = saveLogFile(outcome.path, source.logText) == FileStatus::Ok;
    if (!outcome.written && !source.documentPath.isEmpty()) {
        RecoverySource elsewhere = source;
        elsewhere.documentPath.clear();
        elsewhere.title = stemOf(source);
        const QString fallbackPath = recoveryFilePath(elsewhere, fallbackFolder);
        if (saveLogFile(fallbackPath, source.logText) == FileStatus::Ok)
            outcome = {fallbackPath, true};
    }
    return outcome;
}

QString defaultRecoveryFolder()
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QDir().mkpath(folder);
    return folder;
}

void showFatalReportBox(QWidget* parent, const std::string& text)
{
    QMessageBox box(QMessageBox::Warning, res::loadString(res::AFX_IDS_APP_TITLE),
                    base::fromLocaleBytes(text), QMessageBox::Ok, parent);
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
}

db::FatalErrorHandler makeFatalErrorHandler(std::function<RecoverySource()> source,
                                            std::function<QWidget*()> parent,
                                            QString fallbackFolder,
                                            std::function<void(const RecoveryOutcome&)> written)
{
    return [source = std::move(source), parent = std::move(parent),
            fallbackFolder = std::move(fallbackFolder),
            written = std::move(written)](const std::string& report) {
        // Ticks that arrive while the box is open start no further database work.
        db::setFatalReportShowing(true);
        const RecoverySource snapshot = source ? source() : RecoverySource{};
        const QString folder = fallbackFolder.isEmpty() ? defaultRecoveryFolder() : fallbackFolder;
        const RecoveryOutcome recovery = writeRecoveryFile(snapshot, folder);
        // Before the box: the process may be killed while it is open.
        if (written)
            written(recovery);
        showFatalReportBox(parent ? parent() : nullptr, composeFatalReport(report, recovery));
    };
}

} // namespace vexmoor::app

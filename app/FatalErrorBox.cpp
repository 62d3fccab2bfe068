#include "FatalErrorBox.h"

#include "LogFile.h"
#include "base/LocaleText.h"
#include "res/CommandIds.h"
#include "res/StringTable.h"

#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QStandardPaths>

namespace {

std::string NativeBytes(const QString& path)
{
    return vexmoor::base::ToLocaleBytes(QDir::toNativeSeparators(path));
}

QString RecoveryName(const QString& stem, int attempt)
{
    if (attempt == 1)
        return stem + QStringLiteral(".recovered.log");
    return stem + QStringLiteral(".recovered-%1.log").arg(attempt);
}

QString FreeNameIn(const QString& folder, const QString& stem)
{
    const QDir dir(folder);
    for (int attempt = 1;; ++attempt) {
        const QString candidate = dir.filePath(RecoveryName(stem, attempt));
        if (!QFileInfo::exists(candidate))
            return candidate;
    }
}

QString StemOf(const RecoverySource& source)
{
    if (!source.documentPath.isEmpty())
        return QFileInfo(source.documentPath).fileName();
    return source.title.isEmpty() ? res::LoadString(res::AFX_IDS_UNTITLED) : source.title;
}

} // namespace

std::string ComposeFatalReport(const std::string& report, const RecoveryOutcome& recovery)
{
    if (recovery.path.isEmpty())
        return report;
    if (recovery.written)
        return report + "\n\nThe unsaved log was written to " + NativeBytes(recovery.path) + ".";
    return report + "\n\nThe unsaved log could not be written to " + NativeBytes(recovery.path)
           + ".";
}

QString RecoveryFilePath(const RecoverySource& source, const QString& fallbackFolder)
{
    const QString folder = source.documentPath.isEmpty()
                               ? fallbackFolder
                               : QFileInfo(source.documentPath).absolutePath();
    return FreeNameIn(folder, StemOf(source));
}

RecoveryOutcome WriteRecoveryFile(const RecoverySource& source, const QString& fallbackFolder)
{
    RecoveryOutcome outcome;
    if (source.logText.empty())
        return outcome;
    outcome.path = RecoveryFilePath(source, fallbackFolder);
    outcome.written = SaveLogFile(outcome.path, source.logText) == FileStatus::Ok;
    if (!outcome.written && !source.documentPath.isEmpty()) {
        RecoverySource elsewhere = source;
        elsewhere.documentPath.clear();
        elsewhere.title = StemOf(source);
        const QString fallbackPath = RecoveryFilePath(elsewhere, fallbackFolder);
        if (SaveLogFile(fallbackPath, source.logText) == FileStatus::Ok)
            outcome = {fallbackPath, true};
    }
    return outcome;
}

QString DefaultRecoveryFolder()
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QDir().mkpath(folder);
    return folder;
}

void ShowFatalReportBox(QWidget* parent, const std::string& text)
{
    QMessageBox box(QMessageBox::Warning, res::LoadString(res::AFX_IDS_APP_TITLE),
                    vexmoor::base::FromLocaleBytes(text), QMessageBox::Ok, parent);
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
}

FatalErrorHandler MakeFatalErrorHandler(std::function<RecoverySource()> source,
                                        std::function<QWidget*()> parent, QString fallbackFolder,
                                        std::function<void(const RecoveryOutcome&)> written)
{
    return [source = std::move(source), parent = std::move(parent),
            fallbackFolder = std::move(fallbackFolder),
            written = std::move(written)](const std::string& report) {
        // Ticks that arrive while the box is open start no further database work.
        SetFatalReportShowing(true);
        const RecoverySource snapshot = source ? source() : RecoverySource{};
        const QString folder = fallbackFolder.isEmpty() ? DefaultRecoveryFolder() : fallbackFolder;
        const RecoveryOutcome recovery = WriteRecoveryFile(snapshot, folder);
        // Before the box: the process may be killed while it is open.
        if (written)
            written(recovery);
        ShowFatalReportBox(parent ? parent() : nullptr, ComposeFatalReport(report, recovery));
    };
}

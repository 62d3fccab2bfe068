#pragma once

#include "db/ErrorReport.h"

#include <QString>

#include <functional>
#include <string>

class QWidget;

namespace vexmoor::app {

// The program's fatal error report: before the report is shown, the unsaved
// log goes to a recovery file that the report names; then the message box,
// and then the process ends.

// What the report needs from the program at the moment of the error.
struct RecoverySource {
    std::string logText;  // the whole log; nothing is written when it is empty
    QString documentPath; // empty for an untitled log
    QString title;        // "Untitled" or the file's name
};

struct RecoveryOutcome {
    QString path; // empty when there was nothing to write
    bool written = false;
};

// The report as shown: the database report, then a blank line and one line
// that names the recovery file, or says it could not be written.
std::string composeFatalReport(const std::string& report, const RecoveryOutcome& recovery);

// "<name>.recovered.log" beside the document, or in `fallbackFolder` for an
// untitled log; "<name>.recovered-2.log" and so on when the name is taken.
QString recoveryFilePath(const RecoverySource& source, const QString& fallbackFolder);

// Writes the log to the recovery file: beside the document if that folder
// takes it, else in `fallbackFolder`.
RecoveryOutcome writeRecoveryFile(const RecoverySource& source, const QString& fallbackFolder);

// The folder of last resort: the program's data folder, created when missing.
QString defaultRecoveryFolder();

// The message box: caption "Vexmoor", the exclamation icon, one OK button.
void showFatalReportBox(QWidget* parent, const std::string& text);

// The handler the program installs with setFatalErrorHandler: marks the
// report as showing (ticks are held back), writes the recovery file, hands
// its outcome to `written` (which notes it for the next start), shows the
// composed report and returns, after which the process ends.
db::FatalErrorHandler
makeFatalErrorHandler(std::function<RecoverySource()> source, std::function<QWidget*()> parent,
                      QString fallbackFolder = QString(),
                      std::function<void(const RecoveryOutcome&)> written = {});

} // namespace vexmoor::app

#pragma once

#include <QString>

class QPrinter;
class QWidget;

namespace vexmoor::trace {
class CVexmoorView;
}

namespace vexmoor::app {

class PrinterList;

// Printing the log text page by page, as the framework's edit view prints.

// Prints the whole log on `printer`; false when the print job cannot start.
bool printLog(const trace::CVexmoorView& log, QPrinter& printer, const QString& documentName);

// The Print command: the print dialog, then the log. False when cancelled or failed.
bool printLogWithDialog(const trace::CVexmoorView& log, QPrinter& printer,
                        const QString& documentName, QWidget* parent);

// Print Preview: the preview window over the log. `pages` is the profile's
// Settings/PreviewPages (0 or 1: one page, 2: two pages) and is updated from
// the view the user chose.
void previewLog(const trace::CVexmoorView& log, QPrinter& printer, const QString& documentName,
                QWidget* parent, int& pages);

// Print Setup: the printer, paper and orientation the next prints use.
// `chosenPrinter` is the printer chosen before (empty for the system's
// default) and becomes the one chosen now. False when cancelled.
bool setUpPrinter(QPrinter& printer, const PrinterList& printers, QString& chosenPrinter,
                  QWidget* parent);

} // namespace vexmoor::app

#include "LogPrinting.h"

#include "CPrintSetupDlg.h"
#include "MessageBox.h"
#include "PrinterList.h"
#include "res/CommandIds.h"
#include "res/StringTable.h"
#include "trace/CVexmoorView.h"

#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>

namespace vexmoor::app {

bool printLog(const trace::CVexmoorView& log, QPrinter& printer, const QString& documentName)
{
    printer.setDocName(documentName);
    // A machine without printers gives a native printer without a name, or a
    // PDF printer without a file: either would print nothing and say nothing.
    if (!printer.isValid()
        || (printer.outputFormat() == QPrinter::NativeFormat && printer.printerName().isEmpty())
        || (printer.outputFormat() == QPrinter::PdfFormat && printer.outputFileName().isEmpty()))
        return false;
    log.Print(printer);
    return true;
}

bool printLogWithDialog(const trace::CVexmoorView& log, QPrinter& printer,
                        const QString& documentName, QWidget* parent)
{
    QPrintDialog dialog(&printer, parent);
    if (log.textCursor().hasSelection())
        dialog.setOption(QAbstractPrintDialog::PrintSelection);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    if (!printLog(log, printer, documentName)) {
        vexmoorMessageBox(parent, res::loadString(res::AFX_IDP_FAILED_TO_START_PRINT));
        return false;
    }
    return true;
}

void previewLog(const trace::CVexmoorView& log, QPrinter& printer, const QString& documentName,
                QWidget* parent, int& pages)
{
    printer.setDocName(documentName);
    QPrintPreviewDialog dialog(&printer, parent);
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog,
                     [&log](QPrinter* target) { log.Print(*target); });
    auto* preview = dialog.findChild<QPrintPreviewWidget*>();
    if (preview && pages == 2)
        preview->setViewMode(QPrintPreviewWidget::FacingPagesView);
    dialog.exec();
    if (preview) {
        if (preview->viewMode() == QPrintPreviewWidget::FacingPagesView)
            pages = 2;
        else if (preview->viewMode() == QPrintPreviewWidget::SinglePageView)
            pages = 1;
    }
}

bool setUpPrinter(QPrinter& printer, const PrinterList& printers, QString& chosenPrinter,
                  QWidget* parent)
{
    PrinterChoice initial = choiceOf(printer);
    if (!chosenPrinter.isEmpty())
        initial.printerName = chosenPrinter;
    CPrintSetupDlg dialog(printers, initial, parent);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    const PrinterChoice choice = dialog.choice();
    if (!applyChoice(printer, choice, printers)) {
        vexmoorMessageBox(parent, res::loadString(res::AFX_IDP_FAILED_TO_START_PRINT));
        return false;
    }
    chosenPrinter = choice.printerName;
    return true;
}

} // namespace vexmoor::app

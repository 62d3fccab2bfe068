#include "PrinterList.h"

#include <QPageLayout>
#include <QPrinter>
#include <QPrinterInfo>

namespace vexmoor::app {

QStringList PrinterList::names() const
{
    return QPrinterInfo::availablePrinterNames();
}

QString PrinterList::defaultName() const
{
    return QPrinterInfo::defaultPrinterName();
}

QList<QPageSize> PrinterList::pageSizes(const QString& name) const
{
    const QList<QPageSize> sizes = QPrinterInfo::printerInfo(name).supportedPageSizes();
    if (!sizes.isEmpty())
        return sizes;
    QList<QPageSize> common;
    for (QPageSize::PageSizeId id :
         {QPageSize::A4, QPageSize::Letter, QPageSize::Legal, QPageSize::A3, QPageSize::A5,
          QPageSize::B5, QPageSize::Executive, QPageSize::Tabloid})
        common.append(QPageSize(id));
    return common;
}

bool PrinterList::select(QPrinter& printer, const QString& name) const
{
    if (name.isEmpty() || QPrinterInfo::printerInfo(name).isNull())
        return false;
    printer.setOutputFormat(QPrinter::NativeFormat);
    printer.setPrinterName(name);
    return printer.printerName() == name;
}

PrinterChoice choiceOf(const QPrinter& printer)
{
    const QPageLayout layout = printer.pageLayout();
    return {printer.printerName(), layout.pageSize(), layout.orientation()};
}

bool applyChoice(QPrinter& printer, const PrinterChoice& choice, const PrinterList& printers)
{
    // An empty name keeps the printer in use: there may be none to name.
    if (!choice.printerName.isEmpty() && !printers.select(printer, choice.printerName))
        return false;
    if (choice.pageSize.isValid())
        printer.setPageSize(choice.pageSize);
    printer.setPageOrientation(choice.orientation);
    return true;
}

} // namespace vexmoor::app

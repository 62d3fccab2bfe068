#pragma once

#include <QList>
#include <QPageLayout>
#include <QPageSize>
#include <QString>
#include <QStringList>

class QPrinter;

namespace vexmoor::app {

// The printers the system offers, and pointing a QPrinter at one of them.
// The program asks the system; tests put in printers that write PDF files.
class PrinterList {
public:
    virtual ~PrinterList() = default;

    virtual QStringList names() const;
    // The system's default printer, empty when there is none.
    virtual QString defaultName() const;
    // The paper sizes the named printer takes, or a common set where it says none.
    virtual QList<QPageSize> pageSizes(const QString& name) const;
    // Points `printer` at the printer called `name`; false when there is no
    // such printer, and `printer` is left as it was.
    virtual bool select(QPrinter& printer, const QString& name) const;
};

// What Print Setup chooses: the printer, and the paper and its orientation.
struct PrinterChoice {
    QString printerName;
    QPageSize pageSize;
    QPageLayout::Orientation orientation = QPageLayout::Portrait;
};

// The choice `printer` carries now.
PrinterChoice choiceOf(const QPrinter& printer);
// Applies the choice to `printer`; false, with `printer` as it was, when the
// chosen printer is not there.
bool applyChoice(QPrinter& printer, const PrinterChoice& choice, const PrinterList& printers);

} // namespace vexmoor::app

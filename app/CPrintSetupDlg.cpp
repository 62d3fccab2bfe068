#include "CPrintSetupDlg.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QRadioButton>
#include <QVBoxLayout>

#include <algorithm>

namespace vexmoor::app {

namespace {

QComboBox* addComboRow(QGroupBox& group, const QString& label, const QString& name)
{
    auto* layout = new QFormLayout(&group);
    auto* combo = new QComboBox(&group);
    combo->setObjectName(name);
    auto* caption = new QLabel(label, &group);
    caption->setBuddy(combo);
    layout->addRow(caption, combo);
    return combo;
}

} // namespace

CPrintSetupDlg::CPrintSetupDlg(const PrinterList& printers, const PrinterChoice& initial,
                               QWidget* parent)
    : QDialog(parent), printers_(printers)
{
    setWindowTitle(QStringLiteral("Print Setup"));
    auto* layout = new QVBoxLayout(this);

    auto* printerGroup = new QGroupBox(QStringLiteral("Printer"), this);
    printer_ = addComboRow(*printerGroup, QStringLiteral("&Name:"), QStringLiteral("printer"));
    printer_->addItems(printers_.names());
    const QString name =
        initial.printerName.isEmpty() ? printers_.defaultName() : initial.printerName;
    printer_->setCurrentIndex(std::max(0, printer_->findText(name)));
    // Without printers the paper and orientation can still be chosen, for
    // printing to a file.
    printer_->setPlaceholderText(QStringLiteral("No printers are installed"));
    printer_->setEnabled(printer_->count() > 0);
    layout->addWidget(printerGroup);

    auto* paperGroup = new QGroupBox(QStringLiteral("Paper"), this);
    paperSize_ = addComboRow(*paperGroup, QStringLiteral("Si&ze:"), QStringLiteral("paperSize"));
    fillPaperSizes(initial.pageSize);
    layout->addWidget(paperGroup);
    // Another printer may take other sizes; the size chosen stays where it can.
    connect(printer_, &QComboBox::currentTextChanged, this,
            [this] { fillPaperSizes(choice().pageSize); });

    auto* orientationGroup = new QGroupBox(QStringLiteral("Orientation"), this);
    auto* orientationLayout = new QHBoxLayout(orientationGroup);
    portrait_ = new QRadioButton(QStringLiteral("P&ortrait"), orientationGroup);
    portrait_->setObjectName(QStringLiteral("portrait"));
    landscape_ = new QRadioButton(QStringLiteral("L&andscape"), orientationGroup);
    landscape_->setObjectName(QStringLiteral("landscape"));
    orientationLayout->addWidget(portrait_);
    orientationLayout->addWidget(landscape_);
    (initial.orientation == QPageLayout::Landscape ? landscape_ : portrait_)->setChecked(true);
    layout->addWidget(orientationGroup);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

void CPrintSetupDlg::fillPaperSizes(const QPageSize& keep)
{
    paperSize_->clear();
    for (const QPageSize& size : printers_.pageSizes(printer_->currentText()))
        paperSize_->addItem(size.name(), QVariant::fromValue(size));
    int row = 0;
    for (int i = 0; i < paperSize_->count(); ++i) {
        if (paperSize_->itemData(i).value<QPageSize>().isEquivalentTo(keep))
            row = i;
    }
    paperSize_->setCurrentIndex(row);
}

PrinterChoice CPrintSetupDlg::choice() const
{
    PrinterChoice choice;
    choice.printerName = printer_->currentText();
    choice.pageSize = paperSize_->currentData().value<QPageSize>();
    choice.orientation = landscape_->isChecked() ? QPageLayout::Landscape : QPageLayout::Portrait;
    return choice;
}

} // namespace vexmoor::app

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

namespace {

QComboBox* AddComboRow(QGroupBox& group, const QString& label, const QString& name)
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
    : QDialog(parent), m_printers(printers)
{
    setWindowTitle(QStringLiteral("Print Setup"));
    auto* layout = new QVBoxLayout(this);

    auto* printerGroup = new QGroupBox(QStringLiteral("Printer"), this);
    m_printer = AddComboRow(*printerGroup, QStringLiteral("&Name:"), QStringLiteral("printer"));
    m_printer->addItems(m_printers.Names());
    const QString name =
        initial.printerName.isEmpty() ? m_printers.DefaultName() : initial.printerName;
    m_printer->setCurrentIndex(std::max(0, m_printer->findText(name)));
    layout->addWidget(printerGroup);

    auto* paperGroup = new QGroupBox(QStringLiteral("Paper"), this);
    m_paperSize = AddComboRow(*paperGroup, QStringLiteral("Si&ze:"), QStringLiteral("paperSize"));
    FillPaperSizes(initial.pageSize);
    layout->addWidget(paperGroup);
    // Another printer may take other sizes; the size chosen stays where it can.
    connect(m_printer, &QComboBox::currentTextChanged, this,
            [this] { FillPaperSizes(Choice().pageSize); });

    auto* orientationGroup = new QGroupBox(QStringLiteral("Orientation"), this);
    auto* orientationLayout = new QHBoxLayout(orientationGroup);
    m_portrait = new QRadioButton(QStringLiteral("P&ortrait"), orientationGroup);
    m_portrait->setObjectName(QStringLiteral("portrait"));
    m_landscape = new QRadioButton(QStringLiteral("L&andscape"), orientationGroup);
    m_landscape->setObjectName(QStringLiteral("landscape"));
    orientationLayout->addWidget(m_portrait);
    orientationLayout->addWidget(m_landscape);
    (initial.orientation == QPageLayout::Landscape ? m_landscape : m_portrait)->setChecked(true);
    layout->addWidget(orientationGroup);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

void CPrintSetupDlg::FillPaperSizes(const QPageSize& keep)
{
    m_paperSize->clear();
    for (const QPageSize& size : m_printers.PageSizes(m_printer->currentText()))
        m_paperSize->addItem(size.name(), QVariant::fromValue(size));
    int row = 0;
    for (int i = 0; i < m_paperSize->count(); ++i) {
        if (m_paperSize->itemData(i).value<QPageSize>().isEquivalentTo(keep))
            row = i;
    }
    m_paperSize->setCurrentIndex(row);
}

PrinterChoice CPrintSetupDlg::Choice() const
{
    PrinterChoice choice;
    choice.printerName = m_printer->currentText();
    choice.pageSize = m_paperSize->currentData().value<QPageSize>();
    choice.orientation = m_landscape->isChecked() ? QPageLayout::Landscape : QPageLayout::Portrait;
    return choice;
}

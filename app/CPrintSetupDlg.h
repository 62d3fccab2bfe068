#pragma once

#include "PrinterList.h"

#include <QDialog>

class QComboBox;
class QRadioButton;

// Print Setup: the printer the next prints go to, its paper size and the
// orientation. Its controls are found by object name: "printer", "paperSize",
// "portrait", "landscape".
class CPrintSetupDlg : public QDialog {
    Q_OBJECT

public:
    CPrintSetupDlg(const PrinterList& printers, const PrinterChoice& initial, QWidget* parent);

    PrinterChoice Choice() const;

private:
    void FillPaperSizes(const QPageSize& keep);

    const PrinterList& m_printers;
    QComboBox* m_printer = nullptr;
    QComboBox* m_paperSize = nullptr;
    QRadioButton* m_portrait = nullptr;
    QRadioButton* m_landscape = nullptr;
};

#pragma once

#include "PrinterList.h"

#include <QDialog>

class QComboBox;
class QRadioButton;

namespace vexmoor::app {

// Print Setup: the printer the next prints go to, its paper size and the
// orientation. Its controls are found by object name: "printer", "paperSize",
// "portrait", "landscape".
class CPrintSetupDlg : public QDialog {
    Q_OBJECT

public:
    CPrintSetupDlg(const PrinterList& printers, const PrinterChoice& initial, QWidget* parent);

    PrinterChoice choice() const;

private:
    void fillPaperSizes(const QPageSize& keep);

    const PrinterList& printers_;
    QComboBox* printer_ = nullptr;
    QComboBox* paperSize_ = nullptr;
    QRadioButton* portrait_ = nullptr;
    QRadioButton* landscape_ = nullptr;
};

} // namespace vexmoor::app

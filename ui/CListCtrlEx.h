#pragma once

#include <QTreeWidget>

namespace vexmoor::ui {

class CArrowHeaderCtrl;

// The sortable list with an arrow in its header, for the program's list views (none yet).
// A report-style list whose column header can show a sort arrow. Sorting
// the rows is the caller's: a caller that sorts marks the column with
// SetSortArrow.
class CListCtrlEx : public QTreeWidget {
    Q_OBJECT
public:
    explicit CListCtrlEx(QWidget* parent = nullptr);

    CArrowHeaderCtrl& Header() const { return *header_; }
    void SetSortArrow(int column, bool descending, int width = -1, int height = -1);
    void ClearSortArrow(int column);

private:
    CArrowHeaderCtrl* header_; // owned by the list as its header
};

} // namespace vexmoor::ui

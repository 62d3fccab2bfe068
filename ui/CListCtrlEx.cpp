#include "ui/CListCtrlEx.h"

#include "ui/CArrowHeaderCtrl.h"

namespace vexmoor::ui {

CListCtrlEx::CListCtrlEx(QWidget* parent) : QTreeWidget(parent), header_(new CArrowHeaderCtrl(this))
{
    setHeader(header_);
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    // Columns keep the widths they are given, as a report list's do.
    header_->setStretchLastSection(false);
}

void CListCtrlEx::SetSortArrow(int column, bool descending, int width, int height)
{
    header_->SetSortArrow(column, descending, width, height);
}

void CListCtrlEx::ClearSortArrow(int column)
{
    header_->ClearSortArrow(column);
}

} // namespace vexmoor::ui

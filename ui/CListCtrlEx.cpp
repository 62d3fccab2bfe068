#include "ui/CListCtrlEx.h"

#include "ui/CArrowHeaderCtrl.h"

CListCtrlEx::CListCtrlEx(QWidget* parent)
    : QTreeWidget(parent), m_header(new CArrowHeaderCtrl(this))
{
    setHeader(m_header);
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    // Columns keep the widths they are given, as a report list's do.
    m_header->setStretchLastSection(false);
}

void CListCtrlEx::SetSortArrow(int column, bool descending, int width, int height)
{
    m_header->SetSortArrow(column, descending, width, height);
}

void CListCtrlEx::ClearSortArrow(int column)
{
    m_header->ClearSortArrow(column);
}

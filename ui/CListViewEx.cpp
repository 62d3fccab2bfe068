#include "ui/CListViewEx.h"

#include "ui/CListCtrlEx.h"

#include <QResizeEvent>

CListViewEx::CListViewEx(QWidget* parent) : QWidget(parent), m_list(new CListCtrlEx(this))
{
    m_list->setGeometry(rect());
}

void CListViewEx::resizeEvent(QResizeEvent* event)
{
    m_list->setGeometry(0, 0, event->size().width(), event->size().height());
    m_list->update();
}

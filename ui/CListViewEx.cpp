#include "ui/CListViewEx.h"

#include "ui/CListCtrlEx.h"

#include <QResizeEvent>

CListViewEx::CListViewEx(QWidget* parent) : QWidget(parent), list_(new CListCtrlEx(this))
{
    list_->setGeometry(rect());
}

void CListViewEx::resizeEvent(QResizeEvent* event)
{
    list_->setGeometry(0, 0, event->size().width(), event->size().height());
    list_->update();
}

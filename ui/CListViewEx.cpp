#include "ui/CListViewEx.h"

#include "ui/CListCtrlEx.h"

#include <QResizeEvent>

namespace vexmoor::ui {

CListViewEx::CListViewEx(QWidget* parent) : QWidget(parent), list_(new CListCtrlEx(this))
{
    list_->setGeometry(rect());
}

void CListViewEx::resizeEvent(QResizeEvent* event)
{
    list_->setGeometry(0, 0, event->size().width(), event->size().height());
    list_->update();
}

} // namespace vexmoor::ui

#pragma once

#include <QWidget>

namespace vexmoor::ui {

class CListCtrlEx;

// A list view made of one sortable list, for the program's list views (none yet).
// A view whose whole client area is one sort-arrow list.
class CListViewEx : public QWidget {
    Q_OBJECT
public:
    explicit CListViewEx(QWidget* parent = nullptr);

    CListCtrlEx& List() const { return *list_; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    CListCtrlEx* list_; // a child of the view
};

} // namespace vexmoor::ui

#pragma once

#include <QHeaderView>
#include <QPixmap>

#include <map>

namespace vexmoor::ui {

// The header that shows the sortable lists' arrow, for the program's list views (none yet).
// A list's column header that can show a sort arrow in one column: the
// sorted section shows an image holding its caption and the arrow, redrawn
// at the section's new width when the user finishes resizing it.
class CArrowHeaderCtrl : public QHeaderView {
    Q_OBJECT
public:
    explicit CArrowHeaderCtrl(QWidget* parent = nullptr);

    // Marks `column` as the sorted one and gives it the arrow image. A
    // negative width means the section's current width, a negative height
    // the header's height.
    void SetSortArrow(int column, bool descending, int width = -1, int height = -1);
    // Returns `column` to its plain caption (unless it is -1) and repaints.
    void ClearSortArrow(int column);

    int sortedColumn() const { return sortedColumn_; }
    bool IsDescending() const { return descending_; }
    // The image a section shows instead of its caption, or a null pixmap.
    QPixmap sectionImage(int column) const;

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void OnSectionResized(int logicalIndex, int oldSize, int newSize);
    void OnResizeEnded();

    int sortedColumn_ = -1;
    bool descending_ = true;
    std::map<int, QPixmap> images_;
    bool buttonDown_ = false;
    // The sorted section was resized by a drag that has not ended yet;
    // its width then.
    bool resizePending_ = false;
    int pendingWidth_ = -1;
};

} // namespace vexmoor::ui

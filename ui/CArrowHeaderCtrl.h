#pragma once

#include <QHeaderView>
#include <QPixmap>

#include <map>

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

    int SortedColumn() const { return m_sortedColumn; }
    bool IsDescending() const { return m_descending; }
    // The image a section shows instead of its caption, or a null pixmap.
    QPixmap SectionImage(int column) const;

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void OnSectionResized(int logicalIndex, int oldSize, int newSize);
    void OnResizeEnded();

    int m_sortedColumn = -1;
    bool m_descending = true;
    std::map<int, QPixmap> m_images;
    bool m_buttonDown = false;
    // The sorted section was resized by a drag that has not ended yet;
    // its width then.
    bool m_resizePending = false;
    int m_pendingWidth = -1;
};

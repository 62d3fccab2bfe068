#include "ui/CArrowHeaderCtrl.h"

#include "ui/SortArrowImage.h"

#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionHeader>

namespace vexmoor::ui {

namespace {

// A caption longer than this is cut, as the header's item text buffer is.
constexpr int kCaptionLimit = 255;

} // namespace

CArrowHeaderCtrl::CArrowHeaderCtrl(QWidget* parent) : QHeaderView(Qt::Horizontal, parent)
{
    connect(this, &QHeaderView::sectionResized, this, &CArrowHeaderCtrl::OnSectionResized);
}

void CArrowHeaderCtrl::SetSortArrow(int column, bool descending, int width, int height)
{
    sortedColumn_ = column;
    descending_ = descending;
    if (width < 0)
        width = sectionSize(column);
    // A header not laid out yet has no client height of its own: it will
    // get the height it asks for.
    if (height < 0)
        height = isVisible() ? viewport()->height() : sizeHint().height();

    QString caption;
    if (model() != nullptr)
        caption = model()->headerData(column, orientation(), Qt::DisplayRole).toString();
    caption.truncate(kCaptionLimit);

    const ui::SortArrowColours colours{palette().color(QPalette::Button),
                                       palette().color(QPalette::ButtonText)};
    images_[column] = QPixmap::fromImage(
        ui::makeSortArrowImage(caption, descending, width, height, colours, font()));
    viewport()->update();
}

void CArrowHeaderCtrl::ClearSortArrow(int column)
{
    if (column != -1)
        images_.erase(column);
    viewport()->update();
}

QPixmap CArrowHeaderCtrl::sectionImage(int column) const
{
    const auto found = images_.find(column);
    return found == images_.end() ? QPixmap() : found->second;
}

// A section with an image shows only the image, at its left edge, on the
// section's plain face.
void CArrowHeaderCtrl::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const
{
    const auto found = images_.find(logicalIndex);
    if (found == images_.end() || found->second.isNull()) {
        QHeaderView::paintSection(painter, rect, logicalIndex);
        return;
    }
    QStyleOptionHeader option;
    initStyleOption(&option);
    option.rect = rect;
    option.section = logicalIndex;
    painter->save();
    style()->drawControl(QStyle::CE_HeaderSection, &option, painter, this);
    painter->setClipRect(rect);
    painter->drawPixmap(rect.topLeft(), found->second);
    painter->restore();
}

void CArrowHeaderCtrl::mousePressEvent(QMouseEvent* event)
{
    buttonDown_ = true;
    QHeaderView::mousePressEvent(event);
}

// Qt has no signal for the end of a section drag: the drag ends with the
// button's release.
void CArrowHeaderCtrl::mouseReleaseEvent(QMouseEvent* event)
{
    QHeaderView::mouseReleaseEvent(event);
    buttonDown_ = false;
    if (resizePending_)
        OnResizeEnded();
}

void CArrowHeaderCtrl::OnSectionResized(int logicalIndex, int /*oldSize*/, int newSize)
{
    if (!buttonDown_ || logicalIndex != sortedColumn_ || sortedColumn_ == -1)
        return;
    resizePending_ = true;
    pendingWidth_ = newSize;
}

void CArrowHeaderCtrl::OnResizeEnded()
{
    resizePending_ = false;
    if (sortedColumn_ == -1)
        return;
    ClearSortArrow(sortedColumn_);
    SetSortArrow(sortedColumn_, descending_, pendingWidth_, -1);
}

} // namespace vexmoor::ui

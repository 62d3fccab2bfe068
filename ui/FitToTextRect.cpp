#include "ui/FitToTextRect.h"

#include "res/WindowStyles.h"

namespace vexmoor::ui {

QRect fitRectToText(const QRect& rect, const QSize& textSize, std::uint32_t style)
{
    using namespace res::style;
    // Edge coordinates with right and bottom exclusive, as the arithmetic
    // moves edges rather than sizes.
    int left = rect.x();
    int top = rect.y();
    int right = rect.x() + rect.width();
    int bottom = rect.y() + rect.height();

    if ((style & SS_CENTERIMAGE) != 0) {
        const int inset = (rect.height() - textSize.height()) / 2;
        top += inset;
        bottom -= inset;
    } else {
        bottom = top + textSize.height();
    }

    if ((style & SS_CENTER) != 0) {
        const int inset = (rect.width() - textSize.width()) / 2;
        left += inset;
        right -= inset;
    } else if ((style & SS_RIGHT) != 0) {
        left = right - textSize.width();
    } else {
        right = left + textSize.width();
    }
    return QRect(left, top, right - left, bottom - top);
}

} // namespace vexmoor::ui

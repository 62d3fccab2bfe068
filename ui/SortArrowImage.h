#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QString>

namespace vexmoor::ui {

struct SortArrowColours {
    QColor face;    // the header's button face, filling the image
    QColor caption; // the caption's text
};

// The image a sorted column's header section shows: the caption, left
// aligned from (0, 2) to (width - 22, height) and elided when it does not fit
// (left out entirely when width <= 22), then an arrow with its corners at
// x = width - 22, width - 18, width - 14 and y = 4, 12, drawn in white and
// black lines so it looks cut into the face. `descending` points it down.
// Each line covers its start pixel but not its end pixel. A null image when
// either size is not positive.
QImage makeSortArrowImage(const QString& caption, bool descending, int width, int height,
                          const SortArrowColours& colours, const QFont& font);

} // namespace vexmoor::ui

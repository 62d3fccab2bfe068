#include "ui/SortArrowImage.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPoint>
#include <QRect>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace vexmoor::ui {

namespace {

void plot(QImage& image, int x, int y, QRgb colour)
{
    if (x >= 0 && y >= 0 && x < image.width() && y < image.height())
        image.setPixel(x, y, colour);
}

// A one-pixel line from `from` up to, but not including, `to`: joined lines
// then meet without either end being drawn twice.
void drawLine(QImage& image, QPoint from, QPoint to, const QColor& colour)
{
    const int dx = to.x() - from.x();
    const int dy = to.y() - from.y();
    const int steps = std::max(std::abs(dx), std::abs(dy));
    for (int step = 0; step < steps; ++step) {
        const double t = static_cast<double>(step) / steps;
        plot(image, from.x() + static_cast<int>(std::lround(t * dx)),
             from.y() + static_cast<int>(std::lround(t * dy)), colour.rgb());
    }
}

void drawCaption(QImage& image, const QString& caption, int width, int height,
                 const SortArrowColours& colours, const QFont& font)
{
    const QRect box(QPoint(0, 2), QPoint(width - 22 - 1, height - 1));
    QPainter painter(&image);
    painter.setFont(font);
    painter.setPen(colours.caption);
    const QString shown = QFontMetrics(font).elidedText(caption, Qt::ElideRight, box.width());
    painter.drawText(box, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, shown);
}

} // namespace

QImage makeSortArrowImage(const QString& caption, bool descending, int width, int height,
                          const SortArrowColours& colours, const QFont& font)
{
    if (width <= 0 || height <= 0)
        return {};
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colours.face);
    if (width > 22)
        drawCaption(image, caption, width, height, colours, font);

    const int left = width - 22;
    const int middle = width - 18;
    const int right = width - 14;
    const QColor white(Qt::white);
    const QColor black(Qt::black);
    if (descending) {
        drawLine(image, {right, 4}, {left, 4}, white);
        drawLine(image, {left, 4}, {middle, 12}, white);
        drawLine(image, {middle, 12}, {right, 4}, black);
    } else {
        drawLine(image, {middle, 4}, {left, 12}, white);
        drawLine(image, {left, 12}, {right, 12}, black);
        drawLine(image, {right, 12}, {middle, 4}, black);
    }
    return image;
}

} // namespace vexmoor::ui

#include "ui/CArrowHeaderCtrl.h"
#include "ui/CListCtrlEx.h"
#include "ui/CListViewEx.h"
#include "ui/SortArrowImage.h"

#include "support/QtTestApplication.h"

#include <QApplication>
#include <QMouseEvent>
#include <QTest>

#include <gtest/gtest.h>

namespace vexmoor::ui {

using ui::makeSortArrowImage;

namespace {

const QColor kFace(192, 192, 192);
const QColor kCaption(255, 0, 0);
const SortArrowColours kColours{kFace, kCaption};

QColor At(const QImage& image, int x, int y)
{
    return image.pixelColor(x, y);
}

bool IsArrowOrFace(const QColor& colour)
{
    return colour == kFace || colour == QColor(Qt::white) || colour == QColor(Qt::black);
}

} // namespace

TEST(SortArrowImage, DescendingArrowPointsDownWithWhiteTopAndLeftAndBlackRight)
{
    const QImage image = makeSortArrowImage("", true, 100, 20, kColours, QFont());
    ASSERT_EQ(image.size(), QSize(100, 20));
    // The top edge, white from x = 86 leftwards to 78.
    for (int x = 78; x <= 86; ++x)
        EXPECT_EQ(At(image, x, 4), QColor(Qt::white)) << x;
    EXPECT_EQ(At(image, 77, 4), kFace);
    EXPECT_EQ(At(image, 87, 4), kFace);
    // The left side, white, from (78, 4) down to the tip.
    EXPECT_EQ(At(image, 79, 6), QColor(Qt::white));
    EXPECT_EQ(At(image, 80, 8), QColor(Qt::white));
    EXPECT_EQ(At(image, 81, 10), QColor(Qt::white));
    // The right side, black, from the tip (82, 12) up to, not over, (86, 4).
    EXPECT_EQ(At(image, 82, 12), QColor(Qt::black));
    EXPECT_EQ(At(image, 83, 10), QColor(Qt::black));
    EXPECT_EQ(At(image, 84, 8), QColor(Qt::black));
    EXPECT_EQ(At(image, 85, 6), QColor(Qt::black));
    // Inside and below stays face.
    EXPECT_EQ(At(image, 82, 7), kFace);
    EXPECT_EQ(At(image, 82, 13), kFace);
}

TEST(SortArrowImage, AscendingArrowPointsUpWithWhiteLeftAndBlackBottomAndRight)
{
    const QImage image = makeSortArrowImage("", false, 100, 20, kColours, QFont());
    // The tip (82, 4) and the left side down to (78, 12), white.
    EXPECT_EQ(At(image, 82, 4), QColor(Qt::white));
    EXPECT_EQ(At(image, 81, 6), QColor(Qt::white));
    EXPECT_EQ(At(image, 80, 8), QColor(Qt::white));
    EXPECT_EQ(At(image, 79, 10), QColor(Qt::white));
    // The bottom from (78, 12) to (86, 12) and the right side, black.
    for (int x = 78; x <= 86; ++x)
        EXPECT_EQ(At(image, x, 12), QColor(Qt::black)) << x;
    EXPECT_EQ(At(image, 85, 10), QColor(Qt::black));
    EXPECT_EQ(At(image, 84, 8), QColor(Qt::black));
    EXPECT_EQ(At(image, 83, 6), QColor(Qt::black));
    EXPECT_EQ(At(image, 82, 9), kFace);
    EXPECT_EQ(At(image, 82, 3), kFace);
    EXPECT_EQ(At(image, 87, 12), kFace);
}

TEST(SortArrowImage, CaptionOnlyWhenWiderThan22AndKeptLeftOfTheArrow)
{
    const QString caption = "A long column caption that cannot fit";
    const QImage narrow = makeSortArrowImage(caption, true, 22, 20, kColours, QFont());
    for (int y = 0; y < narrow.height(); ++y) {
        for (int x = 0; x < narrow.width(); ++x)
            ASSERT_TRUE(IsArrowOrFace(At(narrow, x, y))) << x << "," << y;
    }
    // Clipped to the image: the arrow's corner at x = 22 - 14 = 8.
    EXPECT_EQ(At(narrow, 8, 4), QColor(Qt::white));
    EXPECT_EQ(At(narrow, 0, 4), QColor(Qt::white));

    const QImage wide = makeSortArrowImage(caption, true, 60, 20, kColours, QFont());
    bool captionDrawn = false;
    for (int y = 0; y < wide.height(); ++y) {
        for (int x = 0; x < wide.width(); ++x) {
            if (IsArrowOrFace(At(wide, x, y)))
                continue;
            EXPECT_LT(x, 60 - 22) << "caption beyond its box at " << x << "," << y;
            EXPECT_GE(y, 2);
            captionDrawn = true;
        }
    }
    EXPECT_TRUE(captionDrawn);
    EXPECT_TRUE(makeSortArrowImage(caption, true, 0, 20, kColours, QFont()).isNull());
}

namespace {

class ListTest : public ::testing::Test {
protected:
    ListTest()
    {
        list_.setColumnCount(3);
        list_.setHeaderLabels({"Name", "Kind", "Size"});
        for (int column = 0; column < 3; ++column)
            list_.header()->resizeSection(column, 100);
        list_.resize(400, 200);
        list_.show();
    }

    CArrowHeaderCtrl& Header() { return list_.Header(); }

    // A user's drag of the right edge of `column`'s section by `delta`.
    void DragEdge(int column, int delta, bool release = true)
    {
        QWidget* viewport = Header().viewport();
        const int edge =
            Header().sectionViewportPosition(column) + Header().sectionSize(column) - 1;
        const QPoint from(edge, Header().height() / 2);
        Send(viewport, QEvent::MouseButtonPress, from, Qt::LeftButton);
        Send(viewport, QEvent::MouseMove, from + QPoint(delta / 2, 0), Qt::LeftButton);
        Send(viewport, QEvent::MouseMove, from + QPoint(delta, 0), Qt::LeftButton);
        if (release)
            Release(from + QPoint(delta, 0));
    }
    void Release(const QPoint& at)
    {
        Send(Header().viewport(), QEvent::MouseButtonRelease, at, Qt::NoButton);
    }
    static void Send(QWidget* target, QEvent::Type type, const QPoint& at, Qt::MouseButtons buttons)
    {
        QMouseEvent event(type, at, target->mapToGlobal(at), Qt::LeftButton, buttons,
                          Qt::NoModifier);
        QApplication::sendEvent(target, &event);
    }

    CListCtrlEx list_;
};

} // namespace

TEST_F(ListTest, SortArrowGivesTheSectionItsImage)
{
    list_.SetSortArrow(1, true);
    EXPECT_EQ(Header().sortedColumn(), 1);
    EXPECT_TRUE(Header().IsDescending());
    const QPixmap image = Header().sectionImage(1);
    EXPECT_EQ(image.size(), QSize(100, Header().viewport()->height()));
    EXPECT_TRUE(Header().sectionImage(0).isNull());

    // The header shows it: the arrow's top corner in the section.
    const QImage shown = Header().grab().toImage();
    const int left = Header().sectionViewportPosition(1);
    EXPECT_EQ(shown.pixelColor(left + 100 - 14, 4), QColor(Qt::white));
    EXPECT_EQ(shown.pixelColor(left + 100 - 18, 12), QColor(Qt::black));

    // Given sizes are used as they are.
    list_.SetSortArrow(2, false, 50, 10);
    EXPECT_EQ(Header().sectionImage(2).size(), QSize(50, 10));
    EXPECT_FALSE(Header().sectionImage(1).isNull()); // still shown until cleared
    EXPECT_EQ(Header().sortedColumn(), 2);
}

TEST_F(ListTest, ClearSortArrowReturnsThePlainCaption)
{
    list_.SetSortArrow(1, true);
    list_.ClearSortArrow(-1);
    EXPECT_FALSE(Header().sectionImage(1).isNull());
    list_.ClearSortArrow(1);
    EXPECT_TRUE(Header().sectionImage(1).isNull());
    EXPECT_EQ(Header().sortedColumn(), 1);
}

TEST_F(ListTest, EndingAResizeOfTheSortedColumnRedrawsItsImage)
{
    list_.SetSortArrow(1, false);
    const qint64 before = Header().sectionImage(1).cacheKey();
    DragEdge(1, 40, false);
    EXPECT_EQ(Header().sectionSize(1), 140);
    // While the drag goes on the old image stays.
    EXPECT_EQ(Header().sectionImage(1).cacheKey(), before);
    EXPECT_EQ(Header().sectionImage(1).width(), 100);
    Release(QPoint(Header().sectionViewportPosition(1) + 139, 5));
    EXPECT_EQ(Header().sectionImage(1).width(), 140);
    EXPECT_FALSE(Header().IsDescending());
    const QImage redrawn = Header().sectionImage(1).toImage();
    EXPECT_EQ(redrawn.pixelColor(140 - 18, 4), QColor(Qt::white));
}

TEST_F(ListTest, ResizingAnotherColumnLeavesTheImageAlone)
{
    list_.SetSortArrow(1, true);
    const qint64 before = Header().sectionImage(1).cacheKey();
    DragEdge(0, 30);
    EXPECT_EQ(Header().sectionSize(0), 130);
    EXPECT_EQ(Header().sectionImage(1).cacheKey(), before);
    // A resize made by the program rather than a drag is no end of a drag.
    Header().resizeSection(1, 60);
    EXPECT_EQ(Header().sectionImage(1).cacheKey(), before);
}

TEST_F(ListTest, WithNoColumnMarkedEndingAResizeChangesNothing)
{
    DragEdge(1, 20);
    EXPECT_EQ(Header().sectionSize(1), 120);
    EXPECT_EQ(Header().sortedColumn(), -1);
    for (int column = 0; column < 3; ++column)
        EXPECT_TRUE(Header().sectionImage(column).isNull());
}

TEST(CListViewEx, ItsListFillsTheViewOnEveryResize)
{
    CListViewEx view;
    view.resize(300, 200);
    view.show();
    QCoreApplication::processEvents();
    EXPECT_EQ(view.List().geometry(), QRect(0, 0, 300, 200));
    view.resize(150, 90);
    QCoreApplication::processEvents();
    EXPECT_EQ(view.List().geometry(), QRect(0, 0, 150, 90));
}

} // namespace vexmoor::ui

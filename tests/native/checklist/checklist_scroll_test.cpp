// Tests of the check-list view's row geometry, hit-testing and scroll arithmetic.
#include <gtest/gtest.h>

#include <cmath>

#include "checklist/core/checklist_scroll.h"

namespace {

using namespace checklist;

constexpr RowMetrics kShipped{18, 19, 18}; // 13x12 images, row height from the images

int32_t PageDown(int32_t top) {
    return VScroll(kPageDown, 0, top, 30, 10).to;
}
int32_t PageUp(int32_t top) {
    return VScroll(kPageUp, 0, top, 30, 10).to;
}

TEST(CheckListScroll, PagesKeepOneRowOfTheOldPage) {
    EXPECT_EQ(9, PageDown(0));
    EXPECT_EQ(18, PageDown(9));
    EXPECT_EQ(20, PageDown(18)); // 30 - 10 - 18 = 2 rows left: go to the end
    EXPECT_EQ(ScrollAction::Ignore, VScroll(kPageDown, 0, 20, 30, 10).action);

    EXPECT_EQ(11, PageUp(20));
    EXPECT_EQ(0, PageUp(5));
    EXPECT_EQ(ScrollAction::Move, VScroll(kPageUp, 0, 10, 30, 10).action);
    EXPECT_EQ(1, PageUp(10));
    EXPECT_EQ(ScrollAction::Ignore, VScroll(kPageUp, 0, 0, 30, 10).action);
}

TEST(CheckListScroll, LineStepsStopAtTheEnds) {
    EXPECT_EQ(ScrollAction::Move, VScroll(kLineDown, 0, 0, 30, 10).action);
    EXPECT_EQ(1, VScroll(kLineDown, 0, 0, 30, 10).to);
    EXPECT_EQ(ScrollAction::Stay, VScroll(kLineDown, 0, 20, 30, 10).action);
    EXPECT_EQ(20, VScroll(kLineDown, 0, 20, 30, 10).to);
    EXPECT_EQ(19, VScroll(kLineUp, 0, 20, 30, 10).to);
    EXPECT_EQ(ScrollAction::Stay, VScroll(kLineUp, 0, 0, 30, 10).action);
    EXPECT_EQ(0, VScroll(kLineUp, 0, 0, 30, 10).to);
}

TEST(CheckListScroll, ThumbTrackMovesToThePositionAndThumbPositionDoesNothing) {
    EXPECT_EQ(7, VScroll(kThumbTrack, 7, 0, 30, 10).to);
    EXPECT_EQ(ScrollAction::Ignore, VScroll(kThumbTrack, 7, 7, 30, 10).action);
    EXPECT_EQ(ScrollAction::Stay, VScroll(kThumbPosition, 12, 3, 30, 10).action);
    EXPECT_EQ(3, VScroll(kThumbPosition, 12, 3, 30, 10).to);
    // A forged position never leaves the range.
    EXPECT_EQ(20, VScroll(kThumbTrack, 500, 3, 30, 10).to);
    EXPECT_EQ(0, VScroll(kThumbTrack, -4, 3, 30, 10).to);
    // SB_TOP, SB_BOTTOM, SB_ENDSCROLL: nothing.
    for (int code : {6, 7, 8})
        EXPECT_EQ(ScrollAction::Stay, VScroll(code, 0, 4, 30, 10).action);
}

TEST(CheckListScroll, AListShorterThanTheViewNeverScrolls) {
    EXPECT_EQ(ScrollAction::Stay, VScroll(kPageDown, 0, 0, 5, 10).action);
    EXPECT_EQ(0, VScroll(kPageDown, 0, 0, 5, 10).to);
    EXPECT_EQ(ScrollAction::Stay, VScroll(kLineDown, 0, 0, 5, 10).action);
    // A view of one row or less still pages by one row.
    EXPECT_EQ(1, VScroll(kPageDown, 0, 0, 5, 1).to);
    EXPECT_EQ(3, VScroll(kPageUp, 0, 4, 5, 1).to);
    EXPECT_EQ(1, VScroll(kPageDown, 0, 0, 5, 0).to);
    EXPECT_EQ(3, VScroll(kPageUp, 0, 4, 5, 0).to);
}

TEST(CheckListScroll, HorizontalStepsArePixels) {
    // widest 300, client right 200: range 0..100
    EXPECT_EQ(10, HScroll(kLineDown, 0, 0, 300, 200, 10).to);
    EXPECT_EQ(100, HScroll(kLineDown, 0, 95, 300, 200, 10).to);
    EXPECT_EQ(ScrollAction::Stay, HScroll(kLineDown, 0, 100, 300, 200, 10).action);
    EXPECT_EQ(20, HScroll(kLineUp, 0, 30, 300, 200, 10).to);
    EXPECT_EQ(0, HScroll(kLineUp, 0, 5, 300, 200, 10).to);
    EXPECT_EQ(ScrollAction::Stay, HScroll(kLineUp, 0, 0, 300, 200, 10).action);

    EXPECT_EQ(100, HScroll(kPageDown, 0, 0, 300, 200, 10).to); // 100 - 0 < 200
    EXPECT_EQ(399, HScroll(kPageDown, 0, 200, 1000, 200, 10).to);
    EXPECT_EQ(ScrollAction::Ignore, HScroll(kPageUp, 0, 0, 300, 200, 10).action);
    EXPECT_EQ(0, HScroll(kPageUp, 0, 150, 1000, 200, 10).to);
    EXPECT_EQ(301, HScroll(kPageUp, 0, 500, 1000, 200, 10).to);

    EXPECT_EQ(42, HScroll(kThumbTrack, 42, 0, 300, 200, 10).to);
    EXPECT_EQ(ScrollAction::Ignore, HScroll(kThumbTrack, 42, 42, 300, 200, 10).action);
    EXPECT_EQ(ScrollAction::Stay, HScroll(kThumbPosition, 42, 0, 300, 200, 10).action);
    // Without a horizontal range nothing moves.
    EXPECT_EQ(0, HScroll(kPageDown, 0, 0, 100, 200, 10).to);
}

TEST(CheckListScroll, BarsShowOnlyWhenThereIsMoreThanFits) {
    EXPECT_TRUE(VerticalBar(30, 10).shown);
    EXPECT_EQ(20, VerticalBar(30, 10).max);
    EXPECT_TRUE(VerticalBar(11, 10).shown);
    EXPECT_FALSE(VerticalBar(10, 10).shown);
    EXPECT_FALSE(VerticalBar(0, 10).shown);
    EXPECT_TRUE(HorizontalBar(300, 200).shown);
    EXPECT_EQ(100, HorizontalBar(300, 200).max);
    EXPECT_FALSE(HorizontalBar(200, 200).shown);
}

TEST(CheckListScroll, RowsStartBelowAFivePixelMargin) {
    EXPECT_EQ(10, VisibleRows(190, 18));
    EXPECT_EQ(0, VisibleRows(17, 18));
    EXPECT_EQ(0, VisibleRows(100, 0));
    EXPECT_EQ(0, RowAtY(0, kShipped)); // the margin belongs to row 0
    EXPECT_EQ(0, RowAtY(22, kShipped));
    EXPECT_EQ(1, RowAtY(23, kShipped));
    EXPECT_EQ(10, RowAtY(185, kShipped));

    Rect32 band = RowBand(2, 7, 250, kShipped);
    EXPECT_EQ(-7, band.left);
    EXPECT_EQ(41, band.top);
    EXPECT_EQ(59, band.bottom);
    EXPECT_EQ(250, band.right);
}

TEST(CheckListScroll, CheckCellFollowsLevelOffsetAndRowHeight) {
    Rect32 img = CheckImageAt(0, 1, 0, kShipped);
    EXPECT_EQ(5, img.left);
    EXPECT_EQ(5, img.top); // the row is no higher than the cell: at the row's top
    EXPECT_EQ(18, img.right);
    EXPECT_EQ(17, img.bottom);

    Rect32 cell = CheckCell(1, 2, 10, kShipped);
    EXPECT_EQ(5 + 19 - 10, cell.left);
    EXPECT_EQ(23, cell.top);
    EXPECT_EQ(cell.left + 19, cell.right);
    EXPECT_EQ(23 + 18, cell.bottom);
    EXPECT_TRUE(PtInRect32(cell, cell.left, cell.top));
    EXPECT_FALSE(PtInRect32(cell, cell.right, cell.top));
    EXPECT_FALSE(PtInRect32(cell, cell.left, cell.bottom));

    // A font taller than the cell centres the image in the row (integer halving).
    RowMetrics tall{23, 19, 18};
    EXPECT_EQ(5 + 2, CheckImageAt(0, 1, 0, tall).top);
    EXPECT_EQ(5 + 23 + 2, CheckCell(1, 1, 0, tall).top);

    Rect32 text = TextRect(1, 1, 0, 200, kShipped);
    EXPECT_EQ(24, text.left);
    EXPECT_EQ(23, text.top);
    EXPECT_EQ(200, text.right);
    EXPECT_EQ(41, text.bottom);
}

TEST(CheckListDpi, LengthsScaleByDpiOver96WithHalvesRoundedAwayFromZero) {
    // The rule MulDiv(pixels, dpi, 96) follows, from an independent computation.
    for (int32_t dpi : {72, 96, 120, 144, 168, 192, 240})
        for (int32_t pixels = -40; pixels <= 200; ++pixels)
            ASSERT_EQ(std::lround(pixels * dpi / 96.0), ScaleToDpi(pixels, dpi)) << pixels << " at " << dpi;
    EXPECT_EQ(8, ScaleToDpi(5, 144)); // 7.5: the margin grows to 8, not 7
    EXPECT_EQ(21, ScaleToDpi(14, 144));
    EXPECT_EQ(10, ScaleToDpi(10, 0)); // an unknown DPI draws as at 96
    EXPECT_EQ(10, ScaleToDpi(10, -144));
    EXPECT_EQ(1'500'000'000, ScaleToDpi(1'000'000'000, 144)); // no overflow on the way
}

TEST(CheckListDpi, At144TheRowsAreHalfAsHighAgainAndTheCellFollows) {
    const RowMetrics k96 = MetricsFor(13, 12, 96);
    EXPECT_EQ(kShipped.rowHeight, k96.rowHeight);
    EXPECT_EQ(kShipped.cellWidth, k96.cellWidth);
    EXPECT_EQ(kShipped.cellHeight, k96.cellHeight);

    const RowMetrics m = MetricsFor(13, 12, 144);
    EXPECT_EQ(144, m.dpi);
    EXPECT_EQ(27, m.rowHeight); // 18 x 1.5
    EXPECT_EQ(20 + 9, m.cellWidth);
    EXPECT_EQ(18 + 9, m.cellHeight);

    // The margin is 8, the image 20 x 18 at the cell's corner.
    Rect32 img = CheckImageAt(0, 1, 0, m);
    EXPECT_EQ(8, img.left);
    EXPECT_EQ(8, img.top);
    EXPECT_EQ(28, img.right);
    EXPECT_EQ(26, img.bottom);
    EXPECT_EQ(35, RowTop(1, m));
    EXPECT_EQ(0, RowAtY(34, m));
    EXPECT_EQ(1, RowAtY(35, m));

    Rect32 cell = CheckCell(1, 2, 15, m);
    EXPECT_EQ(8 + 29 - 15, cell.left);
    EXPECT_EQ(35, cell.top);
    EXPECT_EQ(cell.left + 29, cell.right);
    EXPECT_EQ(35 + 27, cell.bottom);
    EXPECT_EQ(8 + 29, TextRect(0, 1, 0, 300, m).left);

    // A font row taller than the cell centres the scaled image in it.
    RowMetrics tall = m;
    tall.rowHeight = 33;
    EXPECT_EQ(8 + 3, CheckImageAt(0, 1, 0, tall).top);
}

TEST(CheckListDpi, TheFocusBoxGrowsAroundTheTextByScaledAmounts) {
    const Rect32 text{24, 5, 90, 22};
    Rect32 box = FocusBox(text, 200, kShipped);
    EXPECT_EQ(20, box.left);
    EXPECT_EQ(95, box.right);
    EXPECT_EQ(5, box.top);
    EXPECT_EQ(22, box.bottom);
    // A text past the client's edge: cut 4 pixels inside it, then grown as ever.
    EXPECT_EQ(200 - 4 + 5, FocusBox({24, 5, 250, 22}, 200, kShipped).right);

    const RowMetrics m = MetricsFor(13, 12, 144);
    box = FocusBox(text, 200, m);
    EXPECT_EQ(24 - 6, box.left);
    EXPECT_EQ(90 + 8, box.right);
    EXPECT_EQ(200 - 6 + 8, FocusBox({24, 5, 250, 22}, 200, m).right);
}

} // namespace

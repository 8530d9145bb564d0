// Row click points: each one must land where the view's own hit test finds the intended row and cell.
#include <gtest/gtest.h>

#include "tools/uidriver/uidriver_rows.h"

using namespace uidriver;

namespace {

// The view's hit rules, written out independently: row = (y - margin) / row height; the check-box cell of
// a top-level row starts at the margin, a cell wide, centred vertically in a row higher than the cell.
int HitRow(const RowGeometry& g, int y) {
    return (y - g.margin) / g.rowHeight;
}

bool InCheckCell(const RowGeometry& g, int row, int x, int y) {
    int top = g.margin + row * g.rowHeight;
    if (g.rowHeight > g.cellHeight) top += (g.rowHeight - g.cellHeight) / 2;
    return x >= g.margin && x < g.margin + g.cellWidth && y >= top && y < top + g.cellHeight;
}

} // namespace

TEST(RowClickPoint, DefaultRowsOfEighteenPixelsBelowAFivePixelMargin) {
    RowGeometry g;
    RowPoint p;
    std::string why;
    ASSERT_TRUE(RowClickPoint(g, 0, RowPart::Check, 200, 300, p, why)) << why;
    EXPECT_EQ(p.x, 14); // 5 + 19 / 2
    EXPECT_EQ(p.y, 14); // 5 + 18 / 2
    ASSERT_TRUE(RowClickPoint(g, 2, RowPart::Check, 200, 300, p, why)) << why;
    EXPECT_EQ(p.y, 50);
    ASSERT_TRUE(RowClickPoint(g, 2, RowPart::Text, 200, 300, p, why)) << why;
    EXPECT_EQ(p.x, 32);
    EXPECT_EQ(p.y, 50);
}

TEST(RowClickPoint, EveryPointHitsItsRowAndOnlyCheckPointsHitTheCell) {
    for (int rowHeight : {18, 19, 22, 25}) {
        RowGeometry g;
        g.rowHeight = rowHeight;
        for (int height : {40, 100, 257, 300}) {
            for (int row = 0; row < 20; ++row) {
                for (RowPart part : {RowPart::Check, RowPart::Text}) {
                    RowPoint p;
                    std::string why;
                    if (!RowClickPoint(g, row, part, 200, height, p, why)) {
                        // Refused only when no pixel of the target shows.
                        EXPECT_GE(g.margin + row * rowHeight +
                                      (part == RowPart::Check ? (rowHeight - 18) / 2 : 0),
                                  height);
                        continue;
                    }
                    EXPECT_LT(p.y, height);
                    EXPECT_EQ(HitRow(g, p.y), row) << "row height " << rowHeight << " row " << row;
                    EXPECT_EQ(InCheckCell(g, row, p.x, p.y), part == RowPart::Check)
                        << "row height " << rowHeight << " row " << row;
                }
            }
        }
    }
}

TEST(RowClickPoint, ThePartlyVisibleBottomRowIsPressedWhereItShows) {
    RowGeometry g;
    RowPoint p;
    std::string why;
    // 100 pixels: rows 0..4 are whole (5 + 5 * 18 = 95), row 5 shows pixels 95..99.
    ASSERT_TRUE(RowClickPoint(g, 5, RowPart::Check, 200, 100, p, why)) << why;
    EXPECT_EQ(p.y, 99);
    EXPECT_EQ(HitRow(g, p.y), 5);
    EXPECT_FALSE(RowClickPoint(g, 6, RowPart::Check, 200, 100, p, why));
    EXPECT_NE(why.find("not in view"), std::string::npos) << why;
}

TEST(RowClickPoint, RefusesWhatTheViewCannotShow) {
    RowGeometry g;
    RowPoint p;
    std::string why;
    EXPECT_FALSE(RowClickPoint(g, 0, RowPart::Text, 30, 100, p, why)); // text starts at 32
    EXPECT_TRUE(RowClickPoint(g, 0, RowPart::Check, 30, 100, p, why));
    EXPECT_FALSE(RowClickPoint(g, 0, RowPart::Check, 0, 0, p, why));
    EXPECT_FALSE(RowClickPoint(g, -1, RowPart::Check, 200, 100, p, why));
    RowGeometry zero;
    zero.rowHeight = 0;
    EXPECT_FALSE(RowClickPoint(zero, 0, RowPart::Check, 200, 100, p, why));
    // The largest row the script accepts neither overflows nor lands in view.
    EXPECT_FALSE(RowClickPoint(g, kMaxRow, RowPart::Check, 200, 100, p, why));
}

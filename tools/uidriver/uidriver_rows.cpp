// Row click points of the check-list's inner view.
#include "tools/uidriver/uidriver_rows.h"

#include <algorithm>

namespace uidriver {

namespace {

// How far right of the check-box cell a text click lands: clear of the cell, on the first letters.
constexpr int32_t kTextInset = 8;

} // namespace

bool RowClickPoint(const RowGeometry& g, int32_t row, RowPart part, int32_t clientWidth, int32_t clientHeight,
                   RowPoint& point, std::string& error) {
    if (g.rowHeight <= 0 || g.cellWidth <= 0 || g.cellHeight <= 0 || g.margin < 0) {
        error = "row height, cell width and cell height must be positive, the margin not negative";
        return false;
    }
    if (row < 0 || row > kMaxRow) {
        error = "row " + std::to_string(row) + " is out of range";
        return false;
    }
    const int64_t rowTop = int64_t{g.margin} + int64_t{row} * g.rowHeight;
    const int64_t rowBottom = rowTop + g.rowHeight;
    int64_t bandTop = rowTop;
    int64_t bandBottom = rowBottom;
    int64_t x = 0;
    if (part == RowPart::Check) {
        // The cell sits centred in a row that is higher than it.
        int64_t cellTop = rowTop + (g.rowHeight > g.cellHeight ? (g.rowHeight - g.cellHeight) / 2 : 0);
        bandTop = cellTop;
        bandBottom = std::min(rowBottom, cellTop + g.cellHeight);
        x = g.margin + g.cellWidth / 2;
    } else {
        x = int64_t{g.margin} + g.cellWidth + kTextInset;
    }
    if (x >= clientWidth) {
        error = "the view is " + std::to_string(clientWidth) + " pixels wide; the " +
                (part == RowPart::Check ? std::string("check box") : std::string("text")) + " lies at x " +
                std::to_string(x);
        return false;
    }
    int64_t y = (bandTop + bandBottom) / 2;
    if (y >= clientHeight) y = int64_t{clientHeight} - 1;
    if (y < bandTop) {
        error = "row " + std::to_string(row) + " is not in view: the view is " +
                std::to_string(clientHeight) + " pixels high, rows of " + std::to_string(g.rowHeight) +
                " below a margin of " + std::to_string(g.margin);
        return false;
    }
    point.x = static_cast<int32_t>(x);
    point.y = static_cast<int32_t>(y);
    return true;
}

} // namespace uidriver

// Where to press in the check-list's inner view to hit a row's check box or its text.
#pragma once

#include <cstdint>
#include <string>

#include "tools/uidriver/uidriver_script.h"

namespace uidriver {

// The view's row layout in client pixels. The defaults are those of the shipped 13 x 12 check images:
// cell = image + 6 on each axis, and a row as high as the cell unless the font needs more.
struct RowGeometry {
    int32_t rowHeight = 18;
    int32_t cellWidth = 19;
    int32_t cellHeight = 18;
    int32_t margin = 5; // blank space above the first row and left of the first check box
};

struct RowPoint {
    int32_t x = 0;
    int32_t y = 0;
};

// The point for a top-level row, counted from the first visible row (0), with no horizontal scrolling.
// check: the middle of the check-box cell; text: a little right of the cell. The bottom row may show
// only in part: the point then moves up into the part that shows. False (and why) when the row or the
// part lies outside a view of this client size, or the geometry is unusable.
bool RowClickPoint(const RowGeometry& g, int32_t row, RowPart part, int32_t clientWidth, int32_t clientHeight,
                   RowPoint& point, std::string& error);

} // namespace uidriver

// Row geometry, hit-testing and scroll arithmetic of the check-list view, in view client pixels.
#pragma once

#include <cstdint>

namespace checklist {

// Scroll bar request codes as the system sends them in WM_VSCROLL / WM_HSCROLL.
inline constexpr int kLineUp = 0; // also line left
inline constexpr int kLineDown = 1;
inline constexpr int kPageUp = 2;
inline constexpr int kPageDown = 3;
inline constexpr int kThumbPosition = 4;
inline constexpr int kThumbTrack = 5;

// Blank margin above the first row and left of the first check box.
inline constexpr int32_t kMargin = 5;
// Pixels per horizontal line step.
inline constexpr int32_t kLineStepPixels = 10;
// Space between a check image and the edges of its cell.
inline constexpr int32_t kCellPadding = 6;

struct Rect32 {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;
};

// Left and top inside, right and bottom outside.
constexpr bool PtInRect32(const Rect32& r, int32_t x, int32_t y) {
    return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
}

struct RowMetrics {
    int32_t rowHeight = 0;
    int32_t cellWidth = 0; // also the indentation per level
    int32_t cellHeight = 0;
};

// Full rows that fit in a client area of this height (the row below them shows in part).
constexpr int32_t VisibleRows(int32_t clientHeight, int32_t rowHeight) {
    return rowHeight > 0 && clientHeight > 0 ? clientHeight / rowHeight : 0;
}

// Row (counted from the first visible one) under y; the top margin belongs to row 0.
constexpr int32_t RowAtY(int32_t y, int32_t rowHeight) {
    return rowHeight > 0 ? (y - kMargin) / rowHeight : 0;
}

constexpr int32_t RowTop(int32_t row, int32_t rowHeight) {
    return kMargin + row * rowHeight;
}

// Band of a row across the client width, shifted with the rows.
Rect32 RowBand(int32_t row, int32_t hOffset, int32_t clientWidth, const RowMetrics& m);
// Top-left corner of the check image of an item at this level in this row.
Rect32 CheckImageAt(int32_t row, int32_t level, int32_t hOffset, const RowMetrics& m);
// The clickable check-box cell: from the image's corner, a cell wide and high.
Rect32 CheckCell(int32_t row, int32_t level, int32_t hOffset, const RowMetrics& m);
// Where the text goes: from the end of the cell to the client's right edge, the row's height.
Rect32 TextRect(int32_t row, int32_t level, int32_t hOffset, int32_t clientWidth, const RowMetrics& m);

struct ScrollBarState {
    bool shown = false;
    int32_t max = 0; // range is 0 .. max
};

// The vertical bar shows while there are more items than full rows.
ScrollBarState VerticalBar(int32_t itemCount, int32_t visibleRows);
// The horizontal bar shows while the widest row passes the client's right edge.
ScrollBarState HorizontalBar(int32_t widestRow, int32_t clientRight);

enum class ScrollAction {
    Ignore, // the message is dropped at once
    Stay,   // nothing moves; the message still gets its default processing
    Move,   // the rows move to `to`
};

struct ScrollStep {
    ScrollAction action = ScrollAction::Stay;
    int32_t to = 0;
};

// Vertical scrolling in rows: where the top row goes for a scroll bar request.
ScrollStep VScroll(int code, int32_t thumb, int32_t topRow, int32_t itemCount, int32_t visibleRows);
// Horizontal scrolling in pixels: where the offset goes.
ScrollStep HScroll(int code, int32_t thumb, int32_t offset, int32_t widestRow, int32_t clientRight);

} // namespace checklist

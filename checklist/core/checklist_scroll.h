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

// Every length below is in pixels at 96 DPI, the display at 100 % scaling; the view draws each one
// scaled to the system DPI (ScaleToDpi), so that at 150 % (144 DPI) the rows are half as high again.
inline constexpr int32_t kBaseDpi = 96;

// Blank margin above the first row and left of the first check box.
inline constexpr int32_t kMargin = 5;
// Pixels per horizontal line step.
inline constexpr int32_t kLineStepPixels = 10;
// Space between a check image and the edges of its cell.
inline constexpr int32_t kCellPadding = 6;
// The selected row's focus box reaches this far before the text and this far past it, and keeps this
// much room when the text runs past the client's right edge.
inline constexpr int32_t kFocusGrowLeft = 4;
inline constexpr int32_t kFocusGrowRight = 5;
inline constexpr int32_t kFocusRightGap = 4;

// A 96-DPI length at this DPI, rounded to the nearest pixel with halves away from zero, as MulDiv
// rounds: the one rounding rule for every length of the control. A DPI of 0 or less counts as 96.
constexpr int32_t ScaleToDpi(int32_t pixels, int32_t dpi) {
    if (dpi <= 0) dpi = kBaseDpi;
    const int64_t scaled = static_cast<int64_t>(pixels) * dpi;
    const int64_t half = kBaseDpi / 2;
    return static_cast<int32_t>(scaled >= 0 ? (scaled + half) / kBaseDpi : -((-scaled + half) / kBaseDpi));
}

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

// The sizes a view lays its rows out with, already at its DPI, and that DPI for the fixed lengths.
struct RowMetrics {
    int32_t rowHeight = 0;
    int32_t cellWidth = 0; // also the indentation per level
    int32_t cellHeight = 0;
    int32_t dpi = kBaseDpi;

    // One of the 96-DPI lengths above at this view's DPI.
    constexpr int32_t Px(int32_t pixels) const { return ScaleToDpi(pixels, dpi); }
};

// The view's answer to this message (WM_USER + 0x200): its row layout, for a tool that presses on rows
// from outside. Row height, cell width, cell height and margin at the view's DPI, 16 bits each from the
// lowest (an LRESULT holds 64 bits in the 64-bit program).
inline constexpr unsigned kGetRowLayoutMessage = 0x0400 + 0x200;
constexpr std::uint64_t PackRowLayout(const RowMetrics& m) {
    const auto field = [](int32_t v, int shift) { return (static_cast<std::uint64_t>(v) & 0xFFFF) << shift; };
    return field(m.rowHeight, 0) | field(m.cellWidth, 16) | field(m.cellHeight, 32) |
           field(m.Px(kMargin), 48);
}

// Images of imageWidth x imageHeight pixels (as made, for 96 DPI) drawn at this DPI: the cell is the
// scaled image and its scaled padding, and the row is as high as the cell (the caller raises it to
// the font's height where that is more).
RowMetrics MetricsFor(int32_t imageWidth, int32_t imageHeight, int32_t dpi);

// Full rows that fit in a client area of this height (the row below them shows in part).
constexpr int32_t VisibleRows(int32_t clientHeight, int32_t rowHeight) {
    return rowHeight > 0 && clientHeight > 0 ? clientHeight / rowHeight : 0;
}

// Row (counted from the first visible one) under y; the top margin belongs to row 0.
constexpr int32_t RowAtY(int32_t y, const RowMetrics& m) {
    return m.rowHeight > 0 ? (y - m.Px(kMargin)) / m.rowHeight : 0;
}

constexpr int32_t RowTop(int32_t row, const RowMetrics& m) {
    return m.Px(kMargin) + row * m.rowHeight;
}

// Band of a row across the client width, shifted with the rows.
Rect32 RowBand(int32_t row, int32_t hOffset, int32_t clientWidth, const RowMetrics& m);
// The check image of an item at this level in this row, at its drawn size.
Rect32 CheckImageAt(int32_t row, int32_t level, int32_t hOffset, const RowMetrics& m);
// The clickable check-box cell: from the image's corner, a cell wide and high.
Rect32 CheckCell(int32_t row, int32_t level, int32_t hOffset, const RowMetrics& m);
// Where the text goes: from the end of the cell to the client's right edge, the row's height.
Rect32 TextRect(int32_t row, int32_t level, int32_t hOffset, int32_t clientWidth, const RowMetrics& m);
// The selected row's focus box around the text's measured extent (text: its left, top, right, bottom).
Rect32 FocusBox(const Rect32& text, int32_t clientWidth, const RowMetrics& m);

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
// Horizontal scrolling in pixels, lineStep per line: where the offset goes.
ScrollStep HScroll(int code, int32_t thumb, int32_t offset, int32_t widestRow, int32_t clientRight,
                   int32_t lineStep);

} // namespace checklist

// Row geometry, hit-testing and scroll arithmetic of the check-list view.
#include "checklist/core/checklist_scroll.h"

#include <algorithm>

namespace checklist {

namespace {

constexpr int32_t kNoMax = 0;

ScrollStep MoveTo(int32_t from, int32_t to) {
    if (to == from) return {ScrollAction::Stay, from};
    return {ScrollAction::Move, to};
}

} // namespace

RowMetrics MetricsFor(int32_t imageWidth, int32_t imageHeight, int32_t dpi) {
    RowMetrics m;
    m.dpi = dpi > 0 ? dpi : kBaseDpi;
    // Image and padding are scaled apart, so the image drawn in a cell has the size CheckImageAt gives.
    m.cellWidth = m.Px(imageWidth) + m.Px(kCellPadding);
    m.cellHeight = m.Px(imageHeight) + m.Px(kCellPadding);
    m.rowHeight = m.cellHeight;
    return m;
}

Rect32 RowBand(int32_t row, int32_t hOffset, int32_t clientWidth, const RowMetrics& m) {
    int32_t top = RowTop(row, m);
    return {-hOffset, top, clientWidth, top + m.rowHeight};
}

Rect32 CheckImageAt(int32_t row, int32_t level, int32_t hOffset, const RowMetrics& m) {
    int32_t rowTop = RowTop(row, m);
    int32_t left = m.Px(kMargin) + (level - 1) * m.cellWidth - hOffset;
    int32_t top = m.rowHeight > m.cellHeight ? rowTop + (m.rowHeight - m.cellHeight) / 2 : rowTop;
    int32_t imageWidth = m.cellWidth - m.Px(kCellPadding);
    int32_t imageHeight = m.cellHeight - m.Px(kCellPadding);
    return {left, top, left + imageWidth, top + imageHeight};
}

Rect32 CheckCell(int32_t row, int32_t level, int32_t hOffset, const RowMetrics& m) {
    Rect32 image = CheckImageAt(row, level, hOffset, m);
    return {image.left, image.top, image.left + m.cellWidth, image.top + m.cellHeight};
}

Rect32 TextRect(int32_t row, int32_t level, int32_t hOffset, int32_t clientWidth, const RowMetrics& m) {
    Rect32 image = CheckImageAt(row, level, hOffset, m);
    int32_t top = RowTop(row, m);
    return {image.left + m.cellWidth, top, clientWidth, top + m.rowHeight};
}

Rect32 FocusBox(const Rect32& text, int32_t clientWidth, const RowMetrics& m) {
    Rect32 box = text;
    if (box.right > clientWidth) box.right = clientWidth - m.Px(kFocusRightGap);
    box.right += m.Px(kFocusGrowRight);
    box.left -= m.Px(kFocusGrowLeft);
    return box;
}

ScrollBarState VerticalBar(int32_t itemCount, int32_t visibleRows) {
    if (itemCount > visibleRows) return {true, itemCount - visibleRows};
    return {false, kNoMax};
}

ScrollBarState HorizontalBar(int32_t widestRow, int32_t clientRight) {
    if (widestRow > clientRight) return {true, widestRow - clientRight};
    return {false, kNoMax};
}

ScrollStep VScroll(int code, int32_t thumb, int32_t topRow, int32_t itemCount, int32_t visibleRows) {
    // A top row below 0 would address no item; a list shorter than the view never moves down.
    int32_t last = std::max(0, itemCount - visibleRows);
    // A page keeps one row of the old page in view; a view of one row or less still moves one row.
    int32_t step = std::max(1, visibleRows - 1);
    switch (code) {
    case kLineUp:
        return topRow > 0 ? MoveTo(topRow, topRow - 1) : ScrollStep{ScrollAction::Stay, topRow};
    case kLineDown:
        return topRow < last ? MoveTo(topRow, topRow + 1) : ScrollStep{ScrollAction::Stay, topRow};
    case kPageUp:
        if (topRow == 0) return {ScrollAction::Ignore, topRow};
        return MoveTo(topRow, topRow < visibleRows ? 0 : std::max(0, topRow - step));
    case kPageDown:
        if (topRow + visibleRows == itemCount) return {ScrollAction::Ignore, topRow};
        if (itemCount - visibleRows - topRow < visibleRows) return MoveTo(topRow, last);
        return MoveTo(topRow, std::min(last, topRow + step));
    case kThumbTrack:
        if (thumb == topRow) return {ScrollAction::Ignore, topRow};
        return MoveTo(topRow, std::clamp(thumb, 0, last));
    default:
        return {ScrollAction::Stay, topRow};
    }
}

ScrollStep HScroll(int code, int32_t thumb, int32_t offset, int32_t widestRow, int32_t clientRight,
                   int32_t lineStep) {
    // Line steps stop at the ends of the range, so the rows never sit right of their home position
    // nor past the bar's end while the bar shows something else.
    int32_t max = std::max(0, widestRow - clientRight);
    int32_t step = std::max(1, clientRight - 1);
    switch (code) {
    case kLineUp:
        return offset > 0 ? MoveTo(offset, std::max(0, offset - lineStep))
                          : ScrollStep{ScrollAction::Stay, offset};
    case kLineDown:
        return offset < max ? MoveTo(offset, std::min(max, offset + lineStep))
                            : ScrollStep{ScrollAction::Stay, offset};
    case kPageUp:
        if (offset == 0) return {ScrollAction::Ignore, offset};
        return MoveTo(offset, offset < clientRight ? 0 : std::max(0, offset - step));
    case kPageDown:
        if (max - offset < clientRight) return MoveTo(offset, max);
        return MoveTo(offset, std::min(max, offset + step));
    case kThumbTrack:
        if (thumb == offset) return {ScrollAction::Ignore, offset};
        return MoveTo(offset, std::clamp(thumb, 0, max));
    default:
        return {ScrollAction::Stay, offset};
    }
}

} // namespace checklist

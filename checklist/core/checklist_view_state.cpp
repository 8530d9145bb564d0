// What the check-list view does with clicks, check changes and scroll requests, apart from drawing.
#include "checklist/core/checklist_view_state.h"

#include <algorithm>

namespace checklist {

void CheckListViewState::SetMetrics(const RowMetrics& metrics) {
    m_Metrics = metrics;
    m_nVisibleRows = checklist::VisibleRows(m_nClientHeight, m_Metrics.rowHeight);
}

void CheckListViewState::SetClientSize(int32_t width, int32_t height) {
    m_nClientWidth = width;
    m_nClientHeight = height;
    m_nVisibleRows = checklist::VisibleRows(height, m_Metrics.rowHeight);
}

ScrollBarState CheckListViewState::VerticalBar() const {
    return checklist::VerticalBar(m_Tree.GetCount(nullptr), m_nVisibleRows);
}

ScrollBarState CheckListViewState::HorizontalBar() const {
    return checklist::HorizontalBar(m_Tree.WidestRow(), m_nClientWidth);
}

bool CheckListViewState::ClampPositions() {
    int32_t top = std::clamp(m_nTopRow, 0, VerticalBar().max);
    int32_t offset = std::clamp(m_nOffset, 0, HorizontalBar().max);
    bool moved = top != m_nTopRow || offset != m_nOffset;
    m_nTopRow = top;
    m_nOffset = offset;
    return moved;
}

void CheckListViewState::AddIfDrawn(CheckListItem* item, int32_t index,
                                    std::vector<CheckListRowPaint>& repaint) const {
    if (IsRowDrawn(index)) repaint.push_back({item, index});
}

void CheckListViewState::AddAncestors(const CheckListItem& item,
                                      std::vector<CheckListRowPaint>& repaint) const {
    for (CheckListItem* a = item.m_pParent; a; a = a->m_pParent) {
        // Ancestors lie above the item; only those in view need their flat index.
        AddIfDrawn(a, m_Tree.IndexOf(a), repaint);
    }
}

CheckListViewState::ClickResult CheckListViewState::Click(int32_t x, int32_t y) {
    ClickResult result;
    // Only points inside the client area address rows; the margin above the first row is row 0's.
    if (y < 0) return result;
    int32_t index = m_nTopRow + RowAtY(y, m_Metrics);
    CheckListItem* item = m_Tree.FindItem(index);
    if (!item) return result;
    result.hit = true;

    // The partly visible bottom row first scrolls into the last full row.
    if (index >= m_nTopRow + m_nVisibleRows) {
        ++m_nTopRow;
        result.scrolledOne = true;
    }

    if (m_pSelectedItem) {
        m_pSelectedItem->m_bSelected = false;
        if (m_pSelectedItem != item) AddIfDrawn(m_pSelectedItem, m_nSelectedIndex, result.repaint);
    }
    m_pSelectedItem = item;
    m_nSelectedIndex = index;
    item->m_bSelected = true;

    Rect32 cell = CheckCell(RowOf(index), item->m_nLevel, m_nOffset, m_Metrics);
    if (!PtInRect32(cell, x, y)) {
        result.repaint.push_back({item, index});
        return result;
    }

    result.toggled = true;
    int32_t state = ToggledState(item->m_nState);
    item->m_nState = state;
    result.repaint.push_back({item, index});
    CheckListTree::SetDescendantStates(*item, state);
    CheckListTree::ForEachDescendantRow(*item, index, m_nTopRow + m_nVisibleRows,
                                        [&](CheckListItem& d, int32_t i) {
                                            result.repaint.push_back({&d, i});
                                        });
    CheckListTree::UpdateParentChecks(*item);
    AddAncestors(*item, result.repaint);
    return result;
}

int32_t CheckListViewState::SetItemCheck(int32_t index, int32_t state,
                                         std::vector<CheckListRowPaint>& repaint) {
    if (!IsCheckState(state)) return kNoItem;
    CheckListItem* item = m_Tree.FindItem(index);
    if (!item) return kNoItem;
    item->m_nState = state;
    AddIfDrawn(item, index, repaint);
    CheckListTree::UpdateParentChecks(*item);
    AddAncestors(*item, repaint);
    return 0;
}

void CheckListViewState::ClearSelection() {
    m_nSelectedIndex = kNoItem;
    m_pSelectedItem = nullptr;
}

void CheckListViewState::ResetPosition() {
    m_nTopRow = 0;
    m_nOffset = 0;
}

ScrollStep CheckListViewState::VScroll(int code, int32_t thumb) {
    ScrollStep step = checklist::VScroll(code, thumb, m_nTopRow, m_Tree.GetCount(nullptr), m_nVisibleRows);
    if (step.action == ScrollAction::Move) m_nTopRow = step.to;
    return step;
}

ScrollStep CheckListViewState::HScroll(int code, int32_t thumb) {
    ScrollStep step = checklist::HScroll(code, thumb, m_nOffset, m_Tree.WidestRow(), m_nClientWidth,
                                         m_Metrics.Px(kLineStepPixels));
    if (step.action == ScrollAction::Move) m_nOffset = step.to;
    return step;
}

} // namespace checklist

// What the check-list view does with clicks, check changes and scroll requests, apart from drawing.
#pragma once

#include <cstdint>
#include <vector>

#include "checklist/core/checklist_scroll.h"
#include "checklist/core/checklist_tree.h"

namespace checklist {

// A row the window must draw again: the item and its flat index.
struct CheckListRowPaint {
    CheckListItem* item = nullptr;
    int32_t index = 0;
};

// The view's state over a tree it does not own: top row, horizontal offset, selection, visible rows.
// Operations report which rows changed; the window class draws exactly those.
class CheckListViewState {
  public:
    explicit CheckListViewState(CheckListTree& tree) : m_Tree(tree) {}

    void SetMetrics(const RowMetrics& metrics);
    // Client size; recomputes the full rows.
    void SetClientSize(int32_t width, int32_t height);

    const RowMetrics& Metrics() const { return m_Metrics; }
    int32_t TopRow() const { return m_nTopRow; }
    int32_t Offset() const { return m_nOffset; }
    int32_t VisibleRows() const { return m_nVisibleRows; }
    int32_t ClientWidth() const { return m_nClientWidth; }
    int32_t SelectedIndex() const { return m_nSelectedIndex; }
    CheckListItem* SelectedItem() const { return m_pSelectedItem; }
    const CheckListTree& Tree() const { return m_Tree; }

    // Drawn rows run from the top row through the partly visible one below the last full row.
    bool IsRowDrawn(int32_t index) const { return index >= m_nTopRow && index <= m_nTopRow + m_nVisibleRows; }
    int32_t RowOf(int32_t index) const { return index - m_nTopRow; }

    ScrollBarState VerticalBar() const;
    ScrollBarState HorizontalBar() const;
    // After a resize the positions may lie past their range; pulls them back. True when one moved.
    bool ClampPositions();

    // The rows a repaint draws, in order, and nothing past them.
    template <class Fn> void ForEachDrawnRow(Fn&& fn) const {
        m_Tree.ForEachRow(m_nTopRow, m_nVisibleRows + 1, fn);
    }

    struct ClickResult {
        bool hit = false;         // an item was under the point
        bool scrolledOne = false; // the item sat in the partly visible row; the rows moved up by one
        bool toggled = false;     // the point was in the check-box cell
        std::vector<CheckListRowPaint> repaint;
    };
    // A left button press at (x, y): selects the row under it, toggles it when in its check-box cell.
    ClickResult Click(int32_t x, int32_t y);

    // Sets one item's state (its descendants keep theirs) and recomputes its ancestors.
    // kNoItem when no item has the index or the state is not a check state.
    int32_t SetItemCheck(int32_t index, int32_t state, std::vector<CheckListRowPaint>& repaint);

    void ClearSelection();
    // Back to the first row and no horizontal offset.
    void ResetPosition();

    // Applies a scroll request; Move steps have already updated the position when this returns.
    checklist::ScrollStep VScroll(int code, int32_t thumb);
    checklist::ScrollStep HScroll(int code, int32_t thumb);

  private:
    void AddIfDrawn(CheckListItem* item, int32_t index, std::vector<CheckListRowPaint>& repaint) const;
    void AddAncestors(const CheckListItem& item, std::vector<CheckListRowPaint>& repaint) const;

    CheckListTree& m_Tree;
    RowMetrics m_Metrics;
    int32_t m_nClientWidth = 0;
    int32_t m_nClientHeight = 0;
    int32_t m_nVisibleRows = 0;
    int32_t m_nTopRow = 0;
    int32_t m_nOffset = 0;
    int32_t m_nSelectedIndex = checklist::kNoItem;
    CheckListItem* m_pSelectedItem = nullptr;
};

} // namespace checklist

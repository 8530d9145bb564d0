// CCheckListView: the check-list's inner window; paints the rows, selects, toggles and scrolls.
//
// Classes: CheckListPaintKit, CCheckListView. The frame hands the view its tree and what it paints with.
#pragma once

#include <optional>

#include "framework/afxwin.h"
#include "checklist/core/checklist_view_state.h"

// What the view paints with, as the frame hands it over.
struct CheckListPaintKit {
    // Not owned: the frame made them, frees them and outlives the view.
    CBitmap* checkBitmap = nullptr;
    CBitmap* uncheckBitmap = nullptr;
    CBitmap* middleBitmap = nullptr;
    CFont* font = nullptr; // the caller's font when one was given to the frame
    CPen* backgroundPen = nullptr;
    CBrush* backgroundBrush = nullptr;
    checklist::RowMetrics metrics;

    // Checked and unchecked have their own images; any other state shows the middle one.
    CBitmap* BitmapFor(int state) const {
        if (state == checklist::kChecked) return checkBitmap;
        if (state == checklist::kUnchecked) return uncheckBitmap;
        return middleBitmap;
    }
};

class CCheckListView : public CWnd {
  public:
    CCheckListView() = default;

    // rect is the frame's client rectangle; the view sits checklist::kBorder inside it. The tree and
    // everything in paint stay the frame's.
    BOOL Create(const RECT& rect, CWnd* frame, UINT id, checklist::CheckListTree& items,
                const CheckListPaintKit& paint, COLORREF background);

    void UpdateScrollBars();
    void ClearSelection();
    // Sets one item's state, repaints it and its ancestors where shown; kNoItem when no item has the index.
    int SetItemCheck(int index, int state);
    // Back to the first row and no horizontal offset (the frame emptied the list).
    void ResetPosition();

    // Draws the rows a repaint covers into dc: from the top row through the partly visible one.
    void PaintRows(CDC* dc);

    int GetTopRow() const { return m_Core ? m_Core->TopRow() : 0; }
    int GetOffset() const { return m_Core ? m_Core->Offset() : 0; }
    int GetVisibleRows() const { return m_Core ? m_Core->VisibleRows() : 0; }
    int GetSelectedIndex() const { return m_Core ? m_Core->SelectedIndex() : checklist::kNoItem; }

  protected:
    void DrawItem(CDC* dc, const checklist::CheckListItem& item, int row);
    void DrawCheckBitmap(CDC* dc, int x, int y, int state);
    void DrawRows(const std::vector<checklist::CheckListRowPaint>& rows);
    void RefreshClient();
    void ApplyBar(int bar, const checklist::ScrollBarState& state, int pos);

    afx_msg void OnPaint();
    afx_msg void OnLButtonDown(UINT flags, CPoint point);
    afx_msg void OnSize(UINT type, int cx, int cy);
    afx_msg void OnVScroll(UINT code, UINT pos, CWnd* bar);
    afx_msg void OnHScroll(UINT code, UINT pos, CWnd* bar);
    afx_msg LRESULT OnGetRowLayout(WPARAM, LPARAM);

    std::optional<checklist::CheckListViewState> m_Core; // top row, offset, selection, visible rows
    CheckListPaintKit m_Paint;
    CRect m_rcClient;
    CWnd* m_pFrame = nullptr;     // the parent frame, not owned; set once creation has succeeded
    bool m_bUpdatingBars = false; // showing a bar resizes the client and re-enters UpdateScrollBars
    bool m_bBarsDirty = false;

    DECLARE_MESSAGE_MAP()
};

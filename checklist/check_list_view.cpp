// CCheckListView: the check-list's inner window; paints the rows, selects, toggles and scrolls.
#include "checklist/check_list_view.h"

#include "checklist/check_list_window_class.h"

using namespace checklist;

namespace {

constexpr int kMaxBarPasses = 3; // showing one bar can bring the other; then nothing changes any more

RECT ToRect(const Rect32& r) {
    return RECT{r.left, r.top, r.right, r.bottom};
}

} // namespace

BEGIN_MESSAGE_MAP(CCheckListView, CWnd)
ON_WM_PAINT()
ON_WM_LBUTTONDOWN()
ON_WM_SIZE()
ON_WM_VSCROLL()
ON_WM_HSCROLL()
ON_MESSAGE(checklist::kGetRowLayoutMessage, OnGetRowLayout)
END_MESSAGE_MAP()

LRESULT CCheckListView::OnGetRowLayout(WPARAM, LPARAM) {
    return static_cast<LRESULT>(checklist::PackRowLayout(m_Paint.metrics));
}

BOOL CCheckListView::Create(const RECT& rect, CWnd* frame, UINT id, CheckListTree& items,
                            const CheckListPaintKit& paint, COLORREF background) {
    if (m_hWnd || !frame) return FALSE;
    LPCWSTR className = RegisterCheckListClass(background);
    m_Core.emplace(items);
    m_Core->SetMetrics(paint.metrics);
    m_Paint = paint;

    CRect inner = rect;
    inner.DeflateRect(kBorder, kBorder);
    // No scroll bar styles: UpdateScrollBars shows and hides the bars.
    if (!CWnd::Create(className, L"Check Control", WS_CHILD | WS_VISIBLE, inner, frame, id)) return FALSE;

    RefreshClient();
    m_pFrame = frame;
    return TRUE;
}

void CCheckListView::RefreshClient() {
    GetClientRect(&m_rcClient);
    m_Core->SetClientSize(m_rcClient.right, m_rcClient.bottom);
}

void CCheckListView::UpdateScrollBars() {
    if (!m_hWnd || !m_Core) return;
    if (m_bUpdatingBars) {
        m_bBarsDirty = true;
        return;
    }
    m_bUpdatingBars = true;
    for (int pass = 0; pass < kMaxBarPasses; ++pass) {
        m_bBarsDirty = false;
        RefreshClient();
        // Only a resize can leave a position past its range; the rows then move back into view.
        if (m_Core->ClampPositions()) Invalidate();
        ApplyBar(SB_VERT, m_Core->VerticalBar(), m_Core->TopRow());
        ApplyBar(SB_HORZ, m_Core->HorizontalBar(), m_Core->Offset());
        if (!m_bBarsDirty) break;
    }
    m_bUpdatingBars = false;
}

void CCheckListView::ApplyBar(int bar, const ScrollBarState& state, int pos) {
    // Every bar change repaints the bar, which is slow next to the rest of adding a row: change only
    // what differs. Showing a bar that already shows would also recalculate the frame.
    const bool shown = (GetStyle() & (bar == SB_VERT ? WS_VSCROLL : WS_HSCROLL)) != 0;
    if (!state.shown) {
        if (shown) ShowScrollBar(bar, FALSE);
        return;
    }
    if (!shown) ShowScrollBar(bar, TRUE);
    SCROLLINFO now{};
    GetScrollInfo(bar, &now, SIF_RANGE | SIF_POS);
    if (shown && now.nMin == 0 && now.nMax == state.max && now.nPos == pos) return;
    SCROLLINFO info{};
    info.cbSize = sizeof(info);
    info.fMask = SIF_RANGE | SIF_POS;
    info.nMax = state.max;
    info.nPos = pos;
    SetScrollInfo(bar, &info, TRUE);
}

void CCheckListView::ClearSelection() {
    if (m_Core) m_Core->ClearSelection();
}

void CCheckListView::ResetPosition() {
    if (m_Core) m_Core->ResetPosition();
}

int CCheckListView::SetItemCheck(int index, int state) {
    if (!m_Core || !m_pFrame) return kNoItem;
    std::vector<CheckListRowPaint> rows;
    int result = m_Core->SetItemCheck(index, state, rows);
    DrawRows(rows);
    return result;
}

void CCheckListView::DrawRows(const std::vector<CheckListRowPaint>& rows) {
    if (rows.empty() || !m_hWnd) return;
    // A client DC: a partly visible row never paints over the scroll bars.
    CClientDC dc(this);
    for (const CheckListRowPaint& r : rows)
        DrawItem(&dc, *r.item, m_Core->RowOf(r.index));
}

void CCheckListView::DrawCheckBitmap(CDC* dc, int x, int y, int state) {
    CBitmap* bitmap = m_Paint.BitmapFor(state);
    if (!bitmap) return;
    CSize size = bitmap->GetSize();
    CDC mem;
    mem.CreateCompatibleDC(dc);
    CBitmap* old = mem.SelectObject(bitmap);
    dc->BitBlt(x, y, size.cx, size.cy, &mem, 0, 0, SRCCOPY);
    mem.SelectObject(old);
    mem.DeleteDC();
}

void CCheckListView::DrawItem(CDC* dc, const CheckListItem& item, int row) {
    const RowMetrics& m = m_Core->Metrics();
    const int offset = m_Core->Offset();
    const int width = m_rcClient.right;

    CPen* oldPen = dc->SelectObject(m_Paint.backgroundPen);
    CFont* oldFont = dc->SelectObject(m_Paint.font);
    CBrush* oldBrush = dc->SelectObject(m_Paint.backgroundBrush);

    RECT band = ToRect(RowBand(row, offset, width, m));
    dc->Rectangle(&band);

    Rect32 image = CheckImageAt(row, item.m_nLevel, offset, m);
    DrawCheckBitmap(dc, image.left, image.top, item.m_nState);

    const CString text(item.m_strText);
    RECT textRect = ToRect(TextRect(row, item.m_nLevel, offset, width, m));
    dc->SetTextColor(item.m_crText);
    if (item.m_bSelected) {
        CRect extent = textRect;
        dc->DrawText(text, &extent, DT_CALCRECT | DT_VCENTER);
        CRect box = ToRect(FocusBox({extent.left, extent.top, extent.right, extent.bottom}, width, m));
        dc->SetTextColor(RGB(0, 0, 0));
        dc->DrawFocusRect(&box);
        dc->SetTextColor(item.m_crSelText);
        CBrush fill(item.m_crSelBack);
        CRect inside = box;
        inside.DeflateRect(1, 1);
        dc->FillRect(&inside, &fill);
    }
    // Without DT_SINGLELINE the vertical centring does nothing: the text starts at the row's top.
    int oldMode = dc->SetBkMode(TRANSPARENT);
    dc->DrawText(text, &textRect, DT_VCENTER);
    dc->SetBkMode(oldMode);

    dc->SelectObject(oldFont);
    dc->SelectObject(oldBrush);
    dc->SelectObject(oldPen);
}

void CCheckListView::PaintRows(CDC* dc) {
    if (!m_Core || !m_pFrame) return;
    m_Core->ForEachDrawnRow(
        [&](CheckListItem& item, int32_t index) { DrawItem(dc, item, m_Core->RowOf(index)); });
}

void CCheckListView::OnPaint() {
    CPaintDC dc(this);
    PaintRows(&dc);
}

void CCheckListView::OnLButtonDown(UINT, CPoint point) {
    if (m_Core && m_pFrame) {
        CheckListViewState::ClickResult click = m_Core->Click(point.x, point.y);
        if (click.scrolledOne) {
            ::ScrollWindow(m_hWnd, 0, -m_Core->Metrics().rowHeight, nullptr, nullptr);
            SetScrollPos(SB_VERT, m_Core->TopRow(), TRUE);
        }
        DrawRows(click.repaint);
    }
    Default();
}

void CCheckListView::OnSize(UINT, int, int) {
    Default();
    if (!m_Core) return;
    RefreshClient();
    if (m_pFrame) UpdateScrollBars();
}

void CCheckListView::OnVScroll(UINT code, UINT pos, CWnd*) {
    if (!m_Core) return;
    int old = m_Core->TopRow();
    ScrollStep step = m_Core->VScroll(static_cast<int>(code), static_cast<int>(pos));
    if (step.action == ScrollAction::Ignore) return;
    if (step.action == ScrollAction::Move) {
        ::ScrollWindow(m_hWnd, 0, (old - step.to) * m_Core->Metrics().rowHeight, nullptr, nullptr);
        SetScrollPos(SB_VERT, step.to, TRUE);
    }
    Default();
}

void CCheckListView::OnHScroll(UINT code, UINT pos, CWnd*) {
    if (!m_Core) return;
    int old = m_Core->Offset();
    ScrollStep step = m_Core->HScroll(static_cast<int>(code), static_cast<int>(pos));
    if (step.action == ScrollAction::Ignore) return;
    if (step.action == ScrollAction::Move) {
        ::ScrollWindow(m_hWnd, old - step.to, 0, nullptr, nullptr);
        SetScrollPos(SB_HORZ, step.to, TRUE);
    }
    Default();
}

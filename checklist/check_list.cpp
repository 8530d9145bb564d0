// CCheckList: the check-list control's frame window; owns the items, images and drawing objects.
#include "check_list.h"

#include "check_list_view.h"
#include "check_list_window_class.h"

namespace {

constexpr COLORREF kDarkGrey = RGB(0x80, 0x80, 0x80);
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kWhite = RGB(0xFF, 0xFF, 0xFF);
constexpr COLORREF kSilver = RGB(0xC0, 0xC0, 0xC0);

// The control's own font when the caller gives none.
constexpr int kFontHeight = 14;
constexpr wchar_t kFontFace[] = L"TAHOMA";

} // namespace

BEGIN_MESSAGE_MAP(CCheckList, CWnd)
ON_WM_PAINT()
ON_WM_SIZE()
END_MESSAGE_MAP()

CCheckList::CCheckList() = default;

CCheckList::~CCheckList() {
    // Tear the windows down while this object is still whole, view first.
    if (m_pView && m_pView->m_hWnd) m_pView->DestroyWindow();
    if (m_hWnd) DestroyWindow();
    DeleteItems();
}

BOOL CCheckList::Create(const RECT& rect, CWnd* parent, UINT id, UINT checkId, UINT uncheckId, UINT middleId,
                        COLORREF background, CFont* font) {
    if (m_hWnd) return FALSE; // one window per control object

    LPCWSTR className = checklist::RegisterCheckListClass(background);
    if (!LoadCheckBitmaps(checkId, uncheckId, middleId)) return FALSE;
    if (!CWnd::Create(className, L"CLISTBOX", WS_CHILD | WS_VISIBLE, rect, parent, id)) return FALSE;

    m_pBackgroundPen = std::make_unique<CPen>(PS_SOLID, 1, background);
    m_pBackgroundBrush = std::make_unique<CBrush>(background);

    if (font) {
        m_pFont = font;
        m_bOwnsFont = false;
    } else {
        m_OwnFont = std::make_unique<CFont>();
        m_OwnFont->CreateFont(kFontHeight, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, ANSI_CHARSET,
                              OUT_TT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, VARIABLE_PITCH | FF_SWISS,
                              kFontFace);
        m_pFont = m_OwnFont.get();
        m_bOwnsFont = true;
    }

    {
        CWindowDC dc(this);
        CFont* old = dc.SelectObject(m_pFont);
        TEXTMETRICW tm{};
        dc.GetTextMetrics(&tm);
        dc.SelectObject(old);
        if (tm.tmHeight + tm.tmDescent > m_nRowHeight) m_nRowHeight = tm.tmHeight + tm.tmDescent;
    }

    GetClientRect(&m_rcClient);

    auto view = std::make_unique<CCheckListView>();
    if (!view->Create(m_rcClient, this, id + 1, m_Tree, PaintKit(), background)) return FALSE;
    m_pView = std::move(view);
    return TRUE;
}

BOOL CCheckList::LoadCheckBitmaps(UINT checkId, UINT uncheckId, UINT middleId) {
    struct Image {
        std::unique_ptr<CBitmap>& slot;
        UINT id;
        LPCWSTR error;
    };
    Image images[] = {
        {m_pCheckBitmap, checkId, L"Unable to load CHECK bitmap."},
        {m_pUncheckBitmap, uncheckId, L"Unable to load UNCHECK bitmap."},
        {m_pMiddleBitmap, middleId, L"Unable to load MIDDLE Check bitmap."},
    };
    for (Image& image : images) {
        image.slot = std::make_unique<CBitmap>();
        if (!image.slot->LoadBitmap(image.id)) {
            AfxMessageBox(image.error, MB_OK, 0);
            return FALSE;
        }
    }

    CSize check = m_pCheckBitmap->GetSize();
    CSize uncheck = m_pUncheckBitmap->GetSize();
    CSize middle = m_pMiddleBitmap->GetSize();
    if (uncheck.cx != check.cx || uncheck.cy != check.cy || middle.cx != check.cx || middle.cy != check.cy) {
        AfxMessageBox(L"Images must be the same size!", MB_OK, 0);
        return FALSE;
    }

    m_nCellWidth = check.cx + checklist::kCellPadding;
    m_nCellHeight = check.cy + checklist::kCellPadding;
    m_nRowHeight = check.cy + checklist::kCellPadding;
    return TRUE;
}

bool CCheckList::HasView() const {
    return m_pView && m_pView->m_hWnd;
}

CheckListPaintKit CCheckList::PaintKit() const {
    return {.checkBitmap = m_pCheckBitmap.get(),
            .uncheckBitmap = m_pUncheckBitmap.get(),
            .middleBitmap = m_pMiddleBitmap.get(),
            .font = m_pFont,
            .backgroundPen = m_pBackgroundPen.get(),
            .backgroundBrush = m_pBackgroundBrush.get(),
            .metrics = {m_nRowHeight, m_nCellWidth, m_nCellHeight}};
}

CBitmap* CCheckList::GetCheckBitmap(int state) const {
    return PaintKit().BitmapFor(state);
}

CheckListItem* CCheckList::AddItem(CString text, CheckListItem* parent, int state, int itemData,
                                   COLORREF textColor, COLORREF selTextColor, COLORREF selBackColor) {
    if (!HasView()) return nullptr;

    CSize extent;
    {
        CWindowDC dc(this);
        CFont* old = dc.SelectObject(m_pFont);
        extent = dc.GetTextExtent(text);
        dc.SelectObject(old);
    }

    CheckListItem* item = m_Tree.AddItem(text.str(), parent, state, itemData,
                                         {textColor, selTextColor, selBackColor}, extent.cx, m_nCellWidth);
    if (!item) return nullptr;
    m_pView->UpdateScrollBars();
    return item;
}

int CCheckList::GetCount(const CheckListItem* item) const {
    return m_Tree.GetCount(item);
}

int CCheckList::GetCheck(int index) const {
    if (!HasView()) return checklist::kNoItem;
    return m_Tree.GetCheck(index);
}

int CCheckList::SetCheck(int index, int state) {
    if (index < -1 || index > m_Tree.GetCount(nullptr) - 1 || !HasView() || !checklist::IsCheckState(state))
        return checklist::kNoItem;
    return m_pView->SetItemCheck(index, state);
}

int CCheckList::GetItemText(int index, CString& text) const {
    std::wstring s;
    if (m_Tree.GetItemText(index, s) != 0) return checklist::kNoItem;
    text = CString(s);
    return 0;
}

void CCheckList::DeleteItems() {
    if (m_Tree.DeleteAllItems() && m_pView) m_pView->ClearSelection();
}

void CCheckList::DeleteAllItems() {
    DeleteItems();
    if (!HasView()) return;
    m_pView->ResetPosition();
    m_pView->UpdateScrollBars();
    m_pView->RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
}

void CCheckList::OnPaint() {
    CPaintDC dc(this);
    CRect rc;
    GetClientRect(&rc);
    DrawBorder(&dc, rc);
}

void CCheckList::DrawBorder(CDC* dc, const CRect& rc) {
    CPen darkGrey(PS_SOLID, 1, kDarkGrey);
    CPen black(PS_SOLID, 1, kBlack);
    CPen white(PS_SOLID, 1, kWhite);
    CPen silver(PS_SOLID, 1, kSilver);

    // Sunken: dark on the top and left, light on the bottom and right. LineTo leaves out the end point.
    CPen* old = dc->SelectObject(&darkGrey);
    dc->MoveTo(rc.left, rc.bottom);
    dc->LineTo(rc.left, rc.top);
    dc->LineTo(rc.right, rc.top);
    dc->SelectObject(&black);
    dc->MoveTo(rc.left + 1, rc.bottom - 1);
    dc->LineTo(rc.left + 1, rc.top + 1);
    dc->LineTo(rc.right - 1, rc.top + 1);
    dc->SelectObject(&white);
    dc->MoveTo(rc.right - 1, rc.top + 1);
    dc->LineTo(rc.right - 1, rc.bottom - 1);
    dc->LineTo(rc.left + 1, rc.bottom - 1);
    dc->SelectObject(&silver);
    dc->MoveTo(rc.right - 2, rc.top + 2);
    dc->LineTo(rc.right - 2, rc.bottom - 2);
    dc->LineTo(rc.left + 2, rc.bottom - 2);
    dc->SelectObject(old);
}

void CCheckList::OnSize(UINT, int, int) {
    Default();
    GetClientRect(&m_rcClient);
    if (m_pView && m_pView->m_hWnd) {
        CRect inner = m_rcClient;
        inner.DeflateRect(checklist::kBorder, checklist::kBorder);
        m_pView->MoveWindow(&inner, TRUE);
    }
}

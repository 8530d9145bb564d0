// CCheckList: the check-list control's frame window; owns the items, images and drawing objects.
#include "checklist/check_list.h"

#include <cstring>
#include <vector>

#include "checklist/check_list_view.h"
#include "checklist/check_list_window_class.h"
#include "checklist/core/checklist_image.h"

using namespace checklist;

BITMAPINFO checklist::TopDown32(int width, int height) {
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = -height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    return bi;
}

namespace {

constexpr COLORREF kDarkGrey = RGB(0x80, 0x80, 0x80);
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kWhite = RGB(0xFF, 0xFF, 0xFF);
constexpr COLORREF kSilver = RGB(0xC0, 0xC0, 0xC0);

// The control's own font when the caller gives none; its height in pixels at 96 DPI.
constexpr int kFontHeight = 14;
constexpr wchar_t kFontFace[] = L"TAHOMA";

// The system DPI, which every pixel length of the control is scaled by. Windows answers the display's
// scaling (144 at 150 %) only to a program that declares itself DPI-aware, as orvane.exe's manifest
// does; to one that does not it answers 96 and stretches the program's windows as bitmaps, blurred.
// Wine answers the prefix's LogPixels either way. It holds until the user signs out, so once is enough.
int SystemDpi() {
    HDC screen = ::GetDC(nullptr);
    if (!screen) return kBaseDpi;
    const int dpi = ::GetDeviceCaps(screen, LOGPIXELSY);
    ::ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : kBaseDpi;
}

// The bitmap at another size, made with ScaleCheckImage; null when GDI fails on the way.
HBITMAP ScaledBitmap(const CBitmap& bitmap, CSize from, CSize to) {
    std::vector<uint32_t> pixels(static_cast<size_t>(from.cx) * from.cy);
    BITMAPINFO source = TopDown32(from.cx, from.cy);
    HDC screen = ::GetDC(nullptr);
    const int rows =
        screen ? ::GetDIBits(screen, bitmap, 0, from.cy, pixels.data(), &source, DIB_RGB_COLORS) : 0;
    if (screen) ::ReleaseDC(nullptr, screen);
    if (rows != from.cy) return nullptr;

    const std::vector<uint32_t> scaled = ScaleCheckImage(pixels, from.cx, from.cy, to.cx, to.cy);
    if (scaled.empty()) return nullptr;
    BITMAPINFO target = TopDown32(to.cx, to.cy);
    void* bits = nullptr;
    HBITMAP out = ::CreateDIBSection(nullptr, &target, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!out || !bits) {
        if (out) ::DeleteObject(out);
        return nullptr;
    }
    std::memcpy(bits, scaled.data(), scaled.size() * sizeof(uint32_t));
    return out;
}

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

    LPCWSTR className = RegisterCheckListClass(background);
    m_nDpi = SystemDpi();
    if (!LoadCheckBitmaps(checkId, uncheckId, middleId)) return FALSE;
    if (!CWnd::Create(className, L"CLISTBOX", WS_CHILD | WS_VISIBLE, rect, parent, id)) return FALSE;

    m_pBackgroundPen = std::make_unique<CPen>(PS_SOLID, 1, background);
    m_pBackgroundBrush = std::make_unique<CBrush>(background);

    if (font) {
        m_pFont = font;
        m_bOwnsFont = false;
    } else {
        m_OwnFont = std::make_unique<CFont>();
        m_OwnFont->CreateFont(ScaleToDpi(kFontHeight, m_nDpi), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                              ANSI_CHARSET, OUT_TT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                              VARIABLE_PITCH | FF_SWISS, kFontFace);
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

    const RowMetrics metrics = MetricsFor(check.cx, check.cy, m_nDpi);
    m_nCellWidth = metrics.cellWidth;
    m_nCellHeight = metrics.cellHeight;
    m_nRowHeight = metrics.rowHeight;
    if (m_nDpi == kBaseDpi) return TRUE;

    // Images made for the size rather than stretched at each paint: the frame stays one-pixel lines.
    // Should GDI fail, the 96-DPI image is drawn in the scaled cell, which still takes the clicks.
    const CSize scaled(metrics.Px(check.cx), metrics.Px(check.cy));
    for (Image& image : images) {
        if (HBITMAP h = ScaledBitmap(*image.slot, check, scaled)) image.slot->Attach(h);
    }
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
            .metrics = {m_nRowHeight, m_nCellWidth, m_nCellHeight, m_nDpi}};
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

    CheckListItem* item =
        m_Tree.AddItem(text.str(), parent, state, itemData, {textColor, selTextColor, selBackColor},
                       extent.cx, m_nCellWidth, ScaleToDpi(kRowTail, m_nDpi));
    if (!item) return nullptr;
    m_pView->UpdateScrollBars();
    return item;
}

int CCheckList::GetCount(const CheckListItem* item) const {
    return m_Tree.GetCount(item);
}

int CCheckList::GetCheck(int index) const {
    if (!HasView()) return kNoItem;
    return m_Tree.GetCheck(index);
}

int CCheckList::SetCheck(int index, int state) {
    if (index < 0 || index >= m_Tree.GetCount(nullptr) || !HasView() || !IsCheckState(state)) return kNoItem;
    return m_pView->SetItemCheck(index, state);
}

int CCheckList::GetItemText(int index, CString& text) const {
    std::wstring s;
    if (m_Tree.GetItemText(index, s) != 0) return kNoItem;
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
        inner.DeflateRect(kBorder, kBorder);
        m_pView->MoveWindow(&inner, TRUE);
    }
}

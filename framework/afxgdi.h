// GDI wrappers: drawing objects that own or borrow their handle, and the device contexts.
//
// Classes: CGdiObject, CPen, CBrush, CFont, CBitmap (drawing objects), CDC, CPaintDC, CWindowDC,
// CClientDC (device contexts).
#pragma once

#include <cassert>

#include "framework/afxstr.h"
#include "framework/afxtypes.h"

class CWnd;
class CGdiObject;

// The kinds of borrowed wrapper that FromHandle hands out, one table each.
enum class AfxGdiKind { Pen, Brush, Font, Bitmap };
constexpr int kAfxGdiKindCount = 4;
static_assert(static_cast<int>(AfxGdiKind::Bitmap) + 1 == kAfxGdiKindCount, "one table per kind");

// The borrowed wrapper of the given kind for a non-null handle; it lives as long as the program.
CGdiObject* AfxTempGdiObject(HGDIOBJ h, AfxGdiKind kind);

// Owns its handle when it created or loaded it; a wrapper made by FromHandle only borrows.
class CGdiObject {
  public:
    HGDIOBJ m_hObject = nullptr;

    CGdiObject() = default;
    CGdiObject(const CGdiObject&) = delete;
    CGdiObject& operator=(const CGdiObject&) = delete;
    virtual ~CGdiObject() { DeleteObject(); }

    BOOL Attach(HGDIOBJ h) {
        DeleteObject();
        m_hObject = h;
        m_bOwned = true;
        return h != nullptr;
    }
    BOOL DeleteObject() {
        BOOL ok = FALSE;
        if (m_hObject && m_bOwned) ok = ::DeleteObject(m_hObject);
        m_hObject = nullptr;
        m_bOwned = false;
        return ok;
    }

  protected:
    void Borrow(HGDIOBJ h) {
        DeleteObject();
        m_hObject = h;
        m_bOwned = false;
    }
    friend CGdiObject* AfxTempGdiObject(HGDIOBJ, AfxGdiKind);
    bool m_bOwned = false;
};

class CPen : public CGdiObject {
  public:
    CPen() = default;
    CPen(int style, int width, COLORREF color) { Attach(::CreatePen(style, width, color)); }
    static CPen* FromHandle(HPEN h);
};

class CBrush : public CGdiObject {
  public:
    CBrush() = default;
    explicit CBrush(COLORREF color) { Attach(::CreateSolidBrush(color)); }
    operator HBRUSH() const { return static_cast<HBRUSH>(m_hObject); }
    static CBrush* FromHandle(HBRUSH h);
};

class CFont : public CGdiObject {
  public:
    BOOL CreateFont(int height, int width, int escapement, int orientation, int weight, BYTE italic,
                    BYTE underline, BYTE strikeOut, BYTE charSet, BYTE outPrecision, BYTE clipPrecision,
                    BYTE quality, BYTE pitchAndFamily, LPCWSTR face) {
        return Attach(::CreateFontW(height, width, escapement, orientation, weight, italic, underline,
                                    strikeOut, charSet, outPrecision, clipPrecision, quality, pitchAndFamily,
                                    face));
    }
    static CFont* FromHandle(HFONT h);
};

class CBitmap : public CGdiObject {
  public:
    BOOL LoadBitmap(UINT id); // from the application's resources
    CSize GetSize() const {
        BITMAP bm{};
        ::GetObjectW(m_hObject, sizeof bm, &bm);
        return CSize(bm.bmWidth, bm.bmHeight);
    }
    operator HBITMAP() const { return static_cast<HBITMAP>(m_hObject); }
    static CBitmap* FromHandle(HBITMAP h);
};

class CDC {
  public:
    HDC m_hDC = nullptr;

    CDC() = default;
    CDC(const CDC&) = delete;
    CDC& operator=(const CDC&) = delete;
    virtual ~CDC() {
        if (m_hDC && m_bOwned) ::DeleteDC(m_hDC);
    }

    HDC GetSafeHdc() const { return m_hDC; }
    BOOL Attach(HDC h) {
        m_hDC = h;
        m_bOwned = false;
        return h != nullptr;
    }
    HDC Detach() {
        HDC h = m_hDC;
        m_hDC = nullptr;
        return h;
    }
    BOOL CreateCompatibleDC(CDC* dc) {
        m_hDC = ::CreateCompatibleDC(dc ? dc->m_hDC : nullptr);
        m_bOwned = true;
        return m_hDC != nullptr;
    }
    BOOL DeleteDC() {
        BOOL ok = m_hDC ? ::DeleteDC(m_hDC) : FALSE;
        m_hDC = nullptr;
        return ok;
    }

    // The old object comes back as a borrowed wrapper, ready to be selected again.
    CPen* SelectObject(CPen* p) { return CPen::FromHandle(static_cast<HPEN>(Select(p))); }
    CBrush* SelectObject(CBrush* p) { return CBrush::FromHandle(static_cast<HBRUSH>(Select(p))); }
    CFont* SelectObject(CFont* p) { return CFont::FromHandle(static_cast<HFONT>(Select(p))); }
    CBitmap* SelectObject(CBitmap* p) { return CBitmap::FromHandle(static_cast<HBITMAP>(Select(p))); }

    COLORREF SetTextColor(COLORREF c) { return ::SetTextColor(m_hDC, c); }
    int SetBkMode(int mode) { return ::SetBkMode(m_hDC, mode); }
    int DrawText(const CString& s, LPRECT rc, UINT fmt) {
        return ::DrawTextW(m_hDC, s, s.GetLength(), rc, fmt);
    }
    CSize GetTextExtent(const CString& s) const {
        SIZE sz{};
        ::GetTextExtentPoint32W(m_hDC, s, s.GetLength(), &sz);
        return CSize(sz);
    }
    BOOL GetTextMetrics(TEXTMETRICW* tm) const { return ::GetTextMetricsW(m_hDC, tm); }

    void FillRect(LPCRECT rc, CBrush* b) { ::FillRect(m_hDC, rc, b ? static_cast<HBRUSH>(*b) : nullptr); }
    void FillSolidRect(int x, int y, int w, int h, COLORREF c) {
        const RECT rc{x, y, x + w, y + h};
        COLORREF old = ::SetBkColor(m_hDC, c);
        ::ExtTextOutW(m_hDC, 0, 0, ETO_OPAQUE, &rc, nullptr, 0, nullptr);
        ::SetBkColor(m_hDC, old);
    }
    void DrawFocusRect(LPCRECT rc) { ::DrawFocusRect(m_hDC, rc); }
    BOOL Rectangle(LPCRECT rc) {
        assert(rc);
        return ::Rectangle(m_hDC, rc->left, rc->top, rc->right, rc->bottom);
    }
    CPoint MoveTo(int x, int y) {
        POINT old{};
        ::MoveToEx(m_hDC, x, y, &old);
        return CPoint(old);
    }
    BOOL LineTo(int x, int y) { return ::LineTo(m_hDC, x, y); }
    BOOL BitBlt(int x, int y, int w, int h, CDC* src, int xs, int ys, DWORD rop) {
        return ::BitBlt(m_hDC, x, y, w, h, src ? src->m_hDC : nullptr, xs, ys, rop);
    }
    BOOL DrawIcon(int x, int y, HICON icon) { return ::DrawIcon(m_hDC, x, y, icon); }

  protected:
    HGDIOBJ Select(CGdiObject* p) { return p ? ::SelectObject(m_hDC, p->m_hObject) : nullptr; }
    bool m_bOwned = false;
};

class CPaintDC : public CDC {
  public:
    explicit CPaintDC(CWnd* wnd);
    ~CPaintDC() override;
    PAINTSTRUCT m_ps{};

  private:
    HWND m_hWnd;
};

class CWindowDC : public CDC {
  public:
    explicit CWindowDC(CWnd* wnd);
    ~CWindowDC() override;

  private:
    HWND m_hWnd;
};

class CClientDC : public CDC {
  public:
    explicit CClientDC(CWnd* wnd);
    ~CClientDC() override;

  private:
    HWND m_hWnd;
};

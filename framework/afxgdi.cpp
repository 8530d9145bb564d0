// Borrowed GDI wrappers, bitmap loading and the window device contexts.
#include "afxwin.h"

#include <memory>
#include <unordered_map>

// Borrowed wrappers live as long as the program; one per handle value, reused when a handle is.
CGdiObject* AfxTempGdiObject(HGDIOBJ h, int kind) {
    static std::unordered_map<HGDIOBJ, std::unique_ptr<CGdiObject>> temps[4];
    auto& slot = temps[kind][h];
    if (!slot) {
        switch (kind) {
        case 0:
            slot = std::make_unique<CPen>();
            break;
        case 1:
            slot = std::make_unique<CBrush>();
            break;
        case 2:
            slot = std::make_unique<CFont>();
            break;
        default:
            slot = std::make_unique<CBitmap>();
            break;
        }
        slot->Borrow(h);
    }
    return slot.get();
}

CPen* CPen::FromHandle(HPEN h) {
    return h ? static_cast<CPen*>(AfxTempGdiObject(h, 0)) : nullptr;
}
CBrush* CBrush::FromHandle(HBRUSH h) {
    return h ? static_cast<CBrush*>(AfxTempGdiObject(h, 1)) : nullptr;
}
CFont* CFont::FromHandle(HFONT h) {
    return h ? static_cast<CFont*>(AfxTempGdiObject(h, 2)) : nullptr;
}
CBitmap* CBitmap::FromHandle(HBITMAP h) {
    return h ? static_cast<CBitmap*>(AfxTempGdiObject(h, 3)) : nullptr;
}

BOOL CBitmap::LoadBitmap(UINT id) {
    return Attach(::LoadBitmapW(AfxGetResourceHandle(), MAKEINTRESOURCEW(id)));
}

BOOL CBitmap::CreateCompatibleBitmap(CDC* dc, int w, int h) {
    return Attach(::CreateCompatibleBitmap(dc ? dc->m_hDC : nullptr, w, h));
}

CPaintDC::CPaintDC(CWnd* wnd) : m_hWnd(wnd->m_hWnd) {
    Attach(::BeginPaint(m_hWnd, &m_ps));
}
CPaintDC::~CPaintDC() {
    ::EndPaint(m_hWnd, &m_ps);
    Detach();
}

CWindowDC::CWindowDC(CWnd* wnd) : m_hWnd(wnd ? wnd->m_hWnd : nullptr) {
    Attach(::GetWindowDC(m_hWnd));
}
CWindowDC::~CWindowDC() {
    ::ReleaseDC(m_hWnd, Detach());
}

CClientDC::CClientDC(CWnd* wnd) : m_hWnd(wnd ? wnd->m_hWnd : nullptr) {
    Attach(::GetDC(m_hWnd));
}
CClientDC::~CClientDC() {
    ::ReleaseDC(m_hWnd, Detach());
}

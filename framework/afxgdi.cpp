// Borrowed GDI wrappers, bitmap loading and the window device contexts.
#include "framework/afxgdi.h"

#include <algorithm>
#include <memory>
#include <unordered_map>

#include "framework/afxapp.h"
#include "framework/afxwnd.h"

// Borrowed wrappers: one per handle value, reused when a handle is. Every paint that creates and deletes
// its own pens leaves new handle values behind (the system varies the upper bits of a reused slot), so
// once a map has doubled, the wrappers of objects that are gone are dropped; a borrowed wrapper is only
// good while its object lives.
CGdiObject* AfxTempGdiObject(HGDIOBJ h, AfxGdiKind kind) {
    assert(h); // FromHandle answers a null handle with a null wrapper itself
    const int index = static_cast<int>(kind);
    assert(index >= 0 && index < kAfxGdiKindCount);
    static std::unordered_map<HGDIOBJ, std::unique_ptr<CGdiObject>> temps[kAfxGdiKindCount];
    static size_t purgeAt[kAfxGdiKindCount] = {};
    auto& map = temps[index];
    if (map.size() >= std::max<size_t>(64, purgeAt[index]) && map.find(h) == map.end()) {
        for (auto it = map.begin(); it != map.end();)
            it = ::GetObjectType(it->first) ? std::next(it) : map.erase(it);
        purgeAt[index] = 2 * map.size();
    }
    auto& slot = map[h];
    if (!slot) {
        switch (kind) {
        case AfxGdiKind::Pen:
            slot = std::make_unique<CPen>();
            break;
        case AfxGdiKind::Brush:
            slot = std::make_unique<CBrush>();
            break;
        case AfxGdiKind::Font:
            slot = std::make_unique<CFont>();
            break;
        case AfxGdiKind::Bitmap:
            slot = std::make_unique<CBitmap>();
            break;
        }
        slot->Borrow(h);
    }
    return slot.get();
}

CPen* CPen::FromHandle(HPEN h) {
    return h ? static_cast<CPen*>(AfxTempGdiObject(h, AfxGdiKind::Pen)) : nullptr;
}
CBrush* CBrush::FromHandle(HBRUSH h) {
    return h ? static_cast<CBrush*>(AfxTempGdiObject(h, AfxGdiKind::Brush)) : nullptr;
}
CFont* CFont::FromHandle(HFONT h) {
    return h ? static_cast<CFont*>(AfxTempGdiObject(h, AfxGdiKind::Font)) : nullptr;
}
CBitmap* CBitmap::FromHandle(HBITMAP h) {
    return h ? static_cast<CBitmap*>(AfxTempGdiObject(h, AfxGdiKind::Bitmap)) : nullptr;
}

BOOL CBitmap::LoadBitmap(UINT id) {
    return Attach(::LoadBitmapW(AfxGetResourceHandle(), MAKEINTRESOURCEW(id)));
}

namespace {

// Only a window that exists gets WM_PAINT.
HWND PaintedWindow(CWnd* wnd) {
    assert(wnd && wnd->m_hWnd);
    return wnd->m_hWnd;
}

} // namespace

CPaintDC::CPaintDC(CWnd* wnd) : m_hWnd(PaintedWindow(wnd)) {
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

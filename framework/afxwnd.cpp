// CWnd: the window procedure and message-map dispatch, the handle maps, subclassing and the creation hook.
#include "framework/afxwnd.h"

#include <new>

#include "framework/afxapp.h"
#include "framework/afxctrl.h"
#include "framework/afxmsgbox.h"
#include "framework/afxstate.h"
#include "framework/afxtrace.h"

namespace {

constexpr wchar_t kDefaultChildClassName[] = L"OrvaneWnd";
constexpr wchar_t kImeClassName[] = L"IME"; // the thread's default input-method window
// Room for "IME" and enough beyond it that a longer name, cut to fit, never reads as "IME".
constexpr int kShortClassNameLength = 8;
constexpr int kMaxClassNameLength = 256; // the longest name a window class can have
// Borrowed wrappers of destroyed windows are dropped once there are more than this many.
constexpr size_t kTemporaryWindowsBeforePurge = 256;

// Windows may create the thread's default IME window (class "IME") or another input-method window
// (a class with CS_IME) inside the creation of the thread's first top-level window, and the hook sees
// it before the window being created. Wine creates those windows later, so only Windows shows this.
bool IsInputMethodWindow(HWND hwnd) {
    if (::GetClassLongPtrW(hwnd, GCL_STYLE) & CS_IME) return true;
    wchar_t name[kShortClassNameLength] = {};
    return ::GetClassNameW(hwnd, name, kShortClassNameLength) > 0 && lstrcmpiW(name, kImeClassName) == 0;
}

// Whether the window being created is of the class the pending creation asked for.
bool IsAwaitedClass(HWND hwnd, LPCWSTR awaited) {
    if (!awaited) return true;
    if (IS_INTRESOURCE(awaited))
        return ::GetClassWord(hwnd, GCW_ATOM) == LOWORD(reinterpret_cast<ULONG_PTR>(awaited));
    wchar_t name[kMaxClassNameLength] = {};
    return ::GetClassNameW(hwnd, name, kMaxClassNameLength) > 0 && lstrcmpiW(name, awaited) == 0;
}

LRESULT CALLBACK CreateHook(int code, WPARAM wParam, LPARAM lParam) {
    afxstate::WindowState& st = afxstate::Windows();
    HWND hwnd = reinterpret_cast<HWND>(wParam);
    if (code == HCBT_CREATEWND && st.pWndInit && !IsInputMethodWindow(hwnd) &&
        IsAwaitedClass(hwnd, st.awaitedClass)) {
        CWnd* wnd = st.pWndInit;
        st.pWndInit = nullptr;
        wnd->Attach(hwnd);
        auto old = reinterpret_cast<WNDPROC>(
            ::SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&AfxWndProc)));
        if (old != &AfxWndProc) wnd->SetSuperProc(old);
    }
    return ::CallNextHookEx(st.createHook, code, wParam, lParam);
}

void (*g_createTestHook)() = nullptr;

LPCWSTR DefaultChildClass() {
    static const wchar_t* name = [] {
        WNDCLASSW wc{};
        wc.style = CS_DBLCLKS;
        wc.lpfnWndProc = ::DefWindowProcW;
        wc.hInstance = AfxGetInstanceHandle();
        wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
        wc.lpszClassName = kDefaultChildClassName;
        ::RegisterClassW(&wc);
        return kDefaultChildClassName;
    }();
    return name;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Shared state and the creation hook

namespace afxstate {

WindowState& Windows() {
    static WindowState state;
    return state;
}

void PurgeTemporaryWindows() {
    auto& temp = Windows().temporary;
    for (auto it = temp.begin(); it != temp.end();)
        it = ::IsWindow(it->first) ? std::next(it) : temp.erase(it);
}

bool HookWindowCreate(CWnd* wnd, LPCWSTR awaitedClass) {
    assert(wnd);
    WindowState& st = Windows();
    st.pWndInit = wnd;
    st.awaitedClass = awaitedClass;
    bool installed = false;
    if (!st.createHook) {
        st.createHook = ::SetWindowsHookExW(WH_CBT, CreateHook, nullptr, ::GetCurrentThreadId());
        installed = true;
    }
    if (g_createTestHook) g_createTestHook();
    return installed;
}

void UnhookWindowCreate(bool installed) {
    WindowState& st = Windows();
    st.pWndInit = nullptr;
    st.awaitedClass = nullptr;
    if (installed && st.createHook) {
        ::UnhookWindowsHookEx(st.createHook);
        st.createHook = nullptr;
    }
}

} // namespace afxstate

void AfxSetCreateTestHook(void (*hook)()) {
    g_createTestHook = hook;
}

// ---------------------------------------------------------------------------------------------
// Window procedure

LRESULT CALLBACK AfxWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    CWnd* wnd = CWnd::FromHandlePermanent(hwnd);
    if (!wnd) return ::DefWindowProcW(hwnd, msg, wParam, lParam);

    afxstate::WindowState& st = afxstate::Windows();
    afxstate::CurrentMessage saved = st.current;
    st.current = {hwnd, msg, wParam, lParam};
    LRESULT result = 0;
    // Nothing may unwind into the system's frames: on 64-bit Windows an exception that crosses a
    // window-procedure callback is swallowed or ends the process. The only one our code can meet is a
    // failed allocation; the message then counts as handled and the program goes on.
    try {
        result = wnd->WindowProc(msg, wParam, lParam);
    } catch (const std::bad_alloc&) {
        AfxTrace("AfxWndProc : out of memory in message 0x%04X\r\n", msg);
    }
    st.current = saved;

    if (msg == WM_NCDESTROY) {
        // The window is gone: put back the procedure behind ours and forget the handle.
        if (wnd->m_pfnSuper &&
            reinterpret_cast<WNDPROC>(::GetWindowLongPtrW(hwnd, GWLP_WNDPROC)) == &AfxWndProc)
            ::SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(wnd->m_pfnSuper));
        wnd->Detach();
        wnd->m_pfnSuper = nullptr;
    }
    return result;
}

// ---------------------------------------------------------------------------------------------
// CWnd: handles, creation and dispatch

const AFX_MSGMAP* CWnd::GetThisMessageMap() {
    static const AFX_MSGMAP_ENTRY entries[] = {{0, 0, nullptr}};
    static const AFX_MSGMAP map = {&CCmdTarget::GetThisMessageMap, &entries[0]};
    return &map;
}
const AFX_MSGMAP* CWnd::GetMessageMap() const {
    return GetThisMessageMap();
}

CWnd::~CWnd() {
    if (m_hWnd && FromHandlePermanent(m_hWnd) == this) {
        if (::IsWindow(m_hWnd)) ::DestroyWindow(m_hWnd);
        Detach();
    }
}

CWnd* CWnd::FromHandlePermanent(HWND h) {
    auto& perm = afxstate::Windows().permanent;
    auto it = perm.find(h);
    return it == perm.end() ? nullptr : it->second;
}

CWnd* CWnd::FromHandle(HWND h) {
    if (!h) return nullptr;
    if (CWnd* w = FromHandlePermanent(h)) return w;
    auto& temp = afxstate::Windows().temporary;
    auto it = temp.find(h);
    if (it != temp.end()) return it->second.get();
    if (temp.size() > kTemporaryWindowsBeforePurge) afxstate::PurgeTemporaryWindows();
    auto wrapper = std::make_unique<CWnd>();
    wrapper->m_hWnd = h; // borrowed: never in the permanent map, never destroyed by us
    CWnd* raw = wrapper.get();
    temp.emplace(h, std::move(wrapper));
    return raw;
}

BOOL CWnd::Attach(HWND h) {
    if (!h || FromHandlePermanent(h)) return FALSE;
    afxstate::WindowState& st = afxstate::Windows();
    auto it = st.temporary.find(h);
    if (it != st.temporary.end()) {
        it->second->m_hWnd = nullptr;
        st.temporary.erase(it);
    }
    m_hWnd = h;
    st.permanent[h] = this;
    return TRUE;
}

HWND CWnd::Detach() {
    HWND h = m_hWnd;
    if (h) {
        auto& perm = afxstate::Windows().permanent;
        auto it = perm.find(h);
        if (it != perm.end() && it->second == this) perm.erase(it);
    }
    m_hWnd = nullptr;
    return h;
}

void CWnd::SetSuperProc(WNDPROC proc) {
    m_pfnSuper = proc;
}

BOOL CWnd::SubclassWindow(HWND h) {
    if (!Attach(h)) return FALSE;
    auto old = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrW(h, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&AfxWndProc)));
    if (old != &AfxWndProc) m_pfnSuper = old;
    return TRUE;
}

BOOL CWnd::SubclassDlgItem(UINT id, CWnd* parent) {
    return parent ? SubclassWindow(::GetDlgItem(parent->m_hWnd, static_cast<int>(id))) : FALSE;
}

BOOL CWnd::Create(LPCWSTR className, LPCWSTR windowName, DWORD style, const RECT& rect, CWnd* parent,
                  UINT id) {
    return CreateEx(0, className, windowName, style | WS_CHILD, rect, parent, id);
}

BOOL CWnd::CreateEx(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style, const RECT& rect,
                    CWnd* parent, UINT id) {
    if (!className) className = DefaultChildClass();
    bool installed = afxstate::HookWindowCreate(this, className);
    HWND h =
        ::CreateWindowExW(exStyle, className, windowName, style, rect.left, rect.top, rect.right - rect.left,
                          rect.bottom - rect.top, parent ? parent->m_hWnd : nullptr,
                          (style & WS_CHILD) ? reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)) : nullptr,
                          AfxGetInstanceHandle(), nullptr);
    afxstate::UnhookWindowCreate(installed);
    if (!h) {
        if (m_hWnd && !::IsWindow(m_hWnd)) Detach();
        return FALSE;
    }
    return TRUE;
}

BOOL CWnd::DestroyWindow() {
    return m_hWnd ? ::DestroyWindow(m_hWnd) : FALSE;
}

LRESULT CWnd::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (!OnWndMsg(msg, wParam, lParam, &result)) result = DefWindowProc(msg, wParam, lParam);
    return result;
}

BOOL CWnd::OnWndMsg(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    assert(result);
    for (const AFX_MSGMAP* map = GetMessageMap(); map;
         map = map->pfnGetBaseMap ? map->pfnGetBaseMap() : nullptr) {
        for (const AFX_MSGMAP_ENTRY* e = map->lpEntries; e->pfn; ++e) {
            if (e->nMessage != msg) continue;
            // Command entries take clicks (and menu commands, also code 0); a control's other
            // notifications go to the default procedure.
            if (msg == WM_COMMAND && (HIWORD(wParam) != BN_CLICKED || LOWORD(wParam) != e->nID)) continue;
            *result = e->pfn(this, wParam, lParam);
            return TRUE;
        }
    }
    return FALSE;
}

LRESULT CWnd::DefWindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (m_pfnSuper) return ::CallWindowProcW(m_pfnSuper, m_hWnd, msg, wParam, lParam);
    return ::DefWindowProcW(m_hWnd, msg, wParam, lParam);
}

LRESULT CWnd::Default() {
    const afxstate::CurrentMessage& cur = afxstate::Windows().current;
    return DefWindowProc(cur.msg, cur.wParam, cur.lParam);
}

// ---------------------------------------------------------------------------------------------
// CWnd: text, geometry, menus and boxes

void CWnd::GetWindowText(CString& out) const {
    int n = ::GetWindowTextLengthW(m_hWnd);
    std::wstring buf(static_cast<size_t>(n) + 1, L'\0');
    int got = ::GetWindowTextW(m_hWnd, buf.data(), n + 1);
    buf.resize(static_cast<size_t>(got > 0 ? got : 0));
    out = CString(buf);
}

int CWnd::GetDlgItemText(int id, CString& out) const {
    HWND item = ::GetDlgItem(m_hWnd, id);
    out.Empty();
    if (!item) return 0;
    FromHandle(item)->GetWindowText(out);
    return out.GetLength();
}

void CWnd::ScreenToClient(LPRECT rc) const {
    assert(rc);
    ::ScreenToClient(m_hWnd, reinterpret_cast<LPPOINT>(&rc->left));
    ::ScreenToClient(m_hWnd, reinterpret_cast<LPPOINT>(&rc->right));
}

void CWnd::CenterWindow() {
    assert(m_hWnd);
    HWND owner = (GetStyle() & WS_CHILD) ? ::GetParent(m_hWnd) : ::GetWindow(m_hWnd, GW_OWNER);
    MONITORINFO mi{};
    mi.cbSize = sizeof(mi);
    ::GetMonitorInfoW(::MonitorFromWindow(m_hWnd, MONITOR_DEFAULTTOPRIMARY), &mi);
    CRect area(mi.rcWork), centre(mi.rcWork), self;
    GetWindowRect(&self);
    if (owner && ::IsWindowVisible(owner) && !::IsIconic(owner)) ::GetWindowRect(owner, &centre);
    int x = (centre.left + centre.right) / 2 - self.Width() / 2;
    int y = (centre.top + centre.bottom) / 2 - self.Height() / 2;
    if (x + self.Width() > area.right) x = area.right - self.Width();
    if (x < area.left) x = area.left;
    if (y + self.Height() > area.bottom) y = area.bottom - self.Height();
    if (y < area.top) y = area.top;
    if (GetStyle() & WS_CHILD) {
        POINT p{x, y};
        ::ScreenToClient(::GetParent(m_hWnd), &p);
        x = p.x, y = p.y;
    }
    ::SetWindowPos(m_hWnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

CMenu* CWnd::GetSystemMenu(BOOL revert) const {
    return CMenu::FromHandle(::GetSystemMenu(m_hWnd, revert));
}

int CWnd::MessageBox(LPCWSTR text, LPCWSTR caption, UINT type) {
    return AfxShowMessageBox(m_hWnd, text, caption ? caption : AfxGetAppName(), type);
}

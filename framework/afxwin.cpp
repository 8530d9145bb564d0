// Window dispatch, creation hooks, dialogs, data exchange, message boxes, traces and the application object.
#include "afxwin.h"

#include <memory>
#include <mutex>
#include <new>
#include <set>
#include <unordered_map>
#include <vector>

namespace {

struct CurrentMessage {
    HWND hwnd;
    UINT msg;
    WPARAM wParam;
    LPARAM lParam;
};

// Windows belong to the user-interface thread; only traces come from other threads.
struct WindowState {
    std::unordered_map<HWND, CWnd*> permanent;
    std::unordered_map<HWND, std::unique_ptr<CWnd>> temporary;
    std::unordered_map<HMENU, std::unique_ptr<CMenu>> menus;
    CWnd* pWndInit = nullptr;        // the object that the next created window belongs to
    LPCWSTR awaitedClass = nullptr;  // the class of that window (a name or an atom)
    HHOOK createHook = nullptr;
    CurrentMessage current{};
};

WindowState& State() {
    static WindowState state;
    return state;
}

CWinApp* g_pApp = nullptr;

// The system's dialog class, "#32770", as the atom that windows of it carry.
constexpr WORD kDialogClassAtom = 0x8002;

std::mutex g_traceMutex;
AfxTraceSink g_traceSink;

// Windows may create the thread's default IME window (class "IME") or another input-method window
// (a class with CS_IME) inside the creation of the thread's first top-level window, and the hook sees
// it before the window being created. Wine creates those windows later, so only Windows shows this.
bool IsInputMethodWindow(HWND hwnd) {
    if (::GetClassLongPtrW(hwnd, GCL_STYLE) & CS_IME) return true;
    wchar_t name[8] = {};
    return ::GetClassNameW(hwnd, name, 8) > 0 && lstrcmpiW(name, L"IME") == 0;
}

// Whether the window being created is of the class the pending creation asked for.
bool IsAwaitedClass(HWND hwnd, LPCWSTR awaited) {
    if (!awaited) return true;
    if (IS_INTRESOURCE(awaited))
        return ::GetClassWord(hwnd, GCW_ATOM) == LOWORD(reinterpret_cast<ULONG_PTR>(awaited));
    wchar_t name[256] = {};
    return ::GetClassNameW(hwnd, name, 256) > 0 && lstrcmpiW(name, awaited) == 0;
}

LRESULT CALLBACK CreateHook(int code, WPARAM wParam, LPARAM lParam) {
    WindowState& st = State();
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

// Installs the creation hook unless an outer creation already did; says whether it did.
// The hook binds wnd to the next window of the class awaitedClass that is not an input-method window.
bool HookWindowCreate(CWnd* wnd, LPCWSTR awaitedClass) {
    WindowState& st = State();
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
    WindowState& st = State();
    st.pWndInit = nullptr;
    st.awaitedClass = nullptr;
    if (installed && st.createHook) {
        ::UnhookWindowsHookEx(st.createHook);
        st.createHook = nullptr;
    }
}

} // namespace

void AfxSetCreateTestHook(void (*hook)()) {
    g_createTestHook = hook;
}

namespace {

void PurgeTemporaryWindows() {
    auto& temp = State().temporary;
    for (auto it = temp.begin(); it != temp.end();)
        it = ::IsWindow(it->first) ? std::next(it) : temp.erase(it);
}

LPCWSTR DefaultChildClass() {
    static const wchar_t* name = [] {
        WNDCLASSW wc{};
        wc.style = CS_DBLCLKS;
        wc.lpfnWndProc = ::DefWindowProcW;
        wc.hInstance = AfxGetInstanceHandle();
        wc.hCursor = ::LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));
        wc.lpszClassName = L"OrvaneWnd";
        ::RegisterClassW(&wc);
        return L"OrvaneWnd";
    }();
    return name;
}

INT_PTR CALLBACK DialogProc(HWND, UINT, WPARAM, LPARAM) {
    // Everything is handled by the subclass procedure in front of the dialog manager.
    return FALSE;
}

// ---- message boxes

struct PendingBox {
    AfxMessageBoxRequest request;
    UINT_PTR timer = 0;
};

AfxMessageBoxResponder g_responder;
std::vector<PendingBox*> g_boxes;
HHOOK g_boxHook = nullptr;
constexpr UINT kResponderPeriodMs = 15;

bool IsDialogClass(LPCWSTR cls) {
    if (IS_INTRESOURCE(cls)) return LOWORD(reinterpret_cast<ULONG_PTR>(cls)) == kDialogClassAtom;
    return cls && lstrcmpiW(cls, L"#32770") == 0;
}

void CALLBACK ResponderTick(HWND, UINT, UINT_PTR id, DWORD) {
    for (PendingBox* box : g_boxes) {
        if (box->timer != id) continue;
        if (!box->request.box || !g_responder) return;
        int answer = g_responder(box->request);
        if (answer == 0) return;
        ::KillTimer(nullptr, id);
        box->timer = 0;
        // As if the user clicked the button: the box ends its own modal loop.
        ::PostMessageW(box->request.box, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED),
                       reinterpret_cast<LPARAM>(::GetDlgItem(box->request.box, answer)));
        return;
    }
}

LRESULT CALLBACK BoxHook(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_CREATEWND) {
        auto* cw = reinterpret_cast<CBT_CREATEWNDW*>(lParam);
        if (IsDialogClass(cw->lpcs->lpszClass) && !g_boxes.empty() && !g_boxes.back()->request.box) {
            PendingBox* box = g_boxes.back();
            box->request.box = reinterpret_cast<HWND>(wParam);
            box->timer = ::SetTimer(nullptr, 0, kResponderPeriodMs, ResponderTick);
        }
    }
    return ::CallNextHookEx(g_boxHook, code, wParam, lParam);
}

} // namespace

// ---------------------------------------------------------------------------------------------
// CCmdTarget

const AFX_MSGMAP* CCmdTarget::GetThisMessageMap() {
    static const AFX_MSGMAP_ENTRY entries[] = {{0, 0, 0, 0, nullptr}};
    static const AFX_MSGMAP map = {nullptr, &entries[0]};
    return &map;
}
const AFX_MSGMAP* CCmdTarget::GetMessageMap() const {
    return GetThisMessageMap();
}

// ---------------------------------------------------------------------------------------------
// Window procedure

LRESULT CALLBACK AfxWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    CWnd* wnd = CWnd::FromHandlePermanent(hwnd);
    if (!wnd) return ::DefWindowProcW(hwnd, msg, wParam, lParam);

    WindowState& st = State();
    CurrentMessage saved = st.current;
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
        // The window is gone: give the handle back and let the object know.
        if (wnd->m_pfnSuper &&
            reinterpret_cast<WNDPROC>(::GetWindowLongPtrW(hwnd, GWLP_WNDPROC)) == &AfxWndProc)
            ::SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(wnd->m_pfnSuper));
        wnd->Detach();
        wnd->m_pfnSuper = nullptr;
        wnd->PostNcDestroy();
    }
    return result;
}

// ---------------------------------------------------------------------------------------------
// CWnd

const AFX_MSGMAP* CWnd::GetThisMessageMap() {
    static const AFX_MSGMAP_ENTRY entries[] = {{0, 0, 0, 0, nullptr}};
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
    auto& perm = State().permanent;
    auto it = perm.find(h);
    return it == perm.end() ? nullptr : it->second;
}

CWnd* CWnd::FromHandle(HWND h) {
    if (!h) return nullptr;
    if (CWnd* w = FromHandlePermanent(h)) return w;
    auto& temp = State().temporary;
    auto it = temp.find(h);
    if (it != temp.end()) return it->second.get();
    if (temp.size() > 256) PurgeTemporaryWindows();
    auto wrapper = std::make_unique<CWnd>();
    wrapper->m_hWnd = h; // borrowed: never in the permanent map, never destroyed by us
    CWnd* raw = wrapper.get();
    temp.emplace(h, std::move(wrapper));
    return raw;
}

BOOL CWnd::Attach(HWND h) {
    if (!h || FromHandlePermanent(h)) return FALSE;
    auto& temp = State().temporary;
    auto it = temp.find(h);
    if (it != temp.end()) {
        it->second->m_hWnd = nullptr;
        temp.erase(it);
    }
    m_hWnd = h;
    State().permanent[h] = this;
    return TRUE;
}

HWND CWnd::Detach() {
    HWND h = m_hWnd;
    if (h) {
        auto& perm = State().permanent;
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

BOOL CWnd::Create(LPCWSTR className, LPCWSTR windowName, DWORD style, const RECT& rect, CWnd* parent, UINT id,
                  void*) {
    return CreateEx(0, className, windowName, style | WS_CHILD, rect, parent, id);
}

BOOL CWnd::CreateEx(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style, const RECT& rect,
                    CWnd* parent, UINT id, LPVOID param) {
    if (!className) className = DefaultChildClass();
    bool installed = HookWindowCreate(this, className);
    HWND h =
        ::CreateWindowExW(exStyle, className, windowName, style, rect.left, rect.top, rect.right - rect.left,
                          rect.bottom - rect.top, parent ? parent->m_hWnd : nullptr,
                          (style & WS_CHILD) ? reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)) : nullptr,
                          AfxGetInstanceHandle(), param);
    UnhookWindowCreate(installed);
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
    for (const AFX_MSGMAP* map = GetMessageMap(); map;
         map = map->pfnGetBaseMap ? map->pfnGetBaseMap() : nullptr) {
        for (const AFX_MSGMAP_ENTRY* e = map->lpEntries; e->pfn; ++e) {
            if (e->nMessage != msg) continue;
            if (msg == WM_COMMAND) {
                UINT code = HIWORD(wParam), id = LOWORD(wParam);
                if (e->nCode != code || id < e->nID || id > e->nLastID) continue;
            }
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
    const CurrentMessage& cur = State().current;
    return DefWindowProc(cur.msg, cur.wParam, cur.lParam);
}

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
    ::ScreenToClient(m_hWnd, reinterpret_cast<LPPOINT>(&rc->left));
    ::ScreenToClient(m_hWnd, reinterpret_cast<LPPOINT>(&rc->right));
}

void CWnd::ClientToScreen(LPRECT rc) const {
    ::ClientToScreen(m_hWnd, reinterpret_cast<LPPOINT>(&rc->left));
    ::ClientToScreen(m_hWnd, reinterpret_cast<LPPOINT>(&rc->right));
}

void CWnd::CenterWindow(CWnd* alternateOwner) {
    HWND owner = alternateOwner
                     ? alternateOwner->m_hWnd
                     : ((GetStyle() & WS_CHILD) ? ::GetParent(m_hWnd) : ::GetWindow(m_hWnd, GW_OWNER));
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

CDC* CWnd::GetDC() {
    auto* dc = new CDC;
    dc->Attach(::GetDC(m_hWnd));
    return dc;
}

CDC* CWnd::GetWindowDC() {
    auto* dc = new CDC;
    dc->Attach(::GetWindowDC(m_hWnd));
    return dc;
}

int CWnd::ReleaseDC(CDC* dc) {
    if (!dc) return 0;
    int r = ::ReleaseDC(m_hWnd, dc->Detach());
    delete dc;
    return r;
}

CMenu* CWnd::GetSystemMenu(BOOL revert) const {
    return CMenu::FromHandle(::GetSystemMenu(m_hWnd, revert));
}

int CWnd::MessageBox(LPCWSTR text, LPCWSTR caption, UINT type) {
    return AfxShowMessageBox(m_hWnd, text, caption ? caption : AfxGetAppName(), type);
}

// ---------------------------------------------------------------------------------------------
// CDialog

BEGIN_MESSAGE_MAP(CDialog, CWnd)
ON_MESSAGE(WM_INITDIALOG, HandleInitDialog)
ON_COMMAND(IDOK, OnOK)
ON_COMMAND(IDCANCEL, OnCancel)
END_MESSAGE_MAP()

CDialog::CDialog(UINT templateId, CWnd* parent)
    : m_nIDHelp(templateId), m_lpszTemplateName(MAKEINTRESOURCEW(templateId)), m_pParentWnd(parent) {}

INT_PTR CDialog::DoModal() {
    HWND owner = m_pParentWnd ? m_pParentWnd->m_hWnd : nullptr;
    if (!owner) {
        // Like any box, a dialog without a parent belongs to the window the user is working in.
        CWnd* main = AfxGetMainWnd();
        HWND active = ::GetActiveWindow();
        if (main != this && active)
            owner = active;
        else if (main && main != this && main->m_hWnd)
            owner = main->m_hWnd;
    }
    bool installed = HookWindowCreate(this, MAKEINTATOM(kDialogClassAtom));
    INT_PTR result = ::DialogBoxParamW(AfxGetResourceHandle(), m_lpszTemplateName, owner, DialogProc, 0);
    UnhookWindowCreate(installed);
    PurgeTemporaryWindows();
    return result;
}

LRESULT CDialog::HandleInitDialog(WPARAM, LPARAM) {
    CRect before, after;
    GetWindowRect(&before);
    BOOL result = OnInitDialog();
    GetWindowRect(&after);
    // Centred only after initialisation, and only when initialisation left it where the template put it.
    if (before == after) CenterWindow();
    return result;
}

BOOL CDialog::OnInitDialog() {
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::EndDialog(int result) {
    ::EndDialog(m_hWnd, result);
}

BOOL CDialog::UpdateData(BOOL saveAndValidate) {
    CDataExchange dx(this, saveAndValidate);
    DoDataExchange(&dx);
    return TRUE;
}

void CDialog::OnOK() {
    if (!UpdateData(TRUE)) return;
    EndDialog(IDOK);
}

void CDialog::OnCancel() {
    EndDialog(IDCANCEL);
}

void DDX_Control(CDataExchange* pDX, int id, CWnd& control) {
    if (!control.m_hWnd) control.SubclassDlgItem(static_cast<UINT>(id), pDX->m_pDlgWnd);
}

void DDX_Text(CDataExchange* pDX, int id, CString& value) {
    if (pDX->m_bSaveAndValidate)
        pDX->m_pDlgWnd->GetDlgItemText(id, value);
    else
        pDX->m_pDlgWnd->SetDlgItemText(id, value);
}

void DDX_Text(CDataExchange* pDX, int id, int& value) {
    if (pDX->m_bSaveAndValidate) {
        BOOL ok = FALSE;
        int v = static_cast<int>(::GetDlgItemInt(pDX->m_pDlgWnd->m_hWnd, id, &ok, TRUE));
        if (ok) value = v;
    } else {
        ::SetDlgItemInt(pDX->m_pDlgWnd->m_hWnd, id, static_cast<UINT>(value), TRUE);
    }
}

// ---------------------------------------------------------------------------------------------
// Controls and menus

int CListBox::GetText(int i, CString& out) const {
    LRESULT n = SendMessage(LB_GETTEXTLEN, static_cast<WPARAM>(i));
    if (n == LB_ERR) {
        out.Empty();
        return LB_ERR;
    }
    std::wstring buf(static_cast<size_t>(n) + 1, L'\0');
    LRESULT got = SendMessage(LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(buf.data()));
    buf.resize(got > 0 ? static_cast<size_t>(got) : 0);
    out = CString(buf);
    return static_cast<int>(got);
}

CMenu* CMenu::FromHandle(HMENU h) {
    if (!h) return nullptr;
    auto& menus = State().menus;
    auto& slot = menus[h];
    if (!slot) {
        slot = std::make_unique<CMenu>();
        slot->m_hMenu = h;
    }
    return slot.get();
}

// ---------------------------------------------------------------------------------------------
// Message boxes and traces

void AfxSetMessageBoxResponder(AfxMessageBoxResponder responder) {
    g_responder = std::move(responder);
}

int AfxShowMessageBox(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type) {
    if (!caption) caption = AfxGetAppName();
    if (!g_responder) return ::MessageBoxW(owner, text, caption, type);

    // A real box with its own modal loop; a timer of its loop asks the responder for the answer.
    PendingBox pending{{CString(text), CString(caption), type, owner, nullptr}};
    g_boxes.push_back(&pending);
    bool installed = false;
    if (!g_boxHook) {
        g_boxHook = ::SetWindowsHookExW(WH_CBT, BoxHook, nullptr, ::GetCurrentThreadId());
        installed = true;
    }
    int result = ::MessageBoxW(owner, text, caption, type);
    if (pending.timer) ::KillTimer(nullptr, pending.timer);
    g_boxes.pop_back();
    if (installed) {
        ::UnhookWindowsHookEx(g_boxHook);
        g_boxHook = nullptr;
    }
    return result;
}

static HWND DefaultBoxOwner() {
    HWND active = ::GetActiveWindow();
    if (active) return active;
    CWnd* main = AfxGetMainWnd();
    return main ? main->m_hWnd : nullptr;
}

// The framework's own boxes carry the classic default icon when the caller gives none.
UINT AfxDefaultBoxIcon(UINT type) {
    if (type & MB_ICONMASK) return type;
    switch (type & MB_TYPEMASK) {
    case MB_OK:
    case MB_OKCANCEL:
        return type | MB_ICONEXCLAMATION;
    case MB_YESNO:
    case MB_YESNOCANCEL:
        return type | MB_ICONQUESTION;
    default:
        return type;
    }
}

int AfxMessageBox(LPCWSTR text, UINT type, UINT) {
    return AfxShowMessageBox(DefaultBoxOwner(), text, nullptr, AfxDefaultBoxIcon(type));
}

int AfxMessageBox(UINT idPrompt, UINT type, UINT) {
    const wchar_t* res = nullptr;
    int n = ::LoadStringW(AfxGetResourceHandle(), idPrompt, reinterpret_cast<LPWSTR>(&res), 0);
    CString text = n > 0 ? CString(res, n) : CString();
    return AfxMessageBox(text, type);
}

namespace {

bool IsAscii(const char* text) {
    for (; *text; ++text)
        if (static_cast<unsigned char>(*text) > 0x7F) return false;
    return true;
}

// The program's own texts are written in UTF-8; a debugger on the user's PC reads the ANSI code page
// (949 on Korean Windows). Characters the code page lacks become its default character.
CStringA OwnTextToAnsi(const char* utf8) {
    return IsAscii(utf8) ? CStringA(utf8) : AfxWideToAnsi(AfxUtf8ToWide(utf8));
}

void EmitTrace(const CStringA& line) {
    ::OutputDebugStringA(line);
    std::lock_guard<std::mutex> lock(g_traceMutex);
    if (g_traceSink) g_traceSink(line);
}

} // namespace

void AfxTrace(const char* fmt, ...) {
    // Only the format is the program's text: arguments (replies, list entries) go out as the bytes they are.
    const CStringA ansiFormat = OwnTextToAnsi(fmt);
    CStringA line;
    va_list ap;
    va_start(ap, fmt);
    line.FormatV(ansiFormat, ap);
    va_end(ap);
    EmitTrace(line);
}

void AfxTraceText(const char* utf8Line) {
    EmitTrace(OwnTextToAnsi(utf8Line));
}

void AfxSetTraceSink(AfxTraceSink sink) {
    std::lock_guard<std::mutex> lock(g_traceMutex);
    g_traceSink = std::move(sink);
}

// ---------------------------------------------------------------------------------------------
// Application

LPCWSTR AfxGetAppName() {
    if (g_pApp && g_pApp->m_pszAppName) return g_pApp->m_pszAppName;
    static const CString name = [] {
        wchar_t path[MAX_PATH] = {};
        DWORD n = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
        std::wstring s(path, n);
        size_t slash = s.find_last_of(L"\\/");
        if (slash != std::wstring::npos) s.erase(0, slash + 1);
        size_t dot = s.find_last_of(L'.');
        if (dot != std::wstring::npos) s.erase(dot);
        return CString(s);
    }();
    return name;
}

HINSTANCE AfxGetInstanceHandle() {
    return ::GetModuleHandleW(nullptr);
}
HINSTANCE AfxGetResourceHandle() {
    return ::GetModuleHandleW(nullptr);
}
CWinApp* AfxGetApp() {
    return g_pApp;
}
CWnd* AfxGetMainWnd() {
    return g_pApp ? g_pApp->m_pMainWnd : nullptr;
}
void AfxEnableControlContainer() {}

LPCWSTR AfxRegisterWndClass(UINT classStyle, HCURSOR cursor, HBRUSH background, HICON icon) {
    static std::set<std::wstring> names;
    CString name;
    name.Format(L"Afx:%p:%x:%p:%p:%p", static_cast<void*>(AfxGetInstanceHandle()), classStyle,
                static_cast<void*>(cursor), static_cast<void*>(background), static_cast<void*>(icon));
    const std::wstring& stored = *names.insert(name.str()).first;
    WNDCLASSW wc{};
    if (!::GetClassInfoW(AfxGetInstanceHandle(), stored.c_str(), &wc)) {
        wc.style = classStyle;
        wc.lpfnWndProc = ::DefWindowProcW;
        wc.hInstance = AfxGetInstanceHandle();
        wc.hCursor = cursor;
        wc.hbrBackground = background;
        wc.hIcon = icon;
        wc.lpszClassName = stored.c_str();
        if (!::RegisterClassW(&wc)) return nullptr;
    }
    return stored.c_str();
}

BEGIN_MESSAGE_MAP(CWinApp, CCmdTarget)
ON_COMMAND(0xE146, OnHelp)
END_MESSAGE_MAP()

CWinApp::CWinApp(LPCWSTR appName) : m_hInstance(::GetModuleHandleW(nullptr)), m_pszAppName(appName) {
    if (!g_pApp) g_pApp = this;
}

CWinApp::~CWinApp() {
    if (g_pApp == this) g_pApp = nullptr;
}

HICON CWinApp::LoadIcon(UINT id) const {
    return ::LoadIconW(AfxGetResourceHandle(), MAKEINTRESOURCEW(id));
}

int AfxWinMain() {
    CWinApp* app = AfxGetApp();
    if (!app) return -1;
    if (!app->InitInstance()) return app->ExitInstance();
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    return app->ExitInstance();
}

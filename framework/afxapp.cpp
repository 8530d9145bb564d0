// The application object, AfxWinMain and the application-wide helpers: names, handles, window classes.
#include "framework/afxapp.h"

#include <set>
#include <string>

#include "framework/afxstr.h"
#include "framework/afxwnd.h"

namespace {

CWinApp* g_pApp = nullptr;

} // namespace

LPCWSTR AfxGetAppName() {
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
ON_COMMAND(ID_HELP, OnHelp)
END_MESSAGE_MAP()

CWinApp::CWinApp() {
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
    if (!app->InitInstance()) return 0;
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    return 0;
}

// Message boxes: shown by the system, answered by a test's responder through a timer of the box's own loop.
#include "framework/afxmsgbox.h"

#include <vector>

#include "framework/afxapp.h"
#include "framework/afxstate.h"
#include "framework/afxwnd.h"

namespace {

struct PendingBox {
    AfxMessageBoxRequest request;
    UINT_PTR timer = 0;
};

AfxMessageBoxResponder g_responder;
std::vector<PendingBox*> g_boxes;
HHOOK g_boxHook = nullptr;
constexpr UINT kResponderPeriodMs = 15;

bool IsDialogClass(LPCWSTR cls) {
    if (IS_INTRESOURCE(cls)) return LOWORD(reinterpret_cast<ULONG_PTR>(cls)) == afxstate::kDialogClassAtom;
    return cls && lstrcmpiW(cls, afxstate::kDialogClassName) == 0;
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

HWND DefaultBoxOwner() {
    HWND active = ::GetActiveWindow();
    if (active) return active;
    CWnd* main = AfxGetMainWnd();
    return main ? main->m_hWnd : nullptr;
}

} // namespace

void AfxSetMessageBoxResponder(AfxMessageBoxResponder responder) {
    g_responder = std::move(responder);
}

int AfxShowMessageBox(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type) {
    if (!caption) caption = AfxGetAppName();
    if (!g_responder) return ::MessageBoxW(owner, text, caption, type);

    // A real box with its own modal loop; a timer of its loop asks the responder for the answer.
    PendingBox pending{{CString(text), CString(caption), type, nullptr}};
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

int AfxMessageBox(UINT idPrompt, UINT type) {
    const wchar_t* res = nullptr;
    int n = ::LoadStringW(AfxGetResourceHandle(), idPrompt, reinterpret_cast<LPWSTR>(&res), 0);
    CString text = n > 0 ? CString(res, n) : CString();
    return AfxMessageBox(text, type);
}

// The framework's internal shared state: handle-to-object maps, the current message, the pending creation.
// Only framework/ sources include it; the program and the tests never do.
#pragma once

#include <memory>
#include <unordered_map>

#include "framework/afxctrl.h"
#include "framework/afxwnd.h"

namespace afxstate {

// The system's dialog class, "#32770" (WC_DIALOG), as the atom that windows of it carry.
constexpr WORD kDialogClassAtom = 0x8002;
constexpr wchar_t kDialogClassName[] = L"#32770";

struct CurrentMessage {
    HWND hwnd;
    UINT msg;
    WPARAM wParam;
    LPARAM lParam;
};

// Windows belong to the user-interface thread; only traces come from other threads.
struct WindowState {
    std::unordered_map<HWND, CWnd*> permanent;
    std::unordered_map<HWND, std::unique_ptr<CWnd>> temporary; // borrowed wrappers made by FromHandle
    std::unordered_map<HMENU, std::unique_ptr<CMenu>> menus;
    CWnd* pWndInit = nullptr;       // the object that the next created window belongs to
    LPCWSTR awaitedClass = nullptr; // the class of that window (a name or an atom)
    HHOOK createHook = nullptr;
    CurrentMessage current{};
};

WindowState& Windows();

// Drops the borrowed wrappers of windows that no longer exist.
void PurgeTemporaryWindows();

// Installs the creation hook unless an outer creation already did; says whether it did.
// The hook binds wnd to the next window of the class awaitedClass that is not an input-method window.
bool HookWindowCreate(CWnd* wnd, LPCWSTR awaitedClass);
void UnhookWindowCreate(bool installed);

} // namespace afxstate

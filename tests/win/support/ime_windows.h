// Input-method windows that appear before the window being created, as Windows makes the thread's
// default IME window inside the creation of its first top-level window (Wine makes it later).
#pragma once

#include <vector>
#include <windows.h>

#include "framework/afxwin.h"

namespace imetest {

inline std::vector<HWND>& Created() {
    static std::vector<HWND> windows;
    return windows;
}

inline HWND MakeWindowOfClass(const wchar_t* name, UINT style) {
    WNDCLASSW wc{};
    wc.style = style;
    wc.lpfnWndProc = ::DefWindowProcW;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = name;
    ::RegisterClassW(&wc); // may exist already: its windows serve as well
    return ::CreateWindowExW(0, name, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, wc.hInstance, nullptr);
}

// One window of a class with CS_IME, one of a class named "ime" (the system's is "IME"; names are
// compared without case), both made while the creation hook already waits for its own window.
inline void MakeImeWindows() {
    ::AfxSetCreateTestHook(nullptr); // once per creation: windows made here must not recurse
    Created().push_back(MakeWindowOfClass(L"OrvaneTestImeUi", CS_IME));
    Created().push_back(MakeWindowOfClass(L"ime", 0));
}

// Makes the next creation of a window of the framework meet the two windows first.
class ScopedImeWindows {
  public:
    ScopedImeWindows() { ::AfxSetCreateTestHook(&MakeImeWindows); }
    ~ScopedImeWindows() {
        ::AfxSetCreateTestHook(nullptr);
        for (HWND h : Created())
            if (h) ::DestroyWindow(h);
        Created().clear();
    }
    ScopedImeWindows(const ScopedImeWindows&) = delete;
    ScopedImeWindows& operator=(const ScopedImeWindows&) = delete;
    // Both were made and none of them was taken by a framework object.
    bool MadeAndLeftAlone() const {
        if (Created().size() != 2) return false;
        for (HWND h : Created())
            if (!h || CWnd::FromHandlePermanent(h)) return false;
        return true;
    }
};

// Ends any dialog of this thread that is still open after ms: a dialog bound to the wrong window
// never initialises and would otherwise run its modal loop for ever.
class DialogWatchdog {
  public:
    explicit DialogWatchdog(UINT ms) : m_timer(::SetTimer(nullptr, 0, ms, &Fire)) {}
    ~DialogWatchdog() { ::KillTimer(nullptr, m_timer); }
    DialogWatchdog(const DialogWatchdog&) = delete;
    DialogWatchdog& operator=(const DialogWatchdog&) = delete;
    static bool& Fired() {
        static bool fired = false;
        return fired;
    }

  private:
    static void CALLBACK Fire(HWND, UINT, UINT_PTR, DWORD) {
        ::EnumThreadWindows(
            ::GetCurrentThreadId(),
            [](HWND h, LPARAM) -> BOOL {
                wchar_t cls[16] = {};
                ::GetClassNameW(h, cls, 16);
                if (lstrcmpW(cls, L"#32770") == 0) {
                    Fired() = true;
                    ::EndDialog(h, -2);
                }
                return TRUE;
            },
            0);
    }
    UINT_PTR m_timer;
};

} // namespace imetest

// Windows: CWnd, the one window procedure that dispatches through the message maps, and the creation hook.
//
// Classes: CWnd. Every window the program creates or subclasses is dispatched by AfxWndProc through an
// HWND-to-object map and the static message-map tables declared with each class.
#pragma once

#include <cassert>

#include "framework/afxmsgmap.h"
#include "framework/afxstr.h"
#include "framework/afxtypes.h"

class CMenu;

class CWnd : public CCmdTarget {
  public:
    HWND m_hWnd = nullptr;

    CWnd() = default;
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;
    ~CWnd() override;

    HWND GetSafeHwnd() const { return m_hWnd; }

    // A permanent object if the handle is attached to one, else a borrowed wrapper.
    static CWnd* FromHandle(HWND h);
    static CWnd* FromHandlePermanent(HWND h);
    BOOL Attach(HWND h);
    HWND Detach();
    BOOL SubclassWindow(HWND h);
    BOOL SubclassDlgItem(UINT id, CWnd* parent);
    void SetSuperProc(WNDPROC proc); // the procedure that default handling calls

    // A null class name takes the framework's default child window class.
    virtual BOOL Create(LPCWSTR className, LPCWSTR windowName, DWORD style, const RECT& rect, CWnd* parent,
                        UINT id);
    BOOL CreateEx(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style, const RECT& rect,
                  CWnd* parent, UINT id);
    virtual BOOL DestroyWindow();

    virtual LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam);
    virtual BOOL OnWndMsg(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result);
    virtual LRESULT DefWindowProc(UINT msg, WPARAM wParam, LPARAM lParam);
    LRESULT Default(); // the default handling of the message being dispatched

    LRESULT SendMessage(UINT msg, WPARAM wp = 0, LPARAM lp = 0) const {
        return ::SendMessageW(m_hWnd, msg, wp, lp);
    }
    BOOL PostMessage(UINT msg, WPARAM wp = 0, LPARAM lp = 0) const {
        assert(m_hWnd); // a null window posts to the thread's queue instead
        return ::PostMessageW(m_hWnd, msg, wp, lp);
    }

    void SetWindowText(LPCWSTR s) { ::SetWindowTextW(m_hWnd, s); }
    void GetWindowText(CString& out) const;
    CString GetWindowText() const {
        CString s;
        GetWindowText(s);
        return s;
    }
    CWnd* GetDlgItem(int id) const { return FromHandle(::GetDlgItem(m_hWnd, id)); }
    void SetDlgItemText(int id, LPCWSTR s) { ::SetDlgItemTextW(m_hWnd, id, s); }
    int GetDlgItemText(int id, CString& out) const;
    UINT IsDlgButtonChecked(int id) const { return ::IsDlgButtonChecked(m_hWnd, id); }
    int GetDlgCtrlID() const { return ::GetDlgCtrlID(m_hWnd); }

    void GetWindowRect(LPRECT rc) const { ::GetWindowRect(m_hWnd, rc); }
    void GetClientRect(LPRECT rc) const { ::GetClientRect(m_hWnd, rc); }
    void ScreenToClient(LPRECT rc) const;
    void MoveWindow(int x, int y, int w, int h, BOOL repaint = TRUE) {
        ::MoveWindow(m_hWnd, x, y, w, h, repaint);
    }
    void MoveWindow(LPCRECT rc, BOOL repaint = TRUE) {
        assert(rc);
        MoveWindow(rc->left, rc->top, rc->right - rc->left, rc->bottom - rc->top, repaint);
    }
    // Over its owner (a child: its parent) when that is shown, else the work area; kept inside that area.
    void CenterWindow();
    BOOL IsWindowVisible() const { return ::IsWindowVisible(m_hWnd); }
    BOOL IsIconic() const { return ::IsIconic(m_hWnd); }
    DWORD GetStyle() const { return static_cast<DWORD>(::GetWindowLongPtrW(m_hWnd, GWL_STYLE)); }

    // A null window would invalidate every window of the desktop.
    void Invalidate(BOOL erase = TRUE) {
        assert(m_hWnd);
        ::InvalidateRect(m_hWnd, nullptr, erase);
    }
    // Not asserted: the owner of a check-list whose creation failed still asks it to redraw.
    BOOL RedrawWindow(LPCRECT rc = nullptr, HRGN rgn = nullptr,
                      UINT flags = RDW_INVALIDATE | RDW_UPDATENOW | RDW_ERASE) {
        return ::RedrawWindow(m_hWnd, rc, rgn, flags);
    }

    // Not asserted: the main dialog starts its device link's polling even when the link's window failed.
    UINT_PTR SetTimer(UINT_PTR id, UINT elapse, TIMERPROC proc = nullptr) {
        return ::SetTimer(m_hWnd, id, elapse, proc);
    }
    BOOL KillTimer(UINT_PTR id) { return ::KillTimer(m_hWnd, id); }

    BOOL SetScrollInfo(int bar, LPSCROLLINFO info, BOOL redraw = TRUE) {
        ::SetScrollInfo(m_hWnd, bar, info, redraw);
        return TRUE;
    }
    BOOL GetScrollInfo(int bar, LPSCROLLINFO info, UINT mask = SIF_ALL) const {
        assert(info);
        info->cbSize = sizeof(SCROLLINFO);
        info->fMask = mask;
        return ::GetScrollInfo(m_hWnd, bar, info);
    }
    int GetScrollPos(int bar) const { return ::GetScrollPos(m_hWnd, bar); }
    int SetScrollPos(int bar, int pos, BOOL redraw = TRUE) {
        return ::SetScrollPos(m_hWnd, bar, pos, redraw);
    }
    void ShowScrollBar(UINT bar, BOOL show = TRUE) { ::ShowScrollBar(m_hWnd, static_cast<int>(bar), show); }

    HICON SetIcon(HICON icon, BOOL big) {
        return reinterpret_cast<HICON>(SendMessage(WM_SETICON, big, reinterpret_cast<LPARAM>(icon)));
    }
    CMenu* GetSystemMenu(BOOL revert) const;

    // Boxes owned by this window, captioned with the application's name unless told otherwise.
    int MessageBox(LPCWSTR text, LPCWSTR caption = nullptr, UINT type = MB_OK);

  protected:
    static const AFX_MSGMAP* GetThisMessageMap();
    const AFX_MSGMAP* GetMessageMap() const override;

    // Default handlers: derived classes call them to get the window's default behaviour.
    afx_msg void OnDestroy() { Default(); }
    afx_msg int OnCreate(LPCREATESTRUCTW) { return static_cast<int>(Default()); }

    WNDPROC m_pfnSuper = nullptr; // the procedure behind ours; null means DefWindowProcW

    friend LRESULT CALLBACK AfxWndProc(HWND, UINT, WPARAM, LPARAM);
};

LRESULT CALLBACK AfxWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

// Test seam: called once the creation hook waits for the window being created and before it is
// created, so that a test can make a foreign window (an input method's) appear first.
void AfxSetCreateTestHook(void (*hook)());

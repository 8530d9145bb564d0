// The application framework layer: windows, dialogs, static message maps, data exchange, message boxes,
// traces.
//
// Classes: CCmdTarget, CWnd, CDialog, CDataExchange, CListBox, CMenu, CWinApp.
// Every window the program creates or subclasses is dispatched by one window procedure
// through an HWND-to-object map and the static message-map tables declared with each class.
#pragma once

#include <functional>

#include "afxgdi.h"
#include "afxstr.h"
#include "afxtypes.h"

#define afx_msg

class CCmdTarget;
class CWnd;
class CDataExchange;
class CMenu;

// ---------------------------------------------------------------------------------------------
// Message maps

// One generated thunk per entry: it unpacks wParam/lParam and calls the member handler.
using AFX_PMSG_THUNK = LRESULT (*)(CCmdTarget* self, WPARAM wParam, LPARAM lParam);

struct AFX_MSGMAP_ENTRY {
    UINT nMessage; // window message
    UINT nCode;    // notification code for WM_COMMAND
    UINT nID;      // first control id for WM_COMMAND
    UINT nLastID;  // last control id of the range
    AFX_PMSG_THUNK pfn;
};

struct AFX_MSGMAP {
    const AFX_MSGMAP* (*pfnGetBaseMap)();
    const AFX_MSGMAP_ENTRY* lpEntries;
};

#define DECLARE_MESSAGE_MAP()                                                                                \
  protected:                                                                                                 \
    static const AFX_MSGMAP* GetThisMessageMap();                                                            \
    const AFX_MSGMAP* GetMessageMap() const override;                                                        \
                                                                                                             \
  private:

#define BEGIN_MESSAGE_MAP(theClass, baseClass)                                                               \
    const AFX_MSGMAP* theClass::GetMessageMap() const {                                                      \
        return GetThisMessageMap();                                                                          \
    }                                                                                                        \
    const AFX_MSGMAP* theClass::GetThisMessageMap() {                                                        \
        typedef theClass ThisClass;                                                                          \
        typedef baseClass TheBaseClass;                                                                      \
        static_assert(sizeof(ThisClass) > 0 && sizeof(TheBaseClass) > 0);                                    \
        static const AFX_MSGMAP_ENTRY _messageEntries[] = {

#define END_MESSAGE_MAP()                                                                                    \
    { 0, 0, 0, 0, nullptr }                                                                                  \
    }                                                                                                        \
    ;                                                                                                        \
    static const AFX_MSGMAP messageMap = {&TheBaseClass::GetThisMessageMap, &_messageEntries[0]};            \
    return &messageMap;                                                                                      \
    }

#define AFX_THUNK(body)                                                                                      \
    [](CCmdTarget* w_, WPARAM wp_, LPARAM lp_) -> LRESULT {                                                  \
        (void)wp_;                                                                                           \
        (void)lp_;                                                                                           \
        auto* t_ = static_cast<ThisClass*>(w_);                                                              \
        (void)t_;                                                                                            \
        body                                                                                                 \
    }

#define ON_COMMAND(id, memberFxn)                                                                            \
    { WM_COMMAND, 0, static_cast<UINT>(id), static_cast<UINT>(id), AFX_THUNK(t_->memberFxn(); return 0;) }   \
    ,
#define ON_BN_CLICKED(id, memberFxn) ON_COMMAND(id, memberFxn)
#define ON_CONTROL(code, id, memberFxn)                                                                      \
    {                                                                                                        \
        WM_COMMAND, static_cast<UINT>(code), static_cast<UINT>(id), static_cast<UINT>(id),                   \
            AFX_THUNK(t_->memberFxn(); return 0;)                                                            \
    }                                                                                                        \
    ,
#define ON_MESSAGE(msg, memberFxn)                                                                           \
    { static_cast<UINT>(msg), 0, 0, 0, AFX_THUNK(return t_->memberFxn(wp_, lp_);) }                          \
    ,
#define ON_WM_CREATE()                                                                                       \
    { WM_CREATE, 0, 0, 0, AFX_THUNK(return t_->OnCreate(reinterpret_cast<LPCREATESTRUCTW>(lp_));) }          \
    ,
#define ON_WM_DESTROY()                                                                                      \
    { WM_DESTROY, 0, 0, 0, AFX_THUNK(t_->OnDestroy(); return 0;) }                                           \
    ,
#define ON_WM_CLOSE()                                                                                        \
    { WM_CLOSE, 0, 0, 0, AFX_THUNK(t_->OnClose(); return 0;) }                                               \
    ,
#define ON_WM_PAINT()                                                                                        \
    { WM_PAINT, 0, 0, 0, AFX_THUNK(t_->OnPaint(); return 0;) }                                               \
    ,
#define ON_WM_NCPAINT()                                                                                      \
    { WM_NCPAINT, 0, 0, 0, AFX_THUNK(t_->OnNcPaint(); return 0;) }                                           \
    ,
#define ON_WM_ERASEBKGND()                                                                                   \
    {                                                                                                        \
        WM_ERASEBKGND, 0, 0, 0,                                                                              \
            AFX_THUNK(CDC dc_; dc_.Attach(reinterpret_cast<HDC>(wp_)); return t_->OnEraseBkgnd(&dc_);)       \
    }                                                                                                        \
    ,
#define ON_WM_TIMER()                                                                                        \
    { WM_TIMER, 0, 0, 0, AFX_THUNK(t_->OnTimer(static_cast<UINT_PTR>(wp_)); return 0;) }                     \
    ,
#define ON_WM_SYSCOMMAND()                                                                                   \
    { WM_SYSCOMMAND, 0, 0, 0, AFX_THUNK(t_->OnSysCommand(static_cast<UINT>(wp_), lp_); return 0;) }          \
    ,
#define ON_WM_QUERYDRAGICON()                                                                                \
    { WM_QUERYDRAGICON, 0, 0, 0, AFX_THUNK(return reinterpret_cast<LRESULT>(t_->OnQueryDragIcon());) }       \
    ,
#define ON_WM_SIZE()                                                                                         \
    {                                                                                                        \
        WM_SIZE, 0, 0, 0,                                                                                    \
            AFX_THUNK(t_->OnSize(static_cast<UINT>(wp_), static_cast<short>(LOWORD(lp_)),                    \
                                 static_cast<short>(HIWORD(lp_)));                                           \
                      return 0;)                                                                             \
    }                                                                                                        \
    ,
#define AFX_MOUSE_ENTRY(msg, memberFxn)                                                                      \
    { msg, 0, 0, 0, AFX_THUNK(t_->memberFxn(static_cast<UINT>(wp_), CPoint(lp_)); return 0;) }               \
    ,
#define ON_WM_LBUTTONDOWN() AFX_MOUSE_ENTRY(WM_LBUTTONDOWN, OnLButtonDown)
#define ON_WM_LBUTTONUP() AFX_MOUSE_ENTRY(WM_LBUTTONUP, OnLButtonUp)
#define ON_WM_LBUTTONDBLCLK() AFX_MOUSE_ENTRY(WM_LBUTTONDBLCLK, OnLButtonDblClk)
#define ON_WM_RBUTTONDOWN() AFX_MOUSE_ENTRY(WM_RBUTTONDOWN, OnRButtonDown)
#define ON_WM_MOUSEMOVE() AFX_MOUSE_ENTRY(WM_MOUSEMOVE, OnMouseMove)
#define AFX_SCROLL_ENTRY(msg, memberFxn)                                                                     \
    {                                                                                                        \
        msg, 0, 0, 0,                                                                                        \
            AFX_THUNK(                                                                                       \
                t_->memberFxn(LOWORD(wp_), HIWORD(wp_), CWnd::FromHandle(reinterpret_cast<HWND>(lp_)));      \
                return 0;)                                                                                   \
    }                                                                                                        \
    ,
#define ON_WM_VSCROLL() AFX_SCROLL_ENTRY(WM_VSCROLL, OnVScroll)
#define ON_WM_HSCROLL() AFX_SCROLL_ENTRY(WM_HSCROLL, OnHScroll)
#define ON_WM_MOUSEWHEEL()                                                                                   \
    {                                                                                                        \
        WM_MOUSEWHEEL, 0, 0, 0,                                                                              \
            AFX_THUNK(                                                                                       \
                POINT p_{static_cast<short>(LOWORD(lp_)), static_cast<short>(HIWORD(lp_))};                  \
                return t_->OnMouseWheel(GET_KEYSTATE_WPARAM(wp_), GET_WHEEL_DELTA_WPARAM(wp_), CPoint(p_));) \
    }                                                                                                        \
    ,
#define ON_WM_KEYDOWN()                                                                                      \
    {                                                                                                        \
        WM_KEYDOWN, 0, 0, 0,                                                                                 \
            AFX_THUNK(t_->OnKeyDown(static_cast<UINT>(wp_), LOWORD(lp_), HIWORD(lp_)); return 0;)            \
    }                                                                                                        \
    ,
#define ON_WM_SETFOCUS()                                                                                     \
    {                                                                                                        \
        WM_SETFOCUS, 0, 0, 0,                                                                                \
            AFX_THUNK(t_->OnSetFocus(CWnd::FromHandle(reinterpret_cast<HWND>(wp_))); return 0;)              \
    }                                                                                                        \
    ,
#define ON_WM_KILLFOCUS()                                                                                    \
    {                                                                                                        \
        WM_KILLFOCUS, 0, 0, 0,                                                                               \
            AFX_THUNK(t_->OnKillFocus(CWnd::FromHandle(reinterpret_cast<HWND>(wp_))); return 0;)             \
    }                                                                                                        \
    ,
#define ON_WM_GETDLGCODE()                                                                                   \
    { WM_GETDLGCODE, 0, 0, 0, AFX_THUNK(return t_->OnGetDlgCode();) }                                        \
    ,

class CCmdTarget {
  public:
    virtual ~CCmdTarget() = default;

  protected:
    static const AFX_MSGMAP* GetThisMessageMap();
    virtual const AFX_MSGMAP* GetMessageMap() const;
};

// ---------------------------------------------------------------------------------------------
// Message boxes, traces, application helpers

// What a test's responder is told about a box that is being shown.
struct AfxMessageBoxRequest {
    CString text;
    CString caption;
    UINT type;  // MB_ style bits
    HWND owner; // may be null
    HWND box;   // the box's own window, already running its modal loop
};
// Returns the button id (IDOK, IDYES, IDRETRY...) that answers the box, or 0 to leave it
// open for now and be asked again a moment later; the box's loop keeps dispatching meanwhile.
using AfxMessageBoxResponder = std::function<int(const AfxMessageBoxRequest&)>;
void AfxSetMessageBoxResponder(AfxMessageBoxResponder responder);

// The one place where every message box of the program is shown.
int AfxShowMessageBox(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type);
int AfxMessageBox(LPCWSTR text, UINT type = MB_OK, UINT helpId = 0);
int AfxMessageBox(UINT idPrompt, UINT type = MB_OK, UINT helpId = static_cast<UINT>(-1));

// The classic framework's default icon for a box of this type that names none: exclamation for OK
// and OK/Cancel, question for Yes/No and Yes/No/Cancel. AfxMessageBox adds it; CWnd::MessageBox does not.
UINT AfxDefaultBoxIcon(UINT type);

// Formats one trace line and writes it to the debugger output (OutputDebugStringA) in the system's
// ANSI code page. The format is the program's own UTF-8 text; %s arguments are passed on as their bytes.
void AfxTrace(const char* fmt, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;
// A whole line of the program's own UTF-8 text (already formatted), in the ANSI code page like AfxTrace.
void AfxTraceText(const char* utf8Line);
// Tests see every line exactly as the debugger gets it; empty to stop.
using AfxTraceSink = std::function<void(const char* line)>;
void AfxSetTraceSink(AfxTraceSink sink);

// Test seam: called once the creation hook waits for the window being created and before it is
// created, so that a test can make a foreign window (an input method's) appear first.
void AfxSetCreateTestHook(void (*hook)());

LPCWSTR AfxGetAppName(); // the executable's file name without its extension
HINSTANCE AfxGetInstanceHandle();
HINSTANCE AfxGetResourceHandle();
class CWinApp* AfxGetApp();
CWnd* AfxGetMainWnd();
void AfxEnableControlContainer();
LPCWSTR AfxRegisterWndClass(UINT classStyle, HCURSOR cursor = nullptr, HBRUSH background = nullptr,
                            HICON icon = nullptr);

// ---------------------------------------------------------------------------------------------
// Windows

class CWnd : public CCmdTarget {
  public:
    HWND m_hWnd = nullptr;

    CWnd() = default;
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;
    ~CWnd() override;

    HWND GetSafeHwnd() const { return m_hWnd; }
    operator HWND() const { return m_hWnd; }

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
                        UINT id, void* context = nullptr);
    BOOL CreateEx(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style, const RECT& rect,
                  CWnd* parent, UINT id, LPVOID param = nullptr);
    virtual BOOL DestroyWindow();

    virtual LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam);
    virtual BOOL OnWndMsg(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result);
    virtual LRESULT DefWindowProc(UINT msg, WPARAM wParam, LPARAM lParam);
    LRESULT Default(); // the default handling of the message being dispatched
    virtual void PostNcDestroy() {}

    LRESULT SendMessage(UINT msg, WPARAM wp = 0, LPARAM lp = 0) const {
        return ::SendMessageW(m_hWnd, msg, wp, lp);
    }
    BOOL PostMessage(UINT msg, WPARAM wp = 0, LPARAM lp = 0) const {
        return ::PostMessageW(m_hWnd, msg, wp, lp);
    }

    void SetWindowText(LPCWSTR s) { ::SetWindowTextW(m_hWnd, s); }
    void GetWindowText(CString& out) const;
    CString GetWindowText() const {
        CString s;
        GetWindowText(s);
        return s;
    }
    int GetWindowTextLength() const { return ::GetWindowTextLengthW(m_hWnd); }
    CWnd* GetDlgItem(int id) const { return FromHandle(::GetDlgItem(m_hWnd, id)); }
    void SetDlgItemText(int id, LPCWSTR s) { ::SetDlgItemTextW(m_hWnd, id, s); }
    int GetDlgItemText(int id, CString& out) const;
    void CheckDlgButton(int id, UINT check) { ::CheckDlgButton(m_hWnd, id, check); }
    UINT IsDlgButtonChecked(int id) const { return ::IsDlgButtonChecked(m_hWnd, id); }
    int GetDlgCtrlID() const { return ::GetDlgCtrlID(m_hWnd); }
    CWnd* GetParent() const { return FromHandle(::GetParent(m_hWnd)); }

    void GetWindowRect(LPRECT rc) const { ::GetWindowRect(m_hWnd, rc); }
    void GetClientRect(LPRECT rc) const { ::GetClientRect(m_hWnd, rc); }
    void ScreenToClient(LPPOINT p) const { ::ScreenToClient(m_hWnd, p); }
    void ScreenToClient(LPRECT rc) const;
    void ClientToScreen(LPPOINT p) const { ::ClientToScreen(m_hWnd, p); }
    void ClientToScreen(LPRECT rc) const;
    void MoveWindow(int x, int y, int w, int h, BOOL repaint = TRUE) {
        ::MoveWindow(m_hWnd, x, y, w, h, repaint);
    }
    void MoveWindow(LPCRECT rc, BOOL repaint = TRUE) {
        MoveWindow(rc->left, rc->top, rc->right - rc->left, rc->bottom - rc->top, repaint);
    }
    BOOL SetWindowPos(const CWnd* after, int x, int y, int cx, int cy, UINT flags) {
        return ::SetWindowPos(m_hWnd, after ? after->m_hWnd : nullptr, x, y, cx, cy, flags);
    }
    void CenterWindow(CWnd* alternateOwner = nullptr);
    BOOL ShowWindow(int cmd) { return ::ShowWindow(m_hWnd, cmd); }
    BOOL IsWindowVisible() const { return ::IsWindowVisible(m_hWnd); }
    BOOL IsIconic() const { return ::IsIconic(m_hWnd); }
    BOOL EnableWindow(BOOL enable = TRUE) { return ::EnableWindow(m_hWnd, enable); }
    BOOL IsWindowEnabled() const { return ::IsWindowEnabled(m_hWnd); }
    CWnd* SetFocus() { return FromHandle(::SetFocus(m_hWnd)); }
    DWORD GetStyle() const { return static_cast<DWORD>(::GetWindowLongPtrW(m_hWnd, GWL_STYLE)); }
    DWORD GetExStyle() const { return static_cast<DWORD>(::GetWindowLongPtrW(m_hWnd, GWL_EXSTYLE)); }

    void Invalidate(BOOL erase = TRUE) { ::InvalidateRect(m_hWnd, nullptr, erase); }
    void InvalidateRect(LPCRECT rc, BOOL erase = TRUE) { ::InvalidateRect(m_hWnd, rc, erase); }
    void UpdateWindow() { ::UpdateWindow(m_hWnd); }
    BOOL RedrawWindow(LPCRECT rc = nullptr, HRGN rgn = nullptr,
                      UINT flags = RDW_INVALIDATE | RDW_UPDATENOW | RDW_ERASE) {
        return ::RedrawWindow(m_hWnd, rc, rgn, flags);
    }
    CDC* GetDC();
    CDC* GetWindowDC();
    int ReleaseDC(CDC* dc);

    UINT_PTR SetTimer(UINT_PTR id, UINT elapse, TIMERPROC proc = nullptr) {
        return ::SetTimer(m_hWnd, id, elapse, proc);
    }
    BOOL KillTimer(UINT_PTR id) { return ::KillTimer(m_hWnd, id); }

    BOOL SetScrollInfo(int bar, LPSCROLLINFO info, BOOL redraw = TRUE) {
        ::SetScrollInfo(m_hWnd, bar, info, redraw);
        return TRUE;
    }
    BOOL GetScrollInfo(int bar, LPSCROLLINFO info, UINT mask = SIF_ALL) const {
        info->cbSize = sizeof(SCROLLINFO);
        info->fMask = mask;
        return ::GetScrollInfo(m_hWnd, bar, info);
    }
    int GetScrollPos(int bar) const { return ::GetScrollPos(m_hWnd, bar); }
    int SetScrollPos(int bar, int pos, BOOL redraw = TRUE) {
        return ::SetScrollPos(m_hWnd, bar, pos, redraw);
    }
    void SetScrollRange(int bar, int minPos, int maxPos, BOOL redraw = TRUE) {
        ::SetScrollRange(m_hWnd, bar, minPos, maxPos, redraw);
    }
    void ShowScrollBar(UINT bar, BOOL show = TRUE) { ::ShowScrollBar(m_hWnd, static_cast<int>(bar), show); }

    void SetFont(CFont* font, BOOL redraw = TRUE) {
        SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(font ? font->m_hObject : nullptr), redraw);
    }
    CFont* GetFont() const { return CFont::FromHandle(reinterpret_cast<HFONT>(SendMessage(WM_GETFONT))); }
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
    afx_msg void OnPaint() { Default(); }
    afx_msg void OnNcPaint() { Default(); }
    afx_msg void OnClose() { Default(); }
    afx_msg void OnTimer(UINT_PTR) { Default(); }
    afx_msg void OnSysCommand(UINT, LPARAM) { Default(); }
    afx_msg void OnSize(UINT, int, int) { Default(); }
    afx_msg int OnCreate(LPCREATESTRUCTW) { return static_cast<int>(Default()); }
    afx_msg BOOL OnEraseBkgnd(CDC*) { return static_cast<BOOL>(Default()); }
    afx_msg void OnLButtonDown(UINT, CPoint) { Default(); }
    afx_msg void OnLButtonUp(UINT, CPoint) { Default(); }
    afx_msg void OnLButtonDblClk(UINT, CPoint) { Default(); }
    afx_msg void OnVScroll(UINT, UINT, CWnd*) { Default(); }
    afx_msg void OnHScroll(UINT, UINT, CWnd*) { Default(); }
    afx_msg void OnSetFocus(CWnd*) { Default(); }
    afx_msg void OnKillFocus(CWnd*) { Default(); }

    WNDPROC m_pfnSuper = nullptr; // the procedure behind ours; null means DefWindowProcW

    friend LRESULT CALLBACK AfxWndProc(HWND, UINT, WPARAM, LPARAM);
    friend class CDialog;
};

LRESULT CALLBACK AfxWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

// ---------------------------------------------------------------------------------------------
// Dialogs and data exchange

class CDataExchange {
  public:
    CDataExchange(CWnd* dlg, BOOL saveAndValidate) : m_pDlgWnd(dlg), m_bSaveAndValidate(saveAndValidate) {}
    CWnd* m_pDlgWnd;
    BOOL m_bSaveAndValidate; // TRUE: controls to members; FALSE: members to controls
};

void DDX_Control(CDataExchange* pDX, int id, CWnd& control);
void DDX_Text(CDataExchange* pDX, int id, CString& value);
void DDX_Text(CDataExchange* pDX, int id, int& value);

class CDialog : public CWnd {
  public:
    explicit CDialog(UINT templateId, CWnd* parent = nullptr);

    virtual INT_PTR DoModal();
    void EndDialog(int result);
    BOOL UpdateData(BOOL saveAndValidate = TRUE);

    UINT m_nIDHelp;
    LPCWSTR m_lpszTemplateName;
    CWnd* m_pParentWnd;

  protected:
    virtual BOOL OnInitDialog();
    virtual void DoDataExchange(CDataExchange*) {}
    virtual void OnOK();
    virtual void OnCancel();
    LRESULT HandleInitDialog(WPARAM, LPARAM);

    DECLARE_MESSAGE_MAP()
};

// ---------------------------------------------------------------------------------------------
// Controls and menus

class CListBox : public CWnd {
  public:
    int AddString(LPCWSTR s) {
        return static_cast<int>(SendMessage(LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(s)));
    }
    int InsertString(int i, LPCWSTR s) {
        return static_cast<int>(
            SendMessage(LB_INSERTSTRING, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(s)));
    }
    int DeleteString(UINT i) { return static_cast<int>(SendMessage(LB_DELETESTRING, i)); }
    void ResetContent() { SendMessage(LB_RESETCONTENT); }
    int GetCount() const { return static_cast<int>(SendMessage(LB_GETCOUNT)); }
    int GetText(int i, CString& out) const;
    int GetCurSel() const { return static_cast<int>(SendMessage(LB_GETCURSEL)); }
    int SetCurSel(int i) { return static_cast<int>(SendMessage(LB_SETCURSEL, static_cast<WPARAM>(i))); }
    int GetSel(int i) const { return static_cast<int>(SendMessage(LB_GETSEL, static_cast<WPARAM>(i))); }
    int SetSel(int i, BOOL select = TRUE) { return static_cast<int>(SendMessage(LB_SETSEL, select, i)); }
};

class CMenu {
  public:
    HMENU m_hMenu = nullptr;
    static CMenu* FromHandle(HMENU h); // borrowed
    HMENU GetSafeHmenu() const { return m_hMenu; }
    BOOL AppendMenu(UINT flags, UINT_PTR id = 0, LPCWSTR text = nullptr) {
        return ::AppendMenuW(m_hMenu, flags, id, text);
    }
    UINT GetMenuItemCount() const { return static_cast<UINT>(::GetMenuItemCount(m_hMenu)); }
};

// ---------------------------------------------------------------------------------------------
// The application object

class CWinApp : public CCmdTarget {
  public:
    explicit CWinApp(LPCWSTR appName = nullptr);
    ~CWinApp() override;

    virtual BOOL InitInstance() { return TRUE; }
    virtual int ExitInstance() { return 0; }
    BOOL Enable3dControls() { return TRUE; } // controls draw in 3-D on every supported system

    HICON LoadIcon(UINT id) const;
    afx_msg void OnHelp() {}

    HINSTANCE m_hInstance;
    CWnd* m_pMainWnd = nullptr;
    LPCWSTR m_pszAppName;

    DECLARE_MESSAGE_MAP()
};

// Runs the application object's start-up; called by the program's wWinMain.
int AfxWinMain();

// Static message maps: the table types, the macros that build a class's table, and CCmdTarget.
//
// Classes: CCmdTarget (the root of every class with a message map).
// A class declares its map with DECLARE_MESSAGE_MAP() and defines it next to its handlers between
// BEGIN_MESSAGE_MAP and END_MESSAGE_MAP; the window procedure walks the maps from the class to its bases.
// The entries' thunks name CWnd and CPoint: they expand where afxwin.h is included.
#pragma once

#include "framework/afxtypes.h"

#define afx_msg

class CCmdTarget;

// One generated thunk per entry: it unpacks wParam/lParam and calls the member handler.
using AFX_PMSG_THUNK = LRESULT (*)(CCmdTarget* self, WPARAM wParam, LPARAM lParam);

struct AFX_MSGMAP_ENTRY {
    UINT nMessage; // window message
    UINT nID;      // control or command id for WM_COMMAND (whose notification code must be 0)
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
    { 0, 0, nullptr }                                                                                        \
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
    { WM_COMMAND, static_cast<UINT>(id), AFX_THUNK(t_->memberFxn(); return 0;) }                             \
    ,
#define ON_BN_CLICKED(id, memberFxn) ON_COMMAND(id, memberFxn)
#define ON_MESSAGE(msg, memberFxn)                                                                           \
    { static_cast<UINT>(msg), 0, AFX_THUNK(return t_->memberFxn(wp_, lp_);) }                                \
    ,
#define ON_WM_CREATE()                                                                                       \
    { WM_CREATE, 0, AFX_THUNK(return t_->OnCreate(reinterpret_cast<LPCREATESTRUCTW>(lp_));) }                \
    ,
#define ON_WM_DESTROY()                                                                                      \
    { WM_DESTROY, 0, AFX_THUNK(t_->OnDestroy(); return 0;) }                                                 \
    ,
#define ON_WM_PAINT()                                                                                        \
    { WM_PAINT, 0, AFX_THUNK(t_->OnPaint(); return 0;) }                                                     \
    ,
#define ON_WM_TIMER()                                                                                        \
    { WM_TIMER, 0, AFX_THUNK(t_->OnTimer(static_cast<UINT_PTR>(wp_)); return 0;) }                           \
    ,
#define ON_WM_SYSCOMMAND()                                                                                   \
    { WM_SYSCOMMAND, 0, AFX_THUNK(t_->OnSysCommand(static_cast<UINT>(wp_), lp_); return 0;) }                \
    ,
#define ON_WM_QUERYDRAGICON()                                                                                \
    { WM_QUERYDRAGICON, 0, AFX_THUNK(return reinterpret_cast<LRESULT>(t_->OnQueryDragIcon());) }             \
    ,
#define ON_WM_SIZE()                                                                                         \
    {                                                                                                        \
        WM_SIZE, 0,                                                                                          \
            AFX_THUNK(t_->OnSize(static_cast<UINT>(wp_), static_cast<short>(LOWORD(lp_)),                    \
                                 static_cast<short>(HIWORD(lp_)));                                           \
                      return 0;)                                                                             \
    }                                                                                                        \
    ,
#define ON_WM_LBUTTONDOWN()                                                                                  \
    { WM_LBUTTONDOWN, 0, AFX_THUNK(t_->OnLButtonDown(static_cast<UINT>(wp_), CPoint(lp_)); return 0;) }      \
    ,
#define AFX_SCROLL_ENTRY(msg, memberFxn)                                                                     \
    {                                                                                                        \
        msg, 0,                                                                                              \
            AFX_THUNK(                                                                                       \
                t_->memberFxn(LOWORD(wp_), HIWORD(wp_), CWnd::FromHandle(reinterpret_cast<HWND>(lp_)));      \
                return 0;)                                                                                   \
    }                                                                                                        \
    ,
#define ON_WM_VSCROLL() AFX_SCROLL_ENTRY(WM_VSCROLL, OnVScroll)
#define ON_WM_HSCROLL() AFX_SCROLL_ENTRY(WM_HSCROLL, OnHScroll)

class CCmdTarget {
  public:
    virtual ~CCmdTarget() = default;

  protected:
    static const AFX_MSGMAP* GetThisMessageMap();
    virtual const AFX_MSGMAP* GetMessageMap() const;
};

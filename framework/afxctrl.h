// Controls and menus: thin wrappers over a list box's messages and a menu handle.
//
// Classes: CListBox (a list box control), CMenu (a borrowed menu handle).
#pragma once

#include "framework/afxstr.h"
#include "framework/afxwnd.h"

class CListBox : public CWnd {
  public:
    int AddString(LPCWSTR s) {
        return static_cast<int>(SendMessage(LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(s)));
    }
    void ResetContent() { SendMessage(LB_RESETCONTENT); }
    int GetCount() const { return static_cast<int>(SendMessage(LB_GETCOUNT)); }
    int GetText(int i, CString& out) const;
    int GetCurSel() const { return static_cast<int>(SendMessage(LB_GETCURSEL)); }
    int GetSel(int i) const { return static_cast<int>(SendMessage(LB_GETSEL, static_cast<WPARAM>(i))); }
    int SetSel(int i, BOOL select = TRUE) { return static_cast<int>(SendMessage(LB_SETSEL, select, i)); }
};

class CMenu {
  public:
    HMENU m_hMenu = nullptr;
    static CMenu* FromHandle(HMENU h); // borrowed
    BOOL AppendMenu(UINT flags, UINT_PTR id = 0, LPCWSTR text = nullptr) {
        return ::AppendMenuW(m_hMenu, flags, id, text);
    }
};

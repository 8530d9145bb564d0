// CListBox's text read-back and the borrowed CMenu wrappers.
#include "framework/afxctrl.h"

#include "framework/afxstate.h"

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
    auto& menus = afxstate::Windows().menus;
    auto& slot = menus[h];
    if (!slot) {
        slot = std::make_unique<CMenu>();
        slot->m_hMenu = h;
    }
    return slot.get();
}

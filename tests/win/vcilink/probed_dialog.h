// The real main dialog with a hook through which a test runs inside its modal loop.
#pragma once

#include <functional>

#include "orvane_dlg.h"

namespace vcitest {

class CProbedDlg : public COrvaneDlg {
  public:
    // Runs once, inside the dialog's loop, right after initialisation; the dialog ends after it.
    std::function<void(CProbedDlg&)> probe;

    CString Text(int id) const {
        CString s;
        GetDlgItemText(id, s);
        return s;
    }
    // As if the user clicked the button: returns when its handler has finished.
    void Click(int id) {
        SendMessage(WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                    reinterpret_cast<LPARAM>(::GetDlgItem(m_hWnd, id)));
    }

    // Posts a message whose handling runs `then`: it runs when the dialog's thread next dispatches.
    void PostCall(std::function<void()> then);

  protected:
    BOOL OnInitDialog() override;
    afx_msg LRESULT OnProbe(WPARAM, LPARAM);
    afx_msg LRESULT OnPostedCall(WPARAM, LPARAM);
    std::function<void()> m_PostedCall;
    DECLARE_MESSAGE_MAP()
};

} // namespace vcitest

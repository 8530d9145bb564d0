// The real main dialog with hooks through which a test runs inside its modal loop, and the user's
// actions on it.
#pragma once

#include <deque>
#include <functional>
#include <utility>
#include <vector>

#include "tests/win/support/cstring_printer.h"
#include "shell/orvane_dlg.h"

namespace wintest {

// Every WM_RECEIVE_TCP is recorded on its way to the dialog.
class CProbeDlg : public COrvaneDlg {
  public:
    // Runs once, inside the dialog's loop, right after initialisation.
    std::function<void(CProbeDlg&)> probe;
    std::vector<std::pair<WPARAM, LPARAM>> socketEvents;
    // When each posted mark was handled: shows whether a wait let the queue move.
    std::vector<double> marksHandled;

    // Posts a message whose handling runs `then`: it runs when the dialog's thread next dispatches.
    void PostCall(std::function<void()> then);
    void PostMark();

  protected:
    BOOL OnInitDialog() override;
    afx_msg LRESULT OnProbe(WPARAM, LPARAM);
    afx_msg LRESULT OnPostedCall(WPARAM, LPARAM);
    afx_msg LRESULT OnSocketEvent(WPARAM wParam, LPARAM lParam);
    std::deque<std::function<void()>> m_PostedCalls;
    DECLARE_MESSAGE_MAP()
};

// Runs `steps` inside the dialog's modal loop, then ends the dialog.
void RunDialog(CProbeDlg& dlg, std::function<void(CProbeDlg&)> steps);

// A button press as the dialog gets it from a user, returning when its handler has; noted in the trace
// first, so that waits are measured from the line before a command's own.
void Click(CWnd& dlg, int id);
CString ItemText(const CWnd& dlg, int id);

} // namespace wintest

// The probed main dialog of the Windows tests.
#include "tests/win/support/probe_dialog.h"

#include "aplink/client_sock.h"
#include "tests/win/support/recorders.h"

namespace wintest {

namespace {
constexpr UINT WM_PROBE = WM_APP + 50;
constexpr UINT WM_POSTED_CALL = WM_APP + 51;
} // namespace

BEGIN_MESSAGE_MAP(CProbeDlg, COrvaneDlg)
ON_MESSAGE(WM_PROBE, OnProbe)
ON_MESSAGE(WM_POSTED_CALL, OnPostedCall)
ON_MESSAGE(WM_RECEIVE_TCP, OnSocketEvent)
END_MESSAGE_MAP()

BOOL CProbeDlg::OnInitDialog() {
    const BOOL r = COrvaneDlg::OnInitDialog();
    PostMessage(WM_PROBE);
    return r;
}

LRESULT CProbeDlg::OnProbe(WPARAM, LPARAM) {
    if (probe) probe(*this);
    return 0;
}

void CProbeDlg::PostCall(std::function<void()> then) {
    m_PostedCalls.push_back(std::move(then));
    PostMessage(WM_POSTED_CALL);
}

void CProbeDlg::PostMark() {
    PostCall([this] { marksHandled.push_back(ClockMs()); });
}

LRESULT CProbeDlg::OnPostedCall(WPARAM, LPARAM) {
    if (m_PostedCalls.empty()) return 0;
    const std::function<void()> call = std::move(m_PostedCalls.front());
    m_PostedCalls.pop_front();
    call();
    return 0;
}

LRESULT CProbeDlg::OnSocketEvent(WPARAM wParam, LPARAM lParam) {
    socketEvents.emplace_back(wParam, lParam);
    return OnReceiveTCP(wParam, lParam);
}

void RunDialog(CProbeDlg& dlg, std::function<void(CProbeDlg&)> steps) {
    dlg.probe = [steps = std::move(steps)](CProbeDlg& d) {
        steps(d);
        d.EndDialog(IDOK);
    };
    dlg.DoModal();
}

void Click(CWnd& dlg, int id) {
    AfxTrace("[test] click %d", id);
    ::SendMessageW(dlg.m_hWnd, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                   reinterpret_cast<LPARAM>(::GetDlgItem(dlg.m_hWnd, id)));
}

CString ItemText(const CWnd& dlg, int id) {
    CString s;
    dlg.GetDlgItemText(id, s);
    return s;
}

} // namespace wintest

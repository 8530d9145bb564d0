// The probed main dialog of the VCI tests.
#include "probed_dialog.h"

#include <utility>

namespace vcitest {

namespace {
constexpr UINT WM_PROBE = WM_APP + 51;
constexpr UINT WM_POSTED_CALL = WM_APP + 52;
} // namespace

BEGIN_MESSAGE_MAP(CProbedDlg, COrvaneDlg)
ON_MESSAGE(WM_PROBE, OnProbe)
ON_MESSAGE(WM_POSTED_CALL, OnPostedCall)
END_MESSAGE_MAP()

BOOL CProbedDlg::OnInitDialog() {
    const BOOL r = COrvaneDlg::OnInitDialog();
    PostMessage(WM_PROBE);
    return r;
}

LRESULT CProbedDlg::OnProbe(WPARAM, LPARAM) {
    if (probe) probe(*this);
    EndDialog(IDOK);
    return 0;
}

void CProbedDlg::PostCall(std::function<void()> then) {
    m_PostedCall = std::move(then);
    PostMessage(WM_POSTED_CALL);
}

LRESULT CProbedDlg::OnPostedCall(WPARAM, LPARAM) {
    if (m_PostedCall) std::exchange(m_PostedCall, nullptr)();
    return 0;
}

} // namespace vcitest

// The probed main dialog of the VCI tests.
#include "probed_dialog.h"

namespace vcitest {

namespace {
constexpr UINT WM_PROBE = WM_APP + 51;
}

BEGIN_MESSAGE_MAP(CProbedDlg, COrvaneDlg)
ON_MESSAGE(WM_PROBE, OnProbe)
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

} // namespace vcitest

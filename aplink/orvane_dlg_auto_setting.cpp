// The one-button automatic configuration (IDC_AUTO_SETTING): connect if needed, read both MACs, filter on,
// register both MACs; the reply handler reads the list back and applies.
#include "orvane_dlg_auto_setting.h"

#include "orvane_dlg_ap_support.h"
#include "orvane_dlg.h"

namespace aplink::dlg {

void ContinueAutoSetting(COrvaneDlg& dlg) {
    dlg.OnReadPcMac();
    dlg.OnReadVciMac();
    dlg.m_bMacFilterEnable = 1;
    dlg.UpdateFilterRadios();
    SendFilterCommand(dlg, dlg.m_bMacFilterEnable == 1);
    // A send error has ended the configuration; registering MACs as a plain add would follow otherwise.
    if (!dlg.m_bAutoSetting) return;
    COrvaneDlg::BlockingWait(kAutoFilterWaitMs);
    // The AP's answer to the filter command is still unread; it is read under the add command.
    dlg.OnAddMacToAp();
}

} // namespace aplink::dlg

void COrvaneDlg::OnAutoSetting() {
    m_bAutoSetting = 1;
    if (!m_bApConnected) {
        // The rest follows the connect notification.
        ConnectToAP();
        return;
    }
    aplink::dlg::ContinueAutoSetting(*this);
}

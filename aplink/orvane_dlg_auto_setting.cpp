// The one-button automatic configuration (IDC_AUTO_SETTING): connect if needed; the AP conversation reads
// both MACs, turns the filter on, registers both MACs, reads the list back and applies.
#include "aplink/dialog_ap_host.h"
#include "shell/orvane_dlg.h"

void COrvaneDlg::OnAutoSetting() {
    m_ApConversation.BeginAutoSetting();
    if (!m_bApConnected) {
        // The rest follows the connect notification.
        ConnectToAP();
        return;
    }
    aplink::dlg::DialogApHost host(*this);
    m_ApConversation.ContinueAutoSetting(host);
}

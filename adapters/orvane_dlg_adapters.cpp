// The dialog's PC wireless adapter discovery: the adapter list, the keyword walk and IDC_READ_PC_MAC_ADDRESS.
#include "adapters/orvane_dlg_adapters.h"

#include <string>

#include "adapters/core/adapter_match.h"
#include "framework/afxmem.h"
#include "common/core/mac_text.h"
#include "shell/orvane_dlg.h"
#include "resources/resource.h"

using adapters::dlg::AdaptersInfoSource;

namespace {

AdaptersInfoSource g_infoSource = nullptr;

ULONG QueryAdapters(PIP_ADAPTER_INFO info, PULONG size) {
    return g_infoSource ? g_infoSource(info, size) : ::GetAdaptersInfo(info, size);
}

} // namespace

void adapters::dlg::SetAdaptersInfoSource(AdaptersInfoSource source) {
    g_infoSource = source;
}

void COrvaneDlg::GetMacAddress() {
    AfxTrace("COrvaneDlg::GetMacAddress start \r\n");
    m_strPcMac.Empty();

    ULONG size = 0;
    const ULONG first = QueryAdapters(nullptr, &size);
    AfxTrace("COrvaneDlg::GetMacAddres GetAdaptersInfo1 = %d (%d), size %lu", static_cast<int>(first),
             static_cast<int>(ERROR_BUFFER_OVERFLOW), size);
    if (first == ERROR_BUFFER_OVERFLOW && size > 0) {
        // The size is the system's word: memory for it may not be there. Records hold pointers, and
        // the buffer is aligned for them.
        const size_t records = (size + sizeof(IP_ADAPTER_INFO) - 1) / sizeof(IP_ADAPTER_INFO);
        CTryBuffer<IP_ADAPTER_INFO> buffer(records);
        if (!buffer) {
            MessageBox(L"PIP_ADAPTER_INFO is pinfo");
        } else {
            ULONG bufferSize = static_cast<ULONG>(records * sizeof(IP_ADAPTER_INFO));
            const ULONG second = QueryAdapters(buffer.Get(), &bufferSize);
            AfxTrace("COrvaneDlg::GetMacAddres GetAdaptersInfo2 = %d (%d), size %lu",
                     static_cast<int>(second), static_cast<int>(ERROR_BUFFER_OVERFLOW), bufferSize);
            if (second == ERROR_SUCCESS) FindWirelessAdapter(buffer.Get());
        }
    }

    AfxTrace("COrvaneDlg::GetMacAddress end \r\n");
}

void COrvaneDlg::FindWirelessAdapter(_IP_ADAPTER_INFO* adapter) {
    const IP_ADAPTER_INFO* found =
        adapters::FindWirelessRecord<IP_ADAPTER_INFO>(adapter, [](const IP_ADAPTER_INFO& record) {
            AfxTrace("COrvaneDlg::FindWirelessAdapter : %s\r\n",
                     common::FormatMacColon(record.Address).c_str());
            AfxTrace("COrvaneDlg::FindWirelessAdapter : %s\r\n", common::FormatMac12(record.Address).c_str());
            const std::string description = adapters::UpperAscii(adapters::DescriptionOf(record));
            const std::string dhcp =
                record.DhcpEnabled ? std::string(adapters::BoundedText(record.DhcpServer.IpAddress.String))
                                   : "N/A";
            AfxTrace("COrvaneDlg::FindWirelessAdapter DHCP : %s\r\n", dhcp.c_str());
            AfxTrace("COrvaneDlg::FindWirelessAdapter : %s\r\n", description.c_str());
        });
    if (!found) found = adapters::FindWirelessRecordByTypeOrName<IP_ADAPTER_INFO>(adapter);
    if (!found) {
        // No wireless adapter: no MAC at all rather than the last wired one, which must not be registered.
        m_strPcMac.Empty();
        return;
    }
    const std::string mac = common::FormatMac12(found->Address);
    m_strPcMac = CString(std::wstring(mac.begin(), mac.end()));
    UpdateData(FALSE);
    if (!m_bAutoSetting) MessageBox(L"Read Completed");
}

void COrvaneDlg::OnReadPcMac() {
    GetMacAddress();
    if (m_strPcMac.IsEmpty()) {
        SetDlgItemText(IDC_READ_PC_MAC_ADDRESS, L"PC MAC Address  읽기");
    } else {
        CString caption;
        caption.Format(L"PC MAC Address  읽기   %ls", m_strPcMac.GetString());
        SetDlgItemText(IDC_READ_PC_MAC_ADDRESS, caption);
    }
}

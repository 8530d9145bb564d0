// The AP handlers' shared steps: reply text for boxes, MAC loading, the send error, and the dialog's side
// of every call the AP conversation makes.
#include "aplink/dialog_ap_host.h"

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "aplink/core/ap_protocol.h"
#include "checklist/check_list.h"
#include "common/core/mac_text.h"
#include "shell/orvane_dlg.h"

namespace aplink::dlg {

namespace {

// The check-list rows carry no value of ours.
constexpr int kNoItemData = -1;

// A row of a delete run is deleted when ticked or in the middle state; the answer for a row that is no
// longer there (kNoItem) counts as not ticked, so a run never deletes what nobody ticked.
bool IsMarkedForDelete(int check) {
    return check == checklist::kChecked || check == checklist::kMiddle;
}

} // namespace

CString FromApText(std::string_view bytes) {
    if (bytes.empty()) return CString();
    const int n = ::MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    if (n <= 0) return CString();
    std::wstring text(static_cast<size_t>(n), L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), text.data(), n);
    return CString(text);
}

bool LoadMacForAdd(COrvaneDlg& dlg, const CString& macText) {
    return common::MacTextToBytes(
               std::wstring_view(macText.GetString(), static_cast<size_t>(macText.GetLength())),
               dlg.m_MacAddress) &&
           !common::IsZeroMac(dlg.m_MacAddress);
}

int ReadApSocket(COrvaneDlg& dlg, ApReplyBuffer& reply, bool traceEmpty) {
    reply.Clear();
    reply.SetReceived(dlg.m_pClientSock ? dlg.m_pClientSock->Receive(reply.data, kApReplyReadSize, 0) : -1);
    if (reply.received > 0 || traceEmpty) AfxTrace("COrvaneDlg::OnReceiveTCP : %s", reply.data);
    return reply.received;
}

CStringA SendErrorText(int error) {
    CStringA text;
    text.Format("TCP 전송 에러. Error code : %d", error);
    return text;
}

CString ApBoxText(ApBox box, std::string_view answer) {
    switch (box) {
    case ApBox::NotConnected:
        return L"AP에 연결되어 있지 않습니다.";
    case ApBox::RegisterDone:
        return L"Mac 등록 완료";
    case ApBox::RegisterFailed:
        return L"Mac 등록 실패";
    case ApBox::RegisterError:
        return CString(L"Mac 등록 에러인데 멀까? : ") + FromApText(answer);
    case ApBox::DeleteNoneTicked:
        return L"삭제 완료1";
    case ApBox::DeleteRestUnticked:
        return L"삭제 완료2";
    case ApBox::DeletePastLastRow:
        return L"Mac 삭제 완료3";
    case ApBox::DeleteFailed:
        return L"Mac 삭제 실패";
    case ApBox::DeleteError:
        return CString(L"Mac 삭제 에러인데 멀까? : ") + FromApText(answer);
    case ApBox::ReadCompleted:
        return L"Read Completed!!!";
    case ApBox::AutoDone:
        return L"자동 설정 완료";
    case ApBox::FilterAnswer:
        return CString(L"응답 : ") + FromApText(answer);
    case ApBox::SettingDone:
        return L"설정 완료";
    case ApBox::NoPcMac:
        return L"PC MAC Address를 찾을 수 없습니다.";
    case ApBox::NoAnswer:
        return L"AP에서 응답이 없습니다.";
    }
    return CString();
}

bool DialogApHost::HasSocket() {
    return m_dlg.m_pClientSock != nullptr;
}

void DialogApHost::Pause(unsigned ms) {
    COrvaneDlg::BlockingWait(ms);
}

std::string DialogApHost::TakeArrived() {
    std::string arrived;
    while (m_dlg.m_pClientSock && arrived.size() <= kApMaxHeldBytes) {
        ApReplyBuffer reply;
        if (ReadApSocket(m_dlg, reply, false) == 0) break;
        arrived.append(reply.data, static_cast<size_t>(reply.received));
    }
    return arrived;
}

bool DialogApHost::Send(const std::string& command) {
    if (command.empty() || command.size() >= kApCommandBufferSize) return false;
    if (m_dlg.SendDataToAP(command.c_str()) != SOCKET_ERROR) return true;
    m_dlg.MessageBox(AfxUtf8ToWide(SendErrorText(::WSAGetLastError())));
    return false;
}

void DialogApHost::ShowBox(ApBox box, std::string_view answer) {
    m_dlg.MessageBox(ApBoxText(box, answer));
}

void DialogApHost::ClearRows() {
    m_dlg.m_ListApMac.SendMessage(LB_RESETCONTENT);
    if (m_dlg.m_pCheckList) m_dlg.m_pCheckList->DeleteAllItems();
}

namespace {

void AppendRow(COrvaneDlg& dlg, const wchar_t* text, int check) {
    dlg.m_ListApMac.AddString(text);
    if (CCheckList* list = dlg.m_pCheckList) {
        list->AddItem(text, nullptr, check, kNoItemData, ::GetSysColor(COLOR_INFOTEXT),
                      ::GetSysColor(COLOR_HIGHLIGHTTEXT), ::GetSysColor(COLOR_HIGHLIGHT));
        // A control whose creation failed has no window: redrawing "no window" would redraw the desktop.
        if (list->GetSafeHwnd())
            list->RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    }
}

} // namespace

void DialogApHost::AddRow(std::string_view macText) {
    // Entry texts are printable ASCII and short: widened in place, without taking memory.
    wchar_t text[kApEntryTextLength + 1] = {};
    std::copy_n(macText.begin(), std::min(macText.size(), kApEntryTextLength), text);
    AppendRow(m_dlg, text, checklist::kUnchecked);
    AfxTrace("%.*s", static_cast<int>(macText.size()), macText.data());
}

// The list is built again from the rows that stay, each with its tick: the check-list has no removal of
// one row, and the hidden list box follows it.
void DialogApHost::RemoveRows(const std::vector<int>& rows) {
    CCheckList* list = m_dlg.m_pCheckList;
    if (!list) return;
    struct Row {
        CString text;
        int check;
    };
    std::vector<Row> kept;
    for (int i = 0, n = list->GetCount(nullptr); i < n; ++i) {
        if (std::find(rows.begin(), rows.end(), i) != rows.end()) continue;
        Row row{CString(), list->GetCheck(i)};
        list->GetItemText(i, row.text);
        kept.push_back(row);
    }
    ClearRows();
    for (const Row& row : kept)
        AppendRow(m_dlg, row.text.GetString(), row.check);
}

void DialogApHost::Trace(std::string_view line) {
    AfxTrace("%.*s", static_cast<int>(line.size()), line.data());
}

namespace {

std::optional<ApMac> StoredMac(COrvaneDlg& dlg, const CString& text) {
    if (!LoadMacForAdd(dlg, text)) return std::nullopt;
    ApMac mac{};
    std::copy_n(dlg.m_MacAddress, mac.size(), mac.begin());
    return mac;
}

} // namespace

ApMacs DialogApHost::StoredMacs() {
    ApMacs macs;
    macs.vci = StoredMac(m_dlg, m_dlg.m_strVciMac);
    macs.pc = StoredMac(m_dlg, m_dlg.m_strPcMac);
    return macs;
}

int DialogApHost::RowCount() {
    return m_dlg.m_pCheckList ? m_dlg.m_pCheckList->GetCount(nullptr) : 0;
}

bool DialogApHost::RowMarked(int row) {
    return IsMarkedForDelete(m_dlg.m_pCheckList ? m_dlg.m_pCheckList->GetCheck(row) : checklist::kNoItem);
}

CString DialogApHost::RowTextOf(int row) {
    CString text;
    m_dlg.m_ListApMac.GetText(row, text);
    if (m_dlg.m_pCheckList) {
        CString rowText;
        if (m_dlg.m_pCheckList->GetItemText(row, rowText) == 0) text = rowText;
    }
    AfxTrace("COrvaneDlg::MakeMacDataToDelete:%s", AfxWideToAnsi(text).GetString());
    return text;
}

// Entry texts are printable ASCII; anything else is no MAC text, and the conversation sends nothing for it.
std::string DialogApHost::RowText(int row) {
    const CString text = RowTextOf(row);
    std::string narrow;
    for (const wchar_t c : std::wstring_view(text.GetString(), static_cast<size_t>(text.GetLength()))) {
        narrow.push_back(c >= 0x20 && c <= 0x7E ? static_cast<char>(c) : '?');
    }
    return narrow;
}

// Each read empties its MAC when it fails, so what is stored afterwards was read now.
ApMacs DialogApHost::ReadMacsAndEnableFilter() {
    m_dlg.OnReadPcMac();
    m_dlg.OnReadVciMac();
    m_dlg.m_bMacFilterEnable = 1;
    m_dlg.UpdateFilterRadios();
    m_dlg.UpdateData(TRUE);
    return StoredMacs();
}

void DialogApHost::Reconnect() {
    m_dlg.ConnectToAP();
}

std::uint64_t DialogApHost::NowMs() {
    return ::GetTickCount64();
}

} // namespace aplink::dlg

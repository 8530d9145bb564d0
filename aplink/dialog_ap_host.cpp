// The AP handlers' shared steps: reply text for boxes, MAC loading, the send error, and the dialog's side
// of every call the AP conversation makes.
#include "aplink/dialog_ap_host.h"

#include <algorithm>
#include <string>

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
    case ApBox::DeleteDone1:
        return L"삭제 완료1";
    case ApBox::DeleteDone2:
        return L"삭제 완료2";
    case ApBox::DeleteDone3:
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

bool DialogApHost::Send(const std::string& command, unsigned waitMs) {
    char buffer[kApCommandBufferSize] = {};
    if (CopyCommand(command, buffer, sizeof buffer) == 0) return false;
    if (waitMs != kNoWait) COrvaneDlg::BlockingWait(waitMs);
    if (m_dlg.SendDataToAP(buffer) != SOCKET_ERROR) return true;
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

void DialogApHost::AddRow(std::string_view macText) {
    // Entry texts are printable ASCII and short: widened in place, without taking memory.
    wchar_t text[kApEntryTextLength + 1] = {};
    std::copy_n(macText.begin(), std::min(macText.size(), kApEntryTextLength), text);
    m_dlg.m_ListApMac.AddString(text);
    if (CCheckList* list = m_dlg.m_pCheckList) {
        list->AddItem(text, nullptr, checklist::kUnchecked, kNoItemData, ::GetSysColor(COLOR_INFOTEXT),
                      ::GetSysColor(COLOR_HIGHLIGHTTEXT), ::GetSysColor(COLOR_HIGHLIGHT));
        // A control whose creation failed has no window: redrawing "no window" would redraw the desktop.
        if (list->GetSafeHwnd())
            list->RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    }
    AfxTrace("%.*s", static_cast<int>(macText.size()), macText.data());
}

void DialogApHost::Trace(std::string_view line) {
    AfxTrace("%.*s", static_cast<int>(line.size()), line.data());
}

std::string DialogApHost::AddCommand(ApMacSource source) {
    if (!LoadMacForAdd(m_dlg, source == ApMacSource::Vci ? m_dlg.m_strVciMac : m_dlg.m_strPcMac)) return {};
    char command[kApCommandBufferSize] = {};
    m_dlg.MakeMacDataToAdd(command);
    return command;
}

int DialogApHost::RowCount() {
    return m_dlg.m_pCheckList ? m_dlg.m_pCheckList->GetCount(nullptr) : 0;
}

bool DialogApHost::RowMarked(int row) {
    return IsMarkedForDelete(m_dlg.m_pCheckList ? m_dlg.m_pCheckList->GetCheck(row) : checklist::kNoItem);
}

std::string DialogApHost::DeleteCommand(int row) {
    char command[kApCommandBufferSize] = {};
    m_dlg.MakeMacDataToDelete(row, command);
    return command;
}

void DialogApHost::ReadMacsAndEnableFilter() {
    m_dlg.OnReadPcMac();
    m_dlg.OnReadVciMac();
    m_dlg.m_bMacFilterEnable = 1;
    m_dlg.UpdateFilterRadios();
    m_dlg.UpdateData(TRUE);
}

void DialogApHost::Pause(unsigned ms) {
    COrvaneDlg::BlockingWait(ms);
}

std::uint64_t DialogApHost::NowMs() {
    return ::GetTickCount64();
}

} // namespace aplink::dlg

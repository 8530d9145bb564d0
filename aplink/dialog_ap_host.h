// DialogApHost, the dialog as the AP conversation's host (sends, boxes, rows, the check-list's ticks), and
// what the dialog's AP handlers share with it: the AP's port and the texts several of them show.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "framework/afxwin.h"
#include "aplink/core/ap_conversation.h"
#include "aplink/core/ap_protocol.h"

class COrvaneDlg;

namespace aplink::dlg {

inline constexpr UINT kApPort = 4321;
using aplink::kAutoFilterWaitMs;
using aplink::kCommandWaitMs;
using aplink::kNoWait;

inline constexpr const wchar_t* kConfirmCaption = L"AP MAC Setting";

// Bytes received from the AP as text for a box: shown as data, converted from the ANSI code page.
CString FromApText(std::string_view bytes);

// Fills the dialog's m_MacAddress from a twelve-digit MAC text. False for any other text and for the
// all-zero MAC (bytes left zero), which must then not be sent: an empty text is no MAC either.
bool LoadMacForAdd(COrvaneDlg& dlg, const CString& macText);

// One read of the socket (none without one) into reply, traced as every read of the AP is; an empty read
// only when traceEmpty. The count read, 0 for none.
int ReadApSocket(COrvaneDlg& dlg, ApReplyBuffer& reply, bool traceEmpty);

// The send error with its Winsock code, as the trace line carries it (UTF-8).
CStringA SendErrorText(int error);

// The box text of a conversation's box, the AP's answer appended where the box shows it.
CString ApBoxText(ApBox box, std::string_view answer);

// The dialog as the conversation's host; made where an event comes in, holding nothing of its own.
class DialogApHost final : public ApHost {
  public:
    explicit DialogApHost(COrvaneDlg& dlg) : m_dlg(dlg) {}

    bool HasSocket() override;
    void Pause(unsigned ms) override;
    // Reads the socket until it has nothing more (at most kApMaxHeldBytes and a read), each read traced
    // as OnReceiveTCP traces its own.
    std::string TakeArrived() override;
    // SendDataToAP, and on failure the send error once more with the error code read again: SendDataToAP
    // has shown it already.
    bool Send(const std::string& command) override;
    void ShowBox(ApBox box, std::string_view answer) override;
    void ClearRows() override;
    void AddRow(std::string_view macText) override;
    void RemoveRows(const std::vector<int>& rows) override;
    void Trace(std::string_view line) override;
    ApMacs StoredMacs() override;
    int RowCount() override;
    bool RowMarked(int row) override;
    std::string RowText(int row) override;
    // A row's text: the check-list's where it has that row, else the hidden list box's; traced as the
    // delete command's entry.
    CString RowTextOf(int row);
    ApMacs ReadMacsAndEnableFilter() override;
    void Reconnect() override;
    std::uint64_t NowMs() override;

  private:
    COrvaneDlg& m_dlg;
};

} // namespace aplink::dlg

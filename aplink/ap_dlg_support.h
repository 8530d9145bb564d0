// What the dialog's AP handlers share: the endpoint's port, the fixed waits, box texts and small helpers.
#pragma once

#include <string_view>

#include "afxwin.h"

class COrvaneDlg;

namespace aplink_dlg {

inline constexpr UINT kApPort = 4321;
// Every command but the filter-on command waits this long before it goes out.
inline constexpr DWORD kCommandWaitMs = 1000;
// Automatic configuration gives the AP this long after its filter command.
inline constexpr DWORD kAutoFilterWaitMs = 2000;

inline constexpr const wchar_t* kConfirmCaption = L"AP MAC Setting";
inline constexpr const wchar_t* kNotConnectedText = L"AP에 연결되어 있지 않습니다.";

// A row of a delete run is deleted when ticked or in the middle state; the error value of a row that
// is no longer there counts as not ticked, so a run never deletes what nobody ticked.
inline bool IsMarkedForDelete(int check) {
    return check == 1 || check == 2;
}

// Blocks the thread; no message is processed meanwhile, so socket events wait in the queue.
void BlockingWait(DWORD ms);

// Bytes received from the AP as text for a box: shown as data, converted from the ANSI code page.
CString FromApText(std::string_view bytes);

// Fills the dialog's m_MacAddress from a twelve-digit MAC text. False (bytes left zero) for any
// other text, which must then not be sent.
bool LoadMacForAdd(COrvaneDlg& dlg, const CString& macText);

// The caller's repetition of the send-error box, with the error code read once more.
void ShowSendErrorAgain(COrvaneDlg& dlg);

// Automatic configuration from the PC MAC read to the first add command; runs from the button when
// connected and from the connect notification.
void ContinueAutoSetting(COrvaneDlg& dlg);

} // namespace aplink_dlg

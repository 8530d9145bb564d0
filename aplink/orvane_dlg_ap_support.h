// What the dialog's AP handlers share: the AP's port, the fixed waits, the texts several of them show,
// the two steps of every sender (a socket must exist; wait, send, report a failed send), and the add and
// delete steps that a button and a reply both take.
#pragma once

#include <string>
#include <string_view>

#include "afxwin.h"
#include "ap_command.h"

class COrvaneDlg;

namespace aplink::dlg {

inline constexpr UINT kApPort = 4321;
// Every command but the filter-on command waits this long before it goes out.
inline constexpr DWORD kCommandWaitMs = 1000;
// The filter-on command goes out at once.
inline constexpr DWORD kNoWait = 0;
// Automatic configuration gives the AP this long after its filter command.
inline constexpr DWORD kAutoFilterWaitMs = 2000;

inline constexpr const wchar_t* kConfirmCaption = L"AP MAC Setting";

// Bytes received from the AP as text for a box: shown as data, converted from the ANSI code page.
CString FromApText(std::string_view bytes);

// Fills the dialog's m_MacAddress from a twelve-digit MAC text. False for any other text and for the
// all-zero MAC (bytes left zero), which must then not be sent: an empty text is no MAC either.
bool LoadMacForAdd(COrvaneDlg& dlg, const CString& macText);

// Automatic configuration found no PC MAC to register: it says so, ends, and reads the list so that the
// user sees what the AP holds now. A MAC registration started by hand ends silently, as it always has.
void EndAutoSettingWithoutPcMac(COrvaneDlg& dlg);

// The send error with its Winsock code, as the trace line carries it (UTF-8).
CStringA SendErrorText(int error);

// True when the dialog has a socket; otherwise shows "AP에 연결되어 있지 않습니다." and the sender stops.
bool RequireSocket(COrvaneDlg& dlg);

// Waits waitMs (blocking), sends the command with SendDataToAP and, when that fails, shows the send
// error once more with the error code read again: SendDataToAP has shown it already. A failed send
// ends automatic configuration. True when the command went out.
bool WaitAndSend(COrvaneDlg& dlg, const char* command, DWORD waitMs);

// The senders that set a pending value and send a fixed command: update from the controls, require the
// socket, set the pending value, wait, send. True when the command went out.
bool SendSingleCommand(COrvaneDlg& dlg, ApCommand pending, const std::string& command, DWORD waitMs);
// "w fff5 00" (on) or "w fff5 01" (off); the filter-on command goes out without the wait.
bool SendFilterCommand(COrvaneDlg& dlg, bool enable);
// "w fff6 "; the AP's answer is not evaluated (pending ApCmdNone).
bool SendApply(COrvaneDlg& dlg);

// The steps a button and a reply both take (the pending value is the caller's):
// the add command for macText, after the wait; false, sending nothing, when LoadMacForAdd refuses it.
bool SendAddCommand(COrvaneDlg& dlg, const CString& macText);
// The add sequence's PC step (m_bPcMacStep 1): the PC's MAC, or EndAutoSettingWithoutPcMac without one.
void SendPcMacAdd(COrvaneDlg& dlg);
// The delete run's step: the delete command of the next row ticked for deletion from m_nDeleteIndex on,
// m_nDeleteIndex then past it. With none left the run is over: doneText (unless automatic configuration
// runs) and the list read again.
void SendNextDelete(COrvaneDlg& dlg, const wchar_t* doneText);

} // namespace aplink::dlg

// COrvaneDlg: the main dialog, hub of the AP link, the VCI link, the check-list and their shared state.
//
// The class is declared once, here; each subsystem defines the handlers it adds in its own folder.
#pragma once

#include <cstdint>

#include "afxwin.h"
#include "wlan_settings.h"

class CCheckList;
class CClientSock;

class COrvaneDlg : public CDialog {
  public:
    explicit COrvaneDlg(CWnd* parent = nullptr);
    ~COrvaneDlg() override;

    // Shared state, in declaration order; BOOL and int are 32-bit.
    BOOL m_bPcMacStep;          // add sequence: 0 while the VCI MAC add is outstanding, 1 for the PC MAC
    BOOL m_bAutoSetting;        // automatic configuration running: success boxes stay quiet
    BOOL m_bMacFilterEnable;    // radio choice: 1 "Enable", 0 "Disable"
    int m_nListCount;           // check-list entries when a delete run starts
    int m_nDeleteIndex;         // next check-list entry a delete run examines
    CCheckList* m_pCheckList;   // owned; the visible list of the AP's MAC addresses
    int m_nApCommand;           // which AP reply is awaited
    CString m_strApAddress;     // the AP's IPv4 address, dotted decimal
    BOOL m_bApConnected;        // set only by a successful connect notification
    CClientSock* m_pClientSock; // owned; null when there is no socket
    CString m_strPcMac;         // twelve upper-case hex digits, or empty
    uint8_t m_MacAddress[7];    // MAC of the next add command and one spare byte
    WlanSettingRecord m_WlanSettings; // the VCI's WLAN settings as last read
    CListBox m_ListApMac;             // hidden list box 1004: the AP's list as text lines
    CString m_strVciMac;              // edit 1005: twelve upper-case hex digits, or empty
    HICON m_hIcon;

  protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;

    afx_msg void OnSysCommand(UINT nID, LPARAM lParam);
    afx_msg void OnPaint();
    afx_msg HCURSOR OnQueryDragIcon();
    afx_msg void OnDestroy();

  public:
    void UpdateFilterRadios();

    // The AP's address compiled into the program.
    static const wchar_t* const kDefaultApAddress;

    DECLARE_MESSAGE_MAP()
};

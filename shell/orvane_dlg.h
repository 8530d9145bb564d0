// COrvaneDlg: the main dialog, hub of the AP link, the VCI link, the check-list and their shared state.
//
// The class is declared once, here; each subsystem defines the handlers it adds in its own folder.
#pragma once

#include <cstdint>

#include "vcilink/uart_comm_hox.h"
#include "framework/afxwin.h"
#include "aplink/core/ap_conversation.h"
#include "aplink/client_sock.h"
#include "common/core/mac_text.h"
#include "vcilink/core/wlan_settings.h"

class CCheckList;
struct _IP_ADAPTER_INFO;

class COrvaneDlg : public CDialog {
  public:
    explicit COrvaneDlg(CWnd* parent = nullptr);
    ~COrvaneDlg() override;

    // The AP conversation owns the state that decides what an answer does. The members named after that
    // state are read-only views of it: it changes only through the conversation's operations and events.
    aplink::ApConversation m_ApConversation;

    const int& m_bPcMacStep = m_ApConversation.PcMacStep();     // add sequence: 0 while the VCI MAC add is
                                                                // outstanding, 1 for the PC MAC
    const int& m_bAutoSetting = m_ApConversation.AutoSetting(); // automatic configuration running: success
                                                                // boxes stay quiet
    BOOL m_bMacFilterEnable;                                    // radio choice: 1 "Enable", 0 "Disable"
    const int& m_nListCount = m_ApConversation.ListCount();     // check-list entries when a delete run starts
    const int& m_nDeleteIndex = m_ApConversation.DeleteIndex(); // next check-list entry a delete run examines
    CCheckList* m_pCheckList;                                   // owned; the visible list of the AP's MACs
    const int& m_nApCommand = m_ApConversation.Pending();       // the current AP operation: an ApCommand
    CString m_strApAddress;                                     // the AP's IPv4 address, dotted decimal
    BOOL m_bApConnected;        // set only by a successful connect notification
    CClientSock* m_pClientSock; // owned; null when there is no socket
    CString m_strPcMac;         // twelve upper-case hex digits, or empty
    // MAC of the next add command and one spare byte
    uint8_t m_MacAddress[common::kMacAddressBufferBytes];
    vcilink::WlanSettingRecord m_WlanSettings; // the VCI's WLAN settings as last read
    CUartCommHox m_UartComm;                   // hidden link window 1326 to the VCI over USB
    CListBox m_ListApMac;                      // hidden list box 1004: the AP's list as text lines
    CString m_strVciMac;                       // edit 1005: twelve upper-case hex digits, or empty
    HICON m_hIcon;

    // One operation at a time. While a handler of a button, a socket event or an overdue answer runs, it
    // may pump messages (a box, the VCI read), and Windows then dispatches every click queued meanwhile,
    // also those made during a Sleep-based wait: the buttons that start AP or VCI operations are disabled
    // for that time, and a click that reaches the dialog all the same (queued before, or posted) is refused
    // rather than run inside the operation.
    class OperationScope {
      public:
        explicit OperationScope(COrvaneDlg& dlg);
        ~OperationScope();
        OperationScope(const OperationScope&) = delete;
        OperationScope& operator=(const OperationScope&) = delete;

      private:
        COrvaneDlg& m_dlg;
    };
    bool InOperation() const { return m_nOperationDepth > 0; }
    static bool StartsOperation(UINT id);

  protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnWndMsg(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
    BOOL OnInitDialog() override;

    afx_msg void OnSysCommand(UINT nID, LPARAM lParam);
    afx_msg void OnPaint();
    afx_msg HCURSOR OnQueryDragIcon();
    afx_msg void OnDestroy();

  public:
    // AP connection (aplink/)
    void ConnectToAP();
    void DisconnectFromAP();
    void DropApSocket();
    afx_msg void OnConnectAp();

    // AP command protocol (aplink/)
    int SendDataToAP(const char* text);
    void MakeMacDataToAdd(char* buffer);
    void MakeMacDataToDelete(int index, char* buffer);
    void MakeMacDataToRead(int index, char* buffer);
    static uint8_t HexToByte(char high, char low);
    void ReadApMacList(int index);
    afx_msg void RefreshApMacList();
    afx_msg LRESULT OnReceiveTCP(WPARAM wParam, LPARAM lParam);

    // MAC filter operations (aplink/)
    afx_msg void OnAddMacToAp();
    afx_msg void OnDeleteSelectedMac();
    afx_msg void OnDeleteAllMac();
    afx_msg void OnAutoSetting();
    afx_msg void OnMacFilterSetting();
    afx_msg void OnFilterEnable();
    afx_msg void OnFilterDisable();
    void UpdateFilterRadios();
    afx_msg void OnTest();
    afx_msg void OnMacFilterOn();
    afx_msg void OnMacFilterOff();
    afx_msg void OnApply();
    afx_msg void OnCloseSocket();
    afx_msg void OnWriteMacToAp();
    afx_msg void OnDeleteApMac();

    // PC wireless adapter (adapters/)
    afx_msg void GetMacAddress();
    void FindWirelessAdapter(_IP_ADAPTER_INFO* adapter);
    afx_msg void OnReadPcMac();

    // VCI WLAN settings and MAC read (vcilink/)
    BOOL EnterWlanConfig();
    BOOL ReadWlanSetting(int type);
    BOOL LeaveWlanConfig();
    afx_msg void ReadVciMacAddress();
    afx_msg void OnReadVciMac();

    // Status display (shell/): kStatusTimer writes the title and the VCI label every kStatusTimerMs.
    static constexpr UINT_PTR kStatusTimer = 1;
    static constexpr UINT kStatusTimerMs = 500;
    afx_msg void OnTimer(UINT_PTR nIDEvent);
    void ShowApStatus(bool connected);
    void ShowVciStatus(bool connected);

    // The fixed pauses of the AP and VCI steps. Blocks the thread: no message is processed meanwhile, so
    // socket events wait in the queue and the VCI's reader waits inside its SendMessage.
    static void BlockingWait(DWORD ms);

    // The AP's address compiled into the program.
    static const wchar_t* const kDefaultApAddress;

  private:
    void EnableOperationButtons(bool enable);
    int m_nOperationDepth = 0;

    DECLARE_MESSAGE_MAP()
};

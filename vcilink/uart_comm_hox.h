// CUartCommHox: the hidden link window to the VCI — device polling, the pipes and their reader thread,
// and the frame protocol on top of them.
#pragma once

#include <atomic>
#include <memory>

#include "vci_usb.h"
#include "afxmt.h"
#include "afxwin.h"
#include "frame_codec.h"
#include "frame_receiver.h"
#include "link_events.h"

// Messages and timers of the link window.
inline constexpr UINT WM_USB_RECEIVE = 0x721;    // from the reader, sent: wParam = bytes, lParam = count
inline constexpr UINT WM_USB_THREAD_END = 0x722; // from the reader, posted as its last act
inline constexpr UINT_PTR TIMER_BYTE_TIMEOUT = 2;
inline constexpr UINT_PTR TIMER_CONNECT_POLL = 10;
inline constexpr UINT_PTR TIMER_OPEN_PIPES = 981;
inline constexpr UINT_PTR TIMER_CONNECTED = 982;

inline constexpr DWORD kUsbReadBlock = 1400; // one read of the reader thread
inline constexpr UINT kByteTimeoutMs = 1000;
inline constexpr UINT kPollAbsentMs = 1000;    // device absent: look again
inline constexpr UINT kPollAfterBreakMs = 100; // link broken: first look
inline constexpr UINT kPollAtStartMs = 10;
inline constexpr UINT kOpenPipesDelayMs = 10;
inline constexpr UINT kConnectedDelayMs = 500;

// What one reader thread works with. The link and the reader each hold a reference, so the block (with
// the reader's own handle to the read pipe) lives until both have let go: the reader never reads through
// a handle that was closed or reused, and a closed link forgets its reader without waiting for it.
struct UsbThreadParam {
    UsbThreadParam() = default;
    UsbThreadParam(const UsbThreadParam&) = delete;
    UsbThreadParam& operator=(const UsbThreadParam&) = delete;
    ~UsbThreadParam();

    HWND hWnd = nullptr;                     // receives 0x721 and 0x722
    CVciUsb* pUsb = nullptr;                 // not used by the thread
    HANDLE hReadPipe = INVALID_HANDLE_VALUE; // the reader's duplicate of the link's read pipe
    CEvent m_StopEvent{FALSE, TRUE};         // set by CloseUsb: end without 0x722; wakes a pending wait
    std::atomic<bool> bStop{false};  // set with m_StopEvent: polled between reads without a system call
    OVERLAPPED overlapped{};         // the reads; the reader closes its event when it ends
    BYTE buffer[kUsbReadBlock] = {}; // its address identifies this connection's 0x721
    volatile LONG bEnded = 0;        // set before the reader posts 0x722
};

class CUartCommHox : public CWnd, private VciLinkEvents {
  public:
    CUartCommHox();
    ~CUartCommHox() override;

    // Connection side.
    BOOL OpenComm();
    BOOL CloseComm();
    BOOL OpenUsb();
    void CloseUsb(BOOL bKeepState);
    static UINT __cdecl UsbReadThread(LPVOID pParam);

    // Protocol side.
    BOOL WriteMsg(const void* msg);
    BOOL SendNextFrame();
    // Waits, pumping messages, for the oldest unread message and copies it to dest, which holds 3008
    // bytes; *pnLength (if given) receives the number of bytes copied.
    BOOL ReadMsg(void* dest, DWORD timeoutMs, int* pnLength = nullptr);
    void PumpMessages();
    void ProcessByteData(BYTE b);
    // Feeds a block of received bytes to the receiver; 0x721 does this for its connection's blocks.
    void ReceiveBlock(const BYTE* bytes, int count);
    BYTE CalcCheckSum(int which);
    BOOL WriteData(const void* data, int length);
    BOOL WriteByte(BYTE b);
    void ResetCommData();

    const VciFrameReceiver& Receiver() const { return *m_pReceiver; }
    const VciFrameEncoder& Encoder() const { return m_Encoder; }
    bool HasReader() const { return m_pThreadParam != nullptr; }

    CVciUsb m_VciUsb;
    HANDLE m_hWritePipe;
    HANDLE m_hReadPipe;
    char m_szReadPipeName[32];
    char m_szWritePipeName[32];
    CWinThread* m_pReadThread; // only says whether a reader runs: the object deletes itself when it ends
    BOOL m_bUsbConnected;
    int m_nMaxFrameData;

  protected:
    afx_msg int OnCreate(LPCREATESTRUCTW lpCreateStruct);
    afx_msg void OnDestroy();
    afx_msg void OnTimer(UINT_PTR nIDEvent);
    afx_msg LRESULT OnReceiveFrameData(WPARAM wParam, LPARAM lParam);
    afx_msg LRESULT OnThreadEnd(WPARAM wParam, LPARAM lParam);

    DECLARE_MESSAGE_MAP()

  private:
    void OnArmByteTimeout() override;
    void OnCancelByteTimeout() override;
    void OnSendAck(uint8_t b) override;
    void OnTrace(const char* line) override;
    BOOL WriteCurrentFrame();
    void OnByteTimer();

    VciFrameEncoder m_Encoder;
    std::span<const uint8_t> m_CurrentFrame; // the frame built last, inside m_Encoder
    // The byte time-out runs lazily: storing a byte only notes the time, and timer 2, once set, checks
    // on firing whether 1000 ms have really passed since the last stored byte. No timer call per block.
    DWORD m_dwLastByteTick = 0;
    bool m_bByteTimeoutWanted = false;
    bool m_bByteTimerSet = false;
    std::unique_ptr<VciFrameReceiver> m_pReceiver; // its ring of 100 messages is too big for a stack frame
    std::shared_ptr<UsbThreadParam> m_pThreadParam;
};

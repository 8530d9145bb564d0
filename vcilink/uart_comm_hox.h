// CUartCommHox: the hidden link window to the VCI — device polling, the pipes and their reader thread,
// and the frame protocol on top of them.
#pragma once

#include <memory>

#include "framework/afxwin.h"
#include "vcilink/core/frame_codec.h"
#include "vcilink/core/frame_receiver.h"
#include "vcilink/core/link_events.h"
#include "vcilink/usb_read_thread.h"
#include "vcilink/core/vci_timings.h"
#include "vcilink/vci_usb.h"

// Timers of the link window.
inline constexpr UINT_PTR TIMER_BYTE_TIMEOUT = 2;
inline constexpr UINT_PTR TIMER_CONNECT_POLL = 10;
inline constexpr UINT_PTR TIMER_OPEN_PIPES = 981;
inline constexpr UINT_PTR TIMER_CONNECTED = 982;

// Their periods: vci_timings.h.

class CUartCommHox : public CWnd, private vcilink::VciLinkEvents {
  public:
    CUartCommHox();
    ~CUartCommHox() override;

    // Connection side.
    BOOL OpenComm();
    BOOL CloseComm();
    BOOL OpenUsb();
    void CloseUsb(BOOL bKeepState);

    // Protocol side.
    BOOL WriteMsg(const void* msg);
    BOOL SendNextFrame();
    // Waits, pumping messages, for the oldest unread message and copies it to dest, which holds
    // kVciMaxMessage bytes; *pnLength (if given) receives the number of bytes copied.
    BOOL ReadMsg(void* dest, DWORD timeoutMs, int* pnLength = nullptr);
    void PumpMessages();
    // Drops the messages waiting unread: a request about to go out is answered only by what follows it.
    void DiscardMessages() { m_pReceiver->DiscardMessages(); }
    // Drops everything received before now: the blocks the reader holds in its SendMessage to this thread
    // (taken in first), a frame part-way through (given at most boundMs to finish) and the unread messages.
    void DiscardReceived(DWORD boundMs = kVciDiscardBoundMs);
    void ProcessByteData(BYTE b);
    // Feeds a block of received bytes to the receiver; WM_USB_RECEIVE does this for its connection's
    // blocks.
    void ReceiveBlock(const BYTE* bytes, int count);
    BYTE CalcSendCheckSum() const { return m_Encoder.CalcCheckSum(); }
    BYTE CalcReceiveCheckSum() const { return m_pReceiver->CalcCheckSum(); }
    BOOL WriteData(const void* data, int length);
    BOOL WriteByte(BYTE b);
    void ResetCommData();

    const vcilink::VciFrameReceiver& Receiver() const { return *m_pReceiver; }
    const vcilink::VciFrameEncoder& Encoder() const { return m_Encoder; }
    bool HasReader() const { return m_pReadThread != nullptr; }

    CVciUsb m_VciUsb;
    // The open write pipe is the handle the transport writes on: one handle under both names, so a
    // closed pipe can never be written.
    HANDLE& m_hWritePipe = m_VciUsb.m_hWrite;
    HANDLE m_hReadPipe;
    char m_szReadPipeName[32];
    char m_szWritePipeName[32];
    // The running reader's parameter block, shared with the thread; null when there is none. Forgotten
    // (not waited for) when the link closes.
    std::shared_ptr<vcilink::UsbThreadParam> m_pReadThread;
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

    vcilink::VciFrameEncoder m_Encoder;
    std::span<const uint8_t> m_CurrentFrame; // the frame built last, inside m_Encoder
    // The byte time-out runs lazily: storing a byte only notes the time, and TIMER_BYTE_TIMEOUT, once
    // set, checks on firing whether kVciByteTimeoutMs have really passed since the last stored byte. No
    // timer call per block.
    DWORD m_dwLastByteTick = 0;
    bool m_bByteTimeoutWanted = false;
    bool m_bByteTimerSet = false;
    bool m_bAckFailed = false; // set by OnSendAck, acted on once the block has been taken in
    std::unique_ptr<vcilink::VciFrameReceiver> m_pReceiver; // its message ring is too big for a stack frame
};

// The VCI link window: device polling, the pipes and their reader, and the frame protocol over them.
#include "vcilink/uart_comm_hox.h"

#include <algorithm>
#include <cstring>

using namespace vcilink;

namespace {
constexpr char kReadPipeName[] = "PIPE00";
constexpr char kWritePipeName[] = "PIPE01";
} // namespace

BEGIN_MESSAGE_MAP(CUartCommHox, CWnd)
ON_WM_CREATE()
ON_WM_DESTROY()
ON_WM_TIMER()
ON_MESSAGE(WM_USB_RECEIVE, OnReceiveFrameData)
ON_MESSAGE(WM_USB_THREAD_END, OnThreadEnd)
END_MESSAGE_MAP()

CUartCommHox::CUartCommHox()
    : m_hReadPipe(INVALID_HANDLE_VALUE), m_szReadPipeName{}, m_szWritePipeName{}, m_bUsbConnected(FALSE),
      m_nMaxFrameData(kVciInitialMaxFrameData), m_pReceiver(std::make_unique<VciFrameReceiver>()) {
    m_pReceiver->SetEvents(this);
}

CUartCommHox::~CUartCommHox() {
    // The base destructor would destroy the window without reaching our WM_DESTROY handler.
    if (m_hWnd && ::IsWindow(m_hWnd)) ::DestroyWindow(m_hWnd);
    CloseUsb(TRUE);
}

// ---------------------------------------------------------------------------------------------
// Connection side

int CUartCommHox::OnCreate(LPCREATESTRUCTW lpCreateStruct) {
    if (CWnd::OnCreate(lpCreateStruct) == -1) return -1;
    m_nMaxFrameData = kVciInitialMaxFrameData;
    m_hWritePipe = INVALID_HANDLE_VALUE;
    m_hReadPipe = INVALID_HANDLE_VALUE;
    m_pReadThread.reset();
    m_bUsbConnected = FALSE;
    m_bByteTimerSet = false; // a new window has no timers
    m_bByteTimeoutWanted = false;
    return 0;
}

void CUartCommHox::OnDestroy() {
    CWnd::OnDestroy();
    CloseUsb(FALSE);
}

BOOL CUartCommHox::OpenComm() {
    ResetCommData();
    if (!m_bUsbConnected) SetTimer(TIMER_CONNECT_POLL, kPollAtStartMs);
    return TRUE;
}

BOOL CUartCommHox::CloseComm() {
    CloseUsb(FALSE);
    m_bUsbConnected = FALSE;
    return TRUE;
}

BOOL CUartCommHox::OpenUsb() {
    // A second poll cycle must not start a second reader on the same pipes.
    if (m_pReadThread) return TRUE;

    std::strcpy(m_szReadPipeName, kReadPipeName);
    std::strcpy(m_szWritePipeName, kWritePipeName);

    if (m_hWritePipe == INVALID_HANDLE_VALUE) {
        m_hWritePipe = m_VciUsb.OpenWritePipe(m_szWritePipeName);
        if (m_hWritePipe == INVALID_HANDLE_VALUE) {
            AfxTrace("%sUSB Write Pipe Open Error\r\n", kVciTracePrefix);
            CloseUsb(FALSE);
            return FALSE;
        }
    }
    if (m_hReadPipe == INVALID_HANDLE_VALUE) {
        m_hReadPipe = m_VciUsb.OpenReadPipe(m_szReadPipeName);
        if (m_hReadPipe == INVALID_HANDLE_VALUE) {
            AfxTrace("%sUSB Read Pipe Open Error\r\n", kVciTracePrefix);
            CloseUsb(FALSE);
            return FALSE;
        }
    }

    m_pReadThread = StartUsbReader(m_hWnd, m_hReadPipe, m_VciUsb.TakeReadOverlapped());
    if (!m_pReadThread) {
        MessageBox(L"쓰레드 생성 실패");
        CloseUsb(FALSE);
        return FALSE;
    }
    SetTimer(TIMER_CONNECTED, kConnectedDelayMs);
    return TRUE;
}

void CUartCommHox::CloseUsb(BOOL bKeepState) {
    // The link forgets its reader at once; blocks the reader still has in flight no longer match this
    // connection.
    if (m_pReadThread) {
        m_pReadThread->RequestStop();
        m_pReadThread.reset();
    }
    // A link that broke before it was shown as connected must not be shown as connected afterwards.
    if (m_hWnd) KillTimer(TIMER_CONNECTED);

    if (m_hWritePipe != INVALID_HANDLE_VALUE) {
        ::CancelIo(m_hWritePipe);
        ::CloseHandle(m_hWritePipe);
        m_hWritePipe = INVALID_HANDLE_VALUE;
    }
    if (m_hReadPipe != INVALID_HANDLE_VALUE) {
        ::CancelIo(m_hReadPipe);
        ::CloseHandle(m_hReadPipe);
        m_hReadPipe = INVALID_HANDLE_VALUE;
    }

    if (!bKeepState) {
        ResetCommData();
        if (m_hWnd) SetTimer(TIMER_CONNECT_POLL, kPollAfterBreakMs);
    }
}

LRESULT CUartCommHox::OnThreadEnd(WPARAM, LPARAM) {
    // Only the end of the current reader restarts the polling; a reader that CloseUsb already let go
    // belongs to a link that is polling (or connected again) by now.
    if (!m_pReadThread || !m_pReadThread->m_bEnded) return 0;
    m_pReadThread.reset();
    m_bUsbConnected = FALSE;
    CloseUsb(FALSE);
    return 0;
}

void CUartCommHox::OnTimer(UINT_PTR nIDEvent) {
    KillTimer(nIDEvent);
    switch (nIDEvent) {
    case TIMER_CONNECT_POLL: {
        HANDLE h = m_VciUsb.FindDevice();
        if (h == INVALID_HANDLE_VALUE) {
            SetTimer(TIMER_CONNECT_POLL, kPollAbsentMs);
        } else {
            ::CloseHandle(h);
            SetTimer(TIMER_OPEN_PIPES, kOpenPipesDelayMs);
        }
        break;
    }
    case TIMER_OPEN_PIPES:
        OpenUsb();
        break;
    case TIMER_CONNECTED:
        m_bUsbConnected = TRUE;
        break;
    case TIMER_BYTE_TIMEOUT:
        OnByteTimer();
        break;
    default:
        break;
    }
    Default();
}

// ---------------------------------------------------------------------------------------------
// Protocol side

void CUartCommHox::ResetCommData() {
    m_Encoder.ResetCommData();
    m_CurrentFrame = {};
    m_pReceiver->ResetCommData();
}

BOOL CUartCommHox::WriteMsg(const void* msg) {
    if (!msg) return WriteCurrentFrame() ? SendNextFrame() : FALSE;

    const auto* bytes = static_cast<const uint8_t*>(msg);
    const size_t length = VciGetLe16(bytes);
    // The message is as long as it says; one that cannot fit a message buffer is not sent at all.
    if (length < 2 || length > kVciMaxMessage) return FALSE;
    if (!m_Encoder.BeginMessage({bytes, length})) return FALSE;
    m_Encoder.m_nMaxFrameData = m_nMaxFrameData;
    SendNextFrame();
    return TRUE;
}

BOOL CUartCommHox::SendNextFrame() {
    // Frames go out back to back; the loop stands for one write call per frame.
    for (;;) {
        m_CurrentFrame = m_Encoder.SendNextFrame();
        if (m_CurrentFrame.empty()) return TRUE;
        if (!WriteCurrentFrame()) return FALSE;
    }
}

BOOL CUartCommHox::WriteCurrentFrame() {
    if (m_CurrentFrame.empty()) return TRUE;
    if (WriteData(m_CurrentFrame.data(), static_cast<int>(m_CurrentFrame.size()))) return TRUE;
    CloseComm(); // the rest of the message is dropped with the link
    return FALSE;
}

BOOL CUartCommHox::ReadMsg(void* dest, DWORD timeoutMs, int* pnLength) {
    const DWORD t0 = ::GetTickCount();
    while (m_pReceiver->MessageCount() == 0) {
        const DWORD elapsed = ::GetTickCount() - t0;
        if (elapsed > timeoutMs) return FALSE;
        PumpMessages();
        if (m_pReceiver->MessageCount() != 0) break;
        // Sleeps until a message (the reader's blocks among them), a timer or the user's input arrives,
        // at most 1 ms past the time-out, instead of polling.
        const DWORD left = timeoutMs - elapsed + 1;
        ::MsgWaitForMultipleObjectsEx(0, nullptr, std::min<DWORD>(left, 50), QS_ALLINPUT,
                                      MWMO_INPUTAVAILABLE);
    }
    const int copied = m_pReceiver->TakeMessage({static_cast<uint8_t*>(dest), kVciMaxMessage});
    if (pnLength) *pnLength = copied;
    PumpMessages();
    return TRUE;
}

void CUartCommHox::DiscardReceived(DWORD boundMs) {
    const DWORD t0 = ::GetTickCount();
    for (;;) {
        // Delivers the other threads' sent messages only: the reader's blocks come in, nothing posted runs.
        MSG msg;
        ::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
        const DWORD elapsed = ::GetTickCount() - t0;
        if (m_pReceiver->CommMode() == vcilink::kVciCommIdle || elapsed >= boundMs) break;
        ::MsgWaitForMultipleObjectsEx(0, nullptr, std::min<DWORD>(boundMs - elapsed, 10), QS_SENDMESSAGE, 0);
    }
    m_pReceiver->DiscardMessages();
}

void CUartCommHox::PumpMessages() {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (m_hWnd && ::IsDialogMessageW(m_hWnd, &msg)) continue;
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
}

LRESULT CUartCommHox::OnReceiveFrameData(WPARAM wParam, LPARAM lParam) {
    // Only the current reader's buffer is taken: a block sent just before CloseUsb belongs to a
    // connection that is gone, and the protocol state has been reset since.
    if (!m_pReadThread || reinterpret_cast<const BYTE*>(wParam) != m_pReadThread->m_Buffer) return 1;
    const int count = static_cast<int>(std::clamp<LPARAM>(lParam, 0, kUsbReadBlock));
    ReceiveBlock(m_pReadThread->m_Buffer, count);
    return 1;
}

void CUartCommHox::ReceiveBlock(const BYTE* bytes, int count) {
    if (!bytes || count <= 0) return;
    m_pReceiver->OnReceiveFrameData({bytes, static_cast<size_t>(count)});
    // An acknowledgement that could not be written is a failed write: the link closes, but only now that
    // the receiver is done with the block.
    if (m_bAckFailed) {
        m_bAckFailed = false;
        CloseComm();
    }
}

void CUartCommHox::ProcessByteData(BYTE b) {
    ReceiveBlock(&b, 1);
}

BOOL CUartCommHox::WriteData(const void* data, int length) {
    return length >= 0 && m_VciUsb.WriteCommBlock(data, static_cast<DWORD>(length));
}

BOOL CUartCommHox::WriteByte(BYTE b) {
    return m_VciUsb.WriteCommBlock(&b, 1);
}

void CUartCommHox::OnArmByteTimeout() {
    m_dwLastByteTick = ::GetTickCount();
    m_bByteTimeoutWanted = true;
    if (m_hWnd && !m_bByteTimerSet) {
        SetTimer(TIMER_BYTE_TIMEOUT, kVciByteTimeoutMs);
        m_bByteTimerSet = true;
    }
}

void CUartCommHox::OnCancelByteTimeout() {
    m_bByteTimeoutWanted = false; // a timer still set fires once more and finds nothing to do
}

void CUartCommHox::OnByteTimer() {
    m_bByteTimerSet = false; // OnTimer killed it
    if (!m_bByteTimeoutWanted) return;
    const DWORD quiet = ::GetTickCount() - m_dwLastByteTick;
    if (quiet < kVciByteTimeoutMs) {
        SetTimer(TIMER_BYTE_TIMEOUT, kVciByteTimeoutMs - quiet);
        m_bByteTimerSet = true;
        return;
    }
    m_bByteTimeoutWanted = false;
    m_pReceiver->OnByteTimeout();
    MessageBox(L"VCI에서 데이터 수신되다 안들어옴.", nullptr, MB_OK);
}

void CUartCommHox::OnSendAck(uint8_t b) {
    // Bounded like every write (kVciWriteTimeoutMs); after one failure the rest of the block's
    // acknowledgements are not tried, each could take as long again. Without a pipe the link is closed.
    if (m_bAckFailed || m_hWritePipe == INVALID_HANDLE_VALUE) return;
    if (!WriteByte(b)) m_bAckFailed = true;
}

void CUartCommHox::OnTrace(const char* line) {
    AfxTraceText(line); // the receiver's lines are the program's own text, numbers included
}

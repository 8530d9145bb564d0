// The VCI link window: device polling, pipes, the reader thread, and the frame protocol over them.
#include "UartCommHox.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr char kReadPipeName[] = "PIPE00";
constexpr char kWritePipeName[] = "PIPE01";
constexpr WPARAM kThreadEndCode = 20;

// Read errors after which the pipe will never deliver again: the device or its driver has gone.
bool IsLinkGone(DWORD err) {
    switch (err) {
    case ERROR_BROKEN_PIPE:
    case ERROR_PIPE_NOT_CONNECTED:
    case ERROR_NO_DATA:
    case ERROR_INVALID_HANDLE:
    case ERROR_DEVICE_NOT_CONNECTED:
    case ERROR_OPERATION_ABORTED:
    case ERROR_GEN_FAILURE:
        return true;
    default:
        return false;
    }
}

// The flag mirrors m_StopEvent; testing it costs no system call on every pass.
bool StopRequested(const UsbThreadParam& prm) {
    return prm.bStop.load(std::memory_order_acquire);
}

} // namespace

UsbThreadParam::~UsbThreadParam() {
    if (hReadPipe != INVALID_HANDLE_VALUE) ::CloseHandle(hReadPipe);
    if (overlapped.hEvent) ::CloseHandle(overlapped.hEvent);
}

BEGIN_MESSAGE_MAP(CUartCommHox, CWnd)
ON_WM_CREATE()
ON_WM_DESTROY()
ON_WM_TIMER()
ON_MESSAGE(WM_USB_RECEIVE, OnReceiveFrameData)
ON_MESSAGE(WM_USB_THREAD_END, OnThreadEnd)
END_MESSAGE_MAP()

CUartCommHox::CUartCommHox()
    : m_hWritePipe(INVALID_HANDLE_VALUE),
      m_hReadPipe(INVALID_HANDLE_VALUE), m_szReadPipeName{}, m_szWritePipeName{}, m_pReadThread(nullptr),
      m_bUsbConnected(FALSE), m_nMaxFrameData(kVciInitialMaxFrameData),
      m_pReceiver(std::make_unique<VciFrameReceiver>()) {
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
    m_pReadThread = nullptr;
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
    if (m_pThreadParam) return TRUE;

    std::strcpy(m_szReadPipeName, kReadPipeName);
    std::strcpy(m_szWritePipeName, kWritePipeName);

    if (m_hWritePipe == INVALID_HANDLE_VALUE) {
        m_hWritePipe = m_VciUsb.OpenWritePipe(m_szWritePipeName);
        if (m_hWritePipe == INVALID_HANDLE_VALUE) {
            AfxTrace("          Hox2534DLL -> USB Write Pipe Open Error\r\n");
            CloseUsb(FALSE);
            return FALSE;
        }
    }
    if (m_hReadPipe == INVALID_HANDLE_VALUE) {
        m_hReadPipe = m_VciUsb.OpenReadPipe(m_szReadPipeName);
        if (m_hReadPipe == INVALID_HANDLE_VALUE) {
            AfxTrace("          Hox2534DLL -> USB Read Pipe Open Error\r\n");
            CloseUsb(FALSE);
            return FALSE;
        }
    }

    // A fresh parameter block per reader: its stop event starts unsignalled.
    auto prm = std::make_shared<UsbThreadParam>();
    prm->hWnd = m_hWnd;
    prm->pUsb = &m_VciUsb;
    prm->overlapped = m_VciUsb.TakeReadOverlapped();
    const BOOL duplicated = ::DuplicateHandle(::GetCurrentProcess(), m_hReadPipe, ::GetCurrentProcess(),
                                              &prm->hReadPipe, 0, FALSE, DUPLICATE_SAME_ACCESS);
    if (!duplicated) prm->hReadPipe = INVALID_HANDLE_VALUE;

    CWinThread* thread = nullptr;
    auto* arg = new std::shared_ptr<UsbThreadParam>(prm);
    if (duplicated && prm->overlapped.hEvent) {
        m_pThreadParam = prm;
        thread = AfxBeginThread(UsbReadThread, arg, THREAD_PRIORITY_NORMAL, 0, 0, nullptr);
    }
    if (!thread) {
        delete arg;
        m_pThreadParam.reset();
        MessageBox(L"쓰레드 생성 실패");
        CloseUsb(FALSE);
        return FALSE;
    }
    m_pReadThread = thread;
    SetTimer(TIMER_CONNECTED, kConnectedDelayMs);
    return TRUE;
}

void CUartCommHox::CloseUsb(BOOL bKeepState) {
    // The reader is asked to stop, not killed: a killed thread can leave the process heap locked. The
    // link forgets it at once; 0x721 blocks it still has in flight no longer match this connection.
    if (m_pThreadParam) {
        m_pThreadParam->bStop.store(true, std::memory_order_release);
        m_pThreadParam->m_StopEvent.SetEvent();
        ::CancelIoEx(m_pThreadParam->hReadPipe, nullptr);
        m_pThreadParam.reset();
    }
    m_pReadThread = nullptr;
    // A link that broke before it was shown as connected must not be shown as connected afterwards.
    if (m_hWnd) KillTimer(TIMER_CONNECTED);

    if (m_hWritePipe != INVALID_HANDLE_VALUE) {
        ::CancelIo(m_hWritePipe);
        ::CloseHandle(m_hWritePipe);
        m_hWritePipe = INVALID_HANDLE_VALUE;
    }
    m_VciUsb.m_hWrite = INVALID_HANDLE_VALUE;
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
    if (!m_pThreadParam || !m_pThreadParam->bEnded) return 0;
    m_pReadThread = nullptr;
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

UINT __cdecl CUartCommHox::UsbReadThread(LPVOID pParam) {
    // This reference keeps the block alive for as long as the thread runs.
    std::unique_ptr<std::shared_ptr<UsbThreadParam>> hold(
        static_cast<std::shared_ptr<UsbThreadParam>*>(pParam));
    UsbThreadParam& prm = **hold;
    OVERLAPPED& ov = prm.overlapped;
    std::memset(prm.buffer, 0, sizeof(prm.buffer));

    while (!StopRequested(prm)) {
        DWORD n = 0;
        const BOOL readOk = ::ReadFile(prm.hReadPipe, prm.buffer, kUsbReadBlock, &n, &ov);
        DWORD err = readOk ? ERROR_SUCCESS : ::GetLastError();
        if (!readOk && err == ERROR_IO_PENDING) {
            // Wait for the data or for CloseUsb; a read still pending at a stop is cancelled by its own
            // thread, and its end awaited, before the buffer can go.
            HANDLE waits[2] = {ov.hEvent, prm.m_StopEvent};
            if (::WaitForMultipleObjects(2, waits, FALSE, INFINITE) != WAIT_OBJECT_0) {
                ::CancelIo(prm.hReadPipe);
                ::GetOverlappedResult(prm.hReadPipe, &ov, &n, TRUE);
                break;
            }
            BOOL done;
            while (!(done = ::GetOverlappedResult(prm.hReadPipe, &ov, &n, TRUE)) &&
                   (err = ::GetLastError()) == ERROR_IO_INCOMPLETE) {
            }
            if (!done) {
                AfxTrace("USB Read Error %d %d", static_cast<int>(n), static_cast<int>(err));
                AfxTrace("\n\r");
                break;
            }
        }
        if (StopRequested(prm)) break;
        if (!readOk) {
            AfxTrace("Read Data Failed (err=%d)%u bytes transferred success = %d \r\n",
                     static_cast<int>(::GetLastError()), static_cast<unsigned>(n), 0);
            // Retrying a pipe that is gone would spin forever without ever reporting the break.
            if (err != ERROR_IO_PENDING && IsLinkGone(err)) break;
        }
        if (n > 0) {
            // Returns once the link window has consumed the bytes, so the buffer is free again.
            ::SendMessageA(prm.hWnd, WM_USB_RECEIVE, reinterpret_cast<WPARAM>(prm.buffer),
                           static_cast<LPARAM>(n));
        }
        if (StopRequested(prm)) break;
        if (::MsgWaitForMultipleObjects(0, nullptr, FALSE, 0, QS_ALLINPUT) == WAIT_OBJECT_0) {
            AfxTrace("MsgWaitForMultipleObjects");
            AfxTrace("\n\r");
            MSG msg;
            if (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE) && msg.message == WM_QUIT) {
                AfxTrace("PM_REMOVE");
                AfxTrace("\n\r");
                break;
            }
        }
        ::Sleep(0);
    }

    if (ov.hEvent) {
        ::CloseHandle(ov.hEvent);
        ov.hEvent = nullptr;
    }
    AfxTrace("USB Thread End-1");
    AfxTrace("\n\r");
    // A reader stopped by CloseUsb says nothing: its link is already polling again.
    if (!StopRequested(prm)) {
        ::InterlockedExchange(&prm.bEnded, 1);
        ::PostMessageA(prm.hWnd, WM_USB_THREAD_END, kThreadEndCode, kThreadEndCode);
    }
    return 0;
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
        // Sleeps until a message (0x721 among them), a timer or the user's input arrives, at most 1 ms
        // past the time-out, instead of polling.
        const DWORD left = timeoutMs - elapsed + 1;
        ::MsgWaitForMultipleObjectsEx(0, nullptr, std::min<DWORD>(left, 50), QS_ALLINPUT,
                                      MWMO_INPUTAVAILABLE);
    }
    const int copied = m_pReceiver->TakeMessage({static_cast<uint8_t*>(dest), kVciMaxMessage});
    if (pnLength) *pnLength = copied;
    PumpMessages();
    return TRUE;
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
    if (!m_pThreadParam || reinterpret_cast<const BYTE*>(wParam) != m_pThreadParam->buffer) return 1;
    const int count = static_cast<int>(std::clamp<LPARAM>(lParam, 0, kUsbReadBlock));
    ReceiveBlock(m_pThreadParam->buffer, count);
    return 1;
}

void CUartCommHox::ReceiveBlock(const BYTE* bytes, int count) {
    if (!bytes || count <= 0) return;
    m_pReceiver->OnReceiveFrameData({bytes, static_cast<size_t>(count)});
}

void CUartCommHox::ProcessByteData(BYTE b) {
    ReceiveBlock(&b, 1);
}

BYTE CUartCommHox::CalcCheckSum(int which) {
    return which == 1 ? m_Encoder.CalcCheckSum() : m_pReceiver->CalcCheckSum();
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
        SetTimer(TIMER_BYTE_TIMEOUT, kByteTimeoutMs);
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
    if (quiet < kByteTimeoutMs) {
        SetTimer(TIMER_BYTE_TIMEOUT, kByteTimeoutMs - quiet);
        m_bByteTimerSet = true;
        return;
    }
    m_bByteTimeoutWanted = false;
    m_pReceiver->OnByteTimeout();
    MessageBox(L"VCI에서 데이터 수신되다 안들어옴.", nullptr, MB_OK);
}

void CUartCommHox::OnSendAck(uint8_t b) {
    WriteByte(b); // its result is not examined: a broken link shows at the next request
}

void CUartCommHox::OnTrace(const char* line) {
    AfxTraceText(line); // the receiver's lines are the program's own text, numbers included
}

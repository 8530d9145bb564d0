// The USB reader thread: reads the VCI's pipe and hands every block to the link window on its thread.
#include "vcilink/usb_read_thread.h"

#include <cstring>

#include "framework/afxwin.h"
#include "vcilink/vci_usb.h"

namespace vcilink {

namespace {

constexpr WPARAM kThreadEndCode = 20;

std::atomic<UsbReadFileFn> g_ReadFile{&::ReadFile};

// A read that failed with these still delivers (ERROR_MORE_DATA: its bytes) or is still under way. Any
// other error ends the reader: a removed device under a real driver fails new reads with all sorts of
// codes (22, 5, 2, 1617 ...), and retrying would spin at full speed, a trace line per pass, with the link
// still shown connected.
bool ReadGoesOn(DWORD err) {
    return err == ERROR_IO_PENDING || err == ERROR_MORE_DATA;
}

// A driver that never completes a cancelled read keeps the right to write into the buffer and the read
// record: the block is left to it for good (about 1.5 KB, once per such stop) and the pipe handle let
// go, so that the thread can end. Waiting for it instead would leave one more thread blocked for good at
// every reconnection.
void LeaveToDriver(std::unique_ptr<std::shared_ptr<UsbThreadParam>>& hold) {
    UsbThreadParam& prm = **hold;
    ::CloseHandle(prm.m_hReadPipe);
    prm.m_hReadPipe = INVALID_HANDLE_VALUE;
    static_cast<void>(hold.release()); // deliberately never freed
}

} // namespace

UsbThreadParam::~UsbThreadParam() {
    if (m_hReadPipe != INVALID_HANDLE_VALUE) ::CloseHandle(m_hReadPipe);
    if (m_Overlapped.hEvent) ::CloseHandle(m_Overlapped.hEvent);
}

void UsbThreadParam::RequestStop() {
    // The reader is asked to stop, not killed: a killed thread can leave the process heap locked.
    // The reader cancels its pending read itself: the handle is the reader's, and may be gone once the
    // reader has woken.
    m_bStop.store(true, std::memory_order_release);
    m_StopEvent.SetEvent();
}

void UsbSetReadFileForTest(UsbReadFileFn read) {
    g_ReadFile.store(read ? read : &::ReadFile);
}

std::shared_ptr<UsbThreadParam> StartUsbReader(HWND hWnd, HANDLE hReadPipe, const OVERLAPPED& ov) {
    // A fresh block per reader: its stop event starts unsignalled.
    auto prm = std::make_shared<UsbThreadParam>();
    prm->m_hWnd = hWnd;
    prm->m_Overlapped = ov;
    if (!ov.hEvent || !::DuplicateHandle(::GetCurrentProcess(), hReadPipe, ::GetCurrentProcess(),
                                         &prm->m_hReadPipe, 0, FALSE, DUPLICATE_SAME_ACCESS)) {
        prm->m_hReadPipe = INVALID_HANDLE_VALUE;
        return nullptr;
    }
    // The thread's own reference, released by the thread when it ends.
    auto* arg = new std::shared_ptr<UsbThreadParam>(prm);
    if (!AfxBeginThread(UsbReadThread, arg, THREAD_PRIORITY_NORMAL, 0, 0, nullptr)) {
        delete arg;
        return nullptr;
    }
    return prm;
}

UINT __cdecl UsbReadThread(LPVOID pParam) {
    // This reference keeps the block alive for as long as the thread runs.
    std::unique_ptr<std::shared_ptr<UsbThreadParam>> hold(
        static_cast<std::shared_ptr<UsbThreadParam>*>(pParam));
    UsbThreadParam& prm = **hold;
    OVERLAPPED& ov = prm.m_Overlapped;
    std::memset(prm.m_Buffer, 0, sizeof(prm.m_Buffer));

    while (!prm.StopRequested()) {
        DWORD n = 0;
        const BOOL readOk =
            g_ReadFile.load(std::memory_order_relaxed)(prm.m_hReadPipe, prm.m_Buffer, kUsbReadBlock, &n, &ov);
        DWORD err = readOk ? ERROR_SUCCESS : ::GetLastError();
        if (!readOk && err == ERROR_IO_PENDING) {
            // Wait for the data or for a stop.
            HANDLE waits[2] = {ov.hEvent, prm.m_StopEvent};
            if (::WaitForMultipleObjects(2, waits, FALSE, INFINITE) != WAIT_OBJECT_0) {
                // Cancelled, and its end awaited before the buffer can go, for a bounded time.
                if (!CancelTransfer(prm.m_hReadPipe, ov)) LeaveToDriver(hold);
                break;
            }
            if (!::GetOverlappedResult(prm.m_hReadPipe, &ov, &n, FALSE)) err = ::GetLastError();
            if (!ReadGoesOn(err)) {
                AfxTrace("USB Read Error %d %d", static_cast<int>(n), static_cast<int>(err));
                AfxTrace("\n\r");
                break;
            }
        } else if (!readOk && err == ERROR_MORE_DATA) {
            ::GetOverlappedResult(prm.m_hReadPipe, &ov, &n, FALSE);
        }
        if (prm.StopRequested()) break;
        if (!readOk) {
            AfxTrace("Read Data Failed (err=%d)%u bytes transferred success = %d \r\n",
                     static_cast<int>(::GetLastError()), static_cast<unsigned>(n), 0);
            if (!ReadGoesOn(err)) break;
        }
        if (n > 0) {
            // Returns once the link window has consumed the bytes, so the buffer is free again.
            ::SendMessageA(prm.m_hWnd, WM_USB_RECEIVE, reinterpret_cast<WPARAM>(prm.m_Buffer),
                           static_cast<LPARAM>(n));
        }
        if (prm.StopRequested()) break;
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
    // A reader stopped by its link says nothing: that link is already polling again.
    if (!prm.StopRequested()) {
        ::InterlockedExchange(&prm.m_bEnded, 1);
        ::PostMessageA(prm.m_hWnd, WM_USB_THREAD_END, kThreadEndCode, kThreadEndCode);
    }
    return 0;
}

} // namespace vcilink

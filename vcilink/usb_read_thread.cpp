// The USB reader thread: reads the VCI's pipe and hands every block to the link window on its thread.
#include "usb_read_thread.h"

#include <cstring>

#include "afxwin.h"

namespace {

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

} // namespace

UsbThreadParam::~UsbThreadParam() {
    if (hReadPipe != INVALID_HANDLE_VALUE) ::CloseHandle(hReadPipe);
    if (overlapped.hEvent) ::CloseHandle(overlapped.hEvent);
}

void UsbThreadParam::RequestStop() {
    // The reader is asked to stop, not killed: a killed thread can leave the process heap locked.
    bStop.store(true, std::memory_order_release);
    m_StopEvent.SetEvent();
    ::CancelIoEx(hReadPipe, nullptr);
}

std::shared_ptr<UsbThreadParam> StartUsbReader(HWND hWnd, HANDLE hReadPipe, const OVERLAPPED& ov) {
    // A fresh block per reader: its stop event starts unsignalled.
    auto prm = std::make_shared<UsbThreadParam>();
    prm->hWnd = hWnd;
    prm->overlapped = ov;
    if (!ov.hEvent || !::DuplicateHandle(::GetCurrentProcess(), hReadPipe, ::GetCurrentProcess(),
                                         &prm->hReadPipe, 0, FALSE, DUPLICATE_SAME_ACCESS)) {
        prm->hReadPipe = INVALID_HANDLE_VALUE;
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
    OVERLAPPED& ov = prm.overlapped;
    std::memset(prm.buffer, 0, sizeof(prm.buffer));

    while (!prm.StopRequested()) {
        DWORD n = 0;
        const BOOL readOk = ::ReadFile(prm.hReadPipe, prm.buffer, kUsbReadBlock, &n, &ov);
        DWORD err = readOk ? ERROR_SUCCESS : ::GetLastError();
        if (!readOk && err == ERROR_IO_PENDING) {
            // Wait for the data or for a stop; a read still pending at a stop is cancelled by its own
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
        if (prm.StopRequested()) break;
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
        ::InterlockedExchange(&prm.bEnded, 1);
        ::PostMessageA(prm.hWnd, WM_USB_THREAD_END, kThreadEndCode, kThreadEndCode);
    }
    return 0;
}

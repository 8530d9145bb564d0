// The USB reader thread of the VCI link: its parameter block and the messages it sends the link window.
#pragma once

#include <windows.h>

#include <atomic>
#include <memory>

#include "framework/afxmt.h"

namespace vcilink {

// The reader's messages to the link window.
inline constexpr UINT WM_USB_RECEIVE = 0x721;    // sent: wParam = the bytes, lParam = their number
inline constexpr UINT WM_USB_THREAD_END = 0x722; // posted as the reader's last act

inline constexpr DWORD kUsbReadBlock = 1400; // one read of the reader thread

// What one reader thread works with. The link and the reader each hold a reference, so the block (with
// the reader's own handle to the read pipe) lives until both have let go: the reader never reads through
// a handle that was closed or reused, and a closed link forgets its reader without waiting for it.
struct UsbThreadParam {
    UsbThreadParam() = default;
    UsbThreadParam(const UsbThreadParam&) = delete;
    UsbThreadParam& operator=(const UsbThreadParam&) = delete;
    ~UsbThreadParam();

    // Asks the reader to end without WM_USB_THREAD_END (it cancels its pending read); does not wait.
    void RequestStop();
    // The flag mirrors m_StopEvent; testing it costs no system call on every pass.
    bool StopRequested() const { return m_bStop.load(std::memory_order_acquire); }

    HWND m_hWnd = nullptr;                     // the link window: receives the reader's messages
    HANDLE m_hReadPipe = INVALID_HANDLE_VALUE; // the reader's duplicate of the link's read pipe
    CEvent m_StopEvent{FALSE, TRUE};           // set by RequestStop; wakes a pending wait
    std::atomic<bool> m_bStop{false};          // set with m_StopEvent
    OVERLAPPED m_Overlapped{};                 // the reads; the reader closes its event when it ends
    BYTE m_Buffer[kUsbReadBlock] = {};         // its address identifies this connection's WM_USB_RECEIVE
    volatile LONG m_bEnded = 0;                // set before the reader posts WM_USB_THREAD_END
};

// The reader thread's function; pParam is the block handed over by StartUsbReader. Returns 0.
UINT __cdecl UsbReadThread(LPVOID pParam);

// Test seam: the reader's reads go through `read` (null: ReadFile again), to stand in for a driver's
// errors.
using UsbReadFileFn = BOOL(WINAPI*)(HANDLE, LPVOID, DWORD, LPDWORD, LPOVERLAPPED);
void UsbSetReadFileForTest(UsbReadFileFn read);

// Starts a reader for the link window hWnd on its read pipe, with a block of its own that holds a
// duplicate of the pipe handle and takes over the read record `ov` and its event. Null, with what it
// took closed, when no reader could be started.
std::shared_ptr<UsbThreadParam> StartUsbReader(HWND hWnd, HANDLE hReadPipe, const OVERLAPPED& ov);

} // namespace vcilink

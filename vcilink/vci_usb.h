// CVciUsb: finds the VCI by its USB device interface and opens its two pipes; writes byte blocks.
#pragma once

#include <windows.h>

#include <memory>

#include "vcilink/core/vci_timings.h"

// The device interface class the VCI's driver publishes.
extern const GUID GUID_VCI_USB_INTERFACE;

inline constexpr size_t kVciDevicePathSize = 256; // m_szDevicePath, terminating zero included

namespace vcilink {
// Cancels the transfer pending on `ov` and gives it kVciCancelWaitMs to end. False when it has not ended:
// the driver then still owns `ov` and the transfer's buffer.
bool CancelTransfer(HANDLE file, OVERLAPPED& ov);
} // namespace vcilink

// The record of the write in flight, with its own event.
struct VciWriteRecord;

class CVciUsb {
  public:
    CVciUsb();
    CVciUsb(const CVciUsb&) = delete;
    CVciUsb& operator=(const CVciUsb&) = delete;
    ~CVciUsb();

    // An open handle to the first VCI interface that opens, or INVALID_HANDLE_VALUE; its path stays in
    // m_szDevicePath. The caller closes the handle.
    HANDLE FindDevice();
    BOOL IsDevicePresent();

    // "<device path>\<name>". INVALID_HANDLE_VALUE when the device is gone or the path does not fit.
    HANDLE OpenWritePipe(const char* name);
    // Also prepares m_ReadOverlapped (offsets 0, a new manual-reset event) for the reads on it.
    HANDLE OpenReadPipe(const char* name);

    // One write of the whole block, given at most kVciWriteTimeoutMs; TRUE when every byte went out.
    // A write that did not finish in time is cancelled and fails like any other.
    BOOL WriteCommBlock(const void* data, DWORD length);

    // Hands the prepared read record over to the reader: the caller owns its event from now on.
    OVERLAPPED TakeReadOverlapped();

    HANDLE m_hWrite; // not owned: the link window closes it, under its name m_hWritePipe
    char m_szDevicePath[kVciDevicePathSize]; // the interface found last, then "\" and a pipe name
    OVERLAPPED m_ReadOverlapped;

  private:
    BOOL AppendPipeName(const char* name);
    DWORD AwaitWrite(DWORD& written);

    std::unique_ptr<VciWriteRecord> m_pWriteRecord; // made at the first write, again after one given up
};

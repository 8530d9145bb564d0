// Device discovery through the device-setup library, pipe opening and block writes for the VCI.
#include "vcilink/vci_usb.h"

#include <setupapi.h>

#include <cstring>
#include <new>

#include "framework/afxmem.h"
#include "framework/afxwin.h"
#include "vcilink/core/link_events.h"

using namespace vcilink;

const GUID GUID_VCI_USB_INTERFACE = {
    0x8E120C45, 0x4968, 0x4188, {0xBA, 0x19, 0x9A, 0x82, 0x36, 0x1C, 0x8F, 0xA8}};

struct VciWriteRecord {
    VciWriteRecord() { ov.hEvent = ::CreateEventW(nullptr, TRUE, FALSE, nullptr); }
    VciWriteRecord(const VciWriteRecord&) = delete;
    VciWriteRecord& operator=(const VciWriteRecord&) = delete;
    ~VciWriteRecord() {
        if (ov.hEvent) ::CloseHandle(ov.hEvent);
    }
    OVERLAPPED ov{};
};

namespace {
// In a USB interface path, "\\?\usb#vid_xxxx" comes first: the nine characters from here name the product.
constexpr size_t kProductIdAt = 16;
constexpr size_t kProductIdLength = 9;
} // namespace

CVciUsb::CVciUsb() : m_hWrite(INVALID_HANDLE_VALUE), m_szDevicePath{}, m_ReadOverlapped{} {}

CVciUsb::~CVciUsb() {
    // Every write has ended (or been given up) before WriteCommBlock returned: the record is free.
    if (m_ReadOverlapped.hEvent) ::CloseHandle(m_ReadOverlapped.hEvent);
}

HANDLE CVciUsb::FindDevice() {
    HANDLE found = INVALID_HANDLE_VALUE;
    HDEVINFO set = ::SetupDiGetClassDevsA(&GUID_VCI_USB_INTERFACE, nullptr, nullptr,
                                          DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    if (set == INVALID_HANDLE_VALUE) return found;

    for (DWORD index = 0;; ++index) {
        SP_DEVICE_INTERFACE_DATA iface{};
        iface.cbSize = sizeof(iface);
        if (!::SetupDiEnumDeviceInterfaces(set, nullptr, &GUID_VCI_USB_INTERFACE, index, &iface)) {
            if (::GetLastError() == ERROR_NO_MORE_ITEMS) break;
            continue;
        }
        DWORD needed = 0;
        ::SetupDiGetDeviceInterfaceDetailA(set, &iface, nullptr, 0, &needed, nullptr);
        if (needed < sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A)) continue;
        // The size is the library's word: without memory for it, this index yields no handle.
        CTryBuffer<char> storage(needed);
        if (!storage) continue;
        auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_A*>(storage.Get());
        detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A);
        HANDLE h = INVALID_HANDLE_VALUE;
        if (::SetupDiGetDeviceInterfaceDetailA(set, &iface, detail, needed, nullptr, nullptr)) {
            // The path is bounded by the record the library filled; one that does not fit our buffer is
            // not taken rather than cut.
            const size_t maxPath = needed - offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_A, DevicePath);
            const size_t len = strnlen(detail->DevicePath, maxPath);
            if (len < maxPath && len < sizeof(m_szDevicePath)) {
                std::memcpy(m_szDevicePath, detail->DevicePath, len + 1);
                h = ::CreateFileA(m_szDevicePath, GENERIC_READ | GENERIC_WRITE,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
            }
        }
        const size_t pathLen = strnlen(m_szDevicePath, sizeof(m_szDevicePath));
        AfxTrace("%.*s\r\n", static_cast<int>(kProductIdLength),
                 pathLen > kProductIdAt ? m_szDevicePath + kProductIdAt : "");
        if (h != INVALID_HANDLE_VALUE) {
            found = h;
            break;
        }
    }
    ::SetupDiDestroyDeviceInfoList(set);
    return found;
}

BOOL CVciUsb::IsDevicePresent() {
    HANDLE h = FindDevice();
    if (h == INVALID_HANDLE_VALUE) return FALSE;
    ::CloseHandle(h);
    return TRUE;
}

BOOL CVciUsb::AppendPipeName(const char* name) {
    const size_t have = strnlen(m_szDevicePath, sizeof(m_szDevicePath));
    const size_t add = std::strlen(name);
    // "\" + name + the terminating zero must fit, or the open fails instead of using a cut path.
    if (have + 1 + add + 1 > sizeof(m_szDevicePath)) return FALSE;
    m_szDevicePath[have] = '\\';
    std::memcpy(m_szDevicePath + have + 1, name, add + 1);
    return TRUE;
}

HANDLE CVciUsb::OpenWritePipe(const char* name) {
    if (!IsDevicePresent() || !AppendPipeName(name)) return INVALID_HANDLE_VALUE;
    // Overlapped, so that a write can be given up: a synchronous one cannot be waited for with a bound.
    m_hWrite = ::CreateFileA(m_szDevicePath, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                             FILE_FLAG_OVERLAPPED, nullptr);
    return m_hWrite;
}

HANDLE CVciUsb::OpenReadPipe(const char* name) {
    if (!IsDevicePresent()) return INVALID_HANDLE_VALUE;
    HANDLE h = INVALID_HANDLE_VALUE;
    if (AppendPipeName(name))
        h = ::CreateFileA(m_szDevicePath, GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED,
                          nullptr);
    if (h != INVALID_HANDLE_VALUE) {
        // Reads return with what has arrived; the effect on a pipe is the driver's.
        COMMTIMEOUTS timeouts{MAXDWORD, 0, 0, 0, 0};
        ::SetCommTimeouts(h, &timeouts);
    }
    if (m_ReadOverlapped.hEvent) ::CloseHandle(m_ReadOverlapped.hEvent);
    m_ReadOverlapped = OVERLAPPED{};
    m_ReadOverlapped.hEvent = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    return h;
}

OVERLAPPED CVciUsb::TakeReadOverlapped() {
    OVERLAPPED taken = m_ReadOverlapped;
    m_ReadOverlapped = OVERLAPPED{};
    return taken;
}

BOOL CVciUsb::WriteCommBlock(const void* data, DWORD length) {
    if (m_hWrite == INVALID_HANDLE_VALUE) return FALSE;
    if (!m_pWriteRecord) m_pWriteRecord.reset(new (std::nothrow) VciWriteRecord);
    DWORD err = ERROR_SUCCESS;
    DWORD written = 0;
    if (!m_pWriteRecord || !m_pWriteRecord->ov.hEvent) {
        m_pWriteRecord.reset();
        err = ERROR_NOT_ENOUGH_MEMORY;
    } else {
        OVERLAPPED& ov = m_pWriteRecord->ov;
        ov.Offset = ov.OffsetHigh = 0;
        // A handle opened without FILE_FLAG_OVERLAPPED (a test's anonymous pipe) completes here.
        if (::WriteFile(m_hWrite, data, length, nullptr, &ov))
            ::GetOverlappedResult(m_hWrite, &ov, &written, FALSE);
        else if ((err = ::GetLastError()) == ERROR_IO_PENDING)
            err = AwaitWrite(written);
    }
    if (err != ERROR_SUCCESS) {
        AfxTrace("%sCVciUsb USB 데이터 전송 에러1-1(err=%lx) \r\n\r\n\r\n", kVciTracePrefix, err);
        return FALSE;
    }
    // Part of a frame is no frame: the VCI would wait for the rest until its time-out.
    if (written != length) {
        AfxTrace("%sCVciUsb USB 데이터 전송 에러1-2(err=%lx) \r\n", kVciTracePrefix, ::GetLastError());
        return FALSE;
    }
    return TRUE;
}

bool vcilink::CancelTransfer(HANDLE file, OVERLAPPED& ov) {
    ::CancelIoEx(file, &ov);
    return ::WaitForSingleObject(ov.hEvent, kVciCancelWaitMs) == WAIT_OBJECT_0;
}

DWORD CVciUsb::AwaitWrite(DWORD& written) {
    OVERLAPPED& ov = m_pWriteRecord->ov;
    if (::WaitForSingleObject(ov.hEvent, kVciWriteTimeoutMs) == WAIT_OBJECT_0)
        return ::GetOverlappedResult(m_hWrite, &ov, &written, FALSE) ? ERROR_SUCCESS : ::GetLastError();

    if (!CancelTransfer(m_hWrite, ov)) {
        // A driver that does not complete the cancel still holds the record and will write the outcome
        // into it whenever it does: the record is left to it (a few dozen bytes, only with such a driver)
        // and nothing waits any longer. Its event is closed (the pending write holds the event itself,
        // not our handle); the bytes need no keeping, the system captured them when the write began. The
        // link closes the pipe after this failure, and the next write gets a new record.
        ::CloseHandle(ov.hEvent);
        static_cast<void>(m_pWriteRecord.release()); // deliberately never freed
        return ERROR_TIMEOUT;
    }
    // Ended now: cancelled, or finished just before the cancel came, and then it counts.
    return ::GetOverlappedResult(m_hWrite, &ov, &written, FALSE) ? ERROR_SUCCESS : ERROR_TIMEOUT;
}

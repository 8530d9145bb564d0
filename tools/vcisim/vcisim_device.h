// The simulated VCI's driver side: the device interface in the registry and the link that makes its
// path reach the named pipes.
#pragma once

#include <windows.h>

#include <string>

namespace vcisim {

inline constexpr wchar_t kDefaultVidPid[] = L"VID_1234&PID_5678";
inline constexpr wchar_t kDefaultInstance[] = L"SIM0";
inline constexpr wchar_t kReadPipe[] = L"\\\\.\\pipe\\PIPE00";  // VCI to PC
inline constexpr wchar_t kWritePipe[] = L"\\\\.\\pipe\\PIPE01"; // PC to VCI

// One published interface of the VCI class. Publishing writes the keys a driver's installation leaves
// (DeviceClasses and Enum) and creates the NT link from the interface path to the pipe device; the
// link lives while its handle is open, so unpublishing is an unplug.
class DeviceInterface {
  public:
    DeviceInterface(std::wstring vidPid, std::wstring instance);
    DeviceInterface(const DeviceInterface&) = delete;
    DeviceInterface& operator=(const DeviceInterface&) = delete;
    ~DeviceInterface(); // unpublishes and removes this interface's keys

    bool Publish();   // plug in
    void Unpublish(); // unplug: the path no longer opens
    bool IsPublished() const { return m_hLink != nullptr; }
    void RemoveKeys();

    // The path the device-setup library reports, e.g. \\?\usb#vid_1234&pid_5678#sim0#{8e120c45-...}.
    std::string DevicePath() const;

  private:
    std::wstring InterfaceKey() const;
    std::wstring EnumKey() const;
    void SetLinked(DWORD linked);

    std::wstring m_VidPid;
    std::wstring m_Instance;
    HANDLE m_hLink = nullptr;
};

// Removes every key of the VCI interface class and of the simulator's device (what a crashed simulator
// may have left behind).
void RemoveAllKeys(const std::wstring& vidPid = kDefaultVidPid);

} // namespace vcisim

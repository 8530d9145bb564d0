// Registry keys and the NT symbolic link through which the simulated VCI's interface path opens.
#include "tools/vcisim/vcisim_device.h"

#include <winternl.h>

#include <cwctype>

extern "C" NTSTATUS NTAPI NtCreateSymbolicLinkObject(PHANDLE link, ACCESS_MASK access,
                                                     POBJECT_ATTRIBUTES attrs, PUNICODE_STRING target);

namespace vcisim {

namespace {

constexpr wchar_t kClassGuid[] = L"{8e120c45-4968-4188-ba19-9a82361c8fa8}";
constexpr wchar_t kUsbClassGuid[] = L"{36fc9e60-c465-11cf-8056-444553540000}";
constexpr wchar_t kDeviceClasses[] = L"System\\CurrentControlSet\\Control\\DeviceClasses\\";
constexpr wchar_t kEnumUsb[] = L"System\\CurrentControlSet\\Enum\\USB\\";
constexpr ACCESS_MASK kSymbolicLinkAllAccess = 0xF0001;

bool SetValue(const std::wstring& key, const wchar_t* name, DWORD type, const void* data, DWORD size) {
    HKEY h;
    if (::RegCreateKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &h,
                          nullptr))
        return false;
    const bool ok = ::RegSetValueExW(h, name, 0, type, static_cast<const BYTE*>(data), size) == ERROR_SUCCESS;
    ::RegCloseKey(h);
    return ok;
}

bool SetString(const std::wstring& key, const wchar_t* name, const std::wstring& value) {
    return SetValue(key, name, REG_SZ, value.c_str(),
                    static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

std::wstring Lower(std::wstring s) {
    for (auto& c : s)
        c = static_cast<wchar_t>(std::towlower(c));
    return s;
}

} // namespace

DeviceInterface::DeviceInterface(std::wstring vidPid, std::wstring instance)
    : m_VidPid(std::move(vidPid)), m_Instance(std::move(instance)) {}

DeviceInterface::~DeviceInterface() {
    Unpublish();
    RemoveKeys();
}

std::wstring DeviceInterface::InterfaceKey() const {
    return std::wstring(kDeviceClasses) + kClassGuid + L"\\##?#USB#" + m_VidPid + L"#" + m_Instance + L"#" +
           kClassGuid;
}

std::wstring DeviceInterface::EnumKey() const {
    return std::wstring(kEnumUsb) + m_VidPid + L"\\" + m_Instance;
}

std::string DeviceInterface::DevicePath() const {
    const std::wstring w = L"\\\\?\\usb#" + Lower(m_VidPid + L"#" + m_Instance) + L"#" + kClassGuid;
    return std::string(w.begin(), w.end()); // ASCII by construction
}

void DeviceInterface::SetLinked(DWORD linked) {
    SetValue(InterfaceKey() + L"\\#\\Control", L"Linked", REG_DWORD, &linked, sizeof linked);
}

bool DeviceInterface::Publish() {
    if (m_hLink) return true;
    if (!SetString(EnumKey(), L"ClassGUID", kUsbClassGuid)) return false;
    if (!SetString(InterfaceKey(), L"DeviceInstance", L"USB\\" + m_VidPid + L"\\" + m_Instance)) return false;
    SetLinked(1);

    const std::wstring name = L"\\??\\usb#" + Lower(m_VidPid + L"#" + m_Instance) + L"#" + kClassGuid;
    UNICODE_STRING uname, utarget;
    ::RtlInitUnicodeString(&uname, name.c_str());
    ::RtlInitUnicodeString(&utarget, L"\\Device\\NamedPipe");
    OBJECT_ATTRIBUTES oa;
    InitializeObjectAttributes(&oa, &uname, OBJ_CASE_INSENSITIVE, nullptr, nullptr);
    HANDLE link = nullptr;
    if (NtCreateSymbolicLinkObject(&link, kSymbolicLinkAllAccess, &oa, &utarget) < 0) return false;
    m_hLink = link;
    return true;
}

void DeviceInterface::Unpublish() {
    if (!m_hLink) return;
    ::CloseHandle(m_hLink);
    m_hLink = nullptr;
    SetLinked(0);
}

void DeviceInterface::RemoveKeys() {
    ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, InterfaceKey().c_str());
    ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, EnumKey().c_str());
    // The vendor key goes too once no instance is left under it.
    ::RegDeleteKeyW(HKEY_LOCAL_MACHINE, (std::wstring(kEnumUsb) + m_VidPid).c_str());
}

void RemoveAllKeys(const std::wstring& vidPid) {
    ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, (std::wstring(kDeviceClasses) + kClassGuid).c_str());
    ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, (std::wstring(kEnumUsb) + vidPid).c_str());
}

} // namespace vcisim

// A hand-made adapter list served through the dialog's adapter source, in GetAdaptersInfo's manner.
#pragma once

#include <winsock2.h>

#include <iphlpapi.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "adapters/orvane_dlg_adapters.h"

namespace wintest {

struct FakeAdapter {
    std::string description;
    std::array<uint8_t, 6> mac;
    bool dhcp = false;
    std::string dhcpServer;
    UINT type = MIB_IF_TYPE_ETHERNET;
};

struct FakeAdapterList {
    std::vector<FakeAdapter> adapters;
    ULONG firstCalls = 0;
    ULONG secondCalls = 0;
    bool failSecondCall = false;
};

inline FakeAdapterList g_fakeAdapters;

// Fills records into a caller's buffer, linked in order, as the IP Helper library does.
inline void FillAdapterRecords(const std::vector<FakeAdapter>& list, IP_ADAPTER_INFO* records) {
    for (size_t i = 0; i < list.size(); ++i) {
        IP_ADAPTER_INFO& r = records[i];
        std::memset(&r, 0, sizeof r);
        r.Next = i + 1 < list.size() ? &records[i + 1] : nullptr;
        std::strncpy(r.Description, list[i].description.c_str(), sizeof r.Description - 1);
        r.Type = list[i].type;
        r.AddressLength = 6;
        std::memcpy(r.Address, list[i].mac.data(), 6);
        r.DhcpEnabled = list[i].dhcp;
        std::strncpy(r.DhcpServer.IpAddress.String, list[i].dhcpServer.c_str(),
                     sizeof r.DhcpServer.IpAddress.String - 1);
    }
}

inline ULONG WINAPI FakeGetAdaptersInfo(PIP_ADAPTER_INFO info, PULONG size) {
    const auto& list = g_fakeAdapters.adapters;
    if (list.empty()) return ERROR_NO_DATA;
    const ULONG needed = static_cast<ULONG>(list.size() * sizeof(IP_ADAPTER_INFO));
    if (!info || *size < needed) {
        ++g_fakeAdapters.firstCalls;
        *size = needed;
        return ERROR_BUFFER_OVERFLOW;
    }
    ++g_fakeAdapters.secondCalls;
    if (g_fakeAdapters.failSecondCall) return ERROR_INVALID_DATA;
    FillAdapterRecords(list, info);
    return ERROR_SUCCESS;
}

// Serves the list for as long as it lives.
class FakeAdapterSource {
  public:
    explicit FakeAdapterSource(std::vector<FakeAdapter> adapters) {
        g_fakeAdapters = FakeAdapterList{};
        g_fakeAdapters.adapters = std::move(adapters);
        adapters::dlg::SetAdaptersInfoSource(&FakeGetAdaptersInfo);
    }
    ~FakeAdapterSource() { adapters::dlg::SetAdaptersInfoSource(nullptr); }
    FakeAdapterSource(const FakeAdapterSource&) = delete;
    FakeAdapterSource& operator=(const FakeAdapterSource&) = delete;
};

} // namespace wintest

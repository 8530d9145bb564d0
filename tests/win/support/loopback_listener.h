// A blocking listening socket on loopback for the socket tests: the far end of a test connection, or
// an AP that the test plays itself.
#pragma once

#include <winsock2.h>

#include <memory>
#include <string>

#include "framework/afxstr.h"

namespace wintest {

class LoopbackListener {
  public:
    // listen = false: bound but not listening, so every connect is refused.
    explicit LoopbackListener(bool listen = true, const std::string& address = "127.0.0.1", u_short port = 0)
        : m_address(address) {
        m_listener = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in sa{};
        sa.sin_family = AF_INET;
        sa.sin_port = ::htons(port);
        sa.sin_addr.s_addr = ::inet_addr(address.c_str());
        int len = sizeof sa;
        if (::bind(m_listener, reinterpret_cast<sockaddr*>(&sa), sizeof sa) == 0 &&
            (!listen || ::listen(m_listener, 4) == 0) &&
            ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&sa), &len) == 0)
            m_port = ::ntohs(sa.sin_port);
    }
    ~LoopbackListener() {
        CloseAccepted();
        if (m_listener != INVALID_SOCKET) ::closesocket(m_listener);
    }
    LoopbackListener(const LoopbackListener&) = delete;
    LoopbackListener& operator=(const LoopbackListener&) = delete;

    UINT Port() const { return m_port; }
    CString Address() const { return CString(std::wstring(m_address.begin(), m_address.end())); }

    // Takes the connection that is waiting; true when there is one.
    bool Accept() {
        fd_set set;
        FD_ZERO(&set);
        FD_SET(m_listener, &set);
        timeval tv{5, 0};
        if (::select(0, &set, nullptr, nullptr, &tv) != 1) return false;
        m_accepted = ::accept(m_listener, nullptr, nullptr);
        return m_accepted != INVALID_SOCKET;
    }
    bool SendText(const std::string& text) {
        return ::send(m_accepted, text.data(), static_cast<int>(text.size()), 0) ==
               static_cast<int>(text.size());
    }
    // Reads what the client sent within a moment (0: only what is there already).
    std::string ReceiveText(int waitMs = 2000) {
        fd_set set;
        FD_ZERO(&set);
        FD_SET(m_accepted, &set);
        timeval tv{waitMs / 1000, (waitMs % 1000) * 1000};
        if (::select(0, &set, nullptr, nullptr, &tv) != 1) return {};
        char buf[4096];
        const int n = ::recv(m_accepted, buf, sizeof buf, 0);
        return n > 0 ? std::string(buf, static_cast<size_t>(n)) : std::string();
    }
    void CloseAccepted() {
        if (m_accepted != INVALID_SOCKET) ::closesocket(m_accepted);
        m_accepted = INVALID_SOCKET;
    }

  private:
    std::string m_address;
    SOCKET m_listener = INVALID_SOCKET;
    SOCKET m_accepted = INVALID_SOCKET;
    UINT m_port = 0;
};

// The AP's port at a loopback address of its own: an AP that the test plays, or (listen = false)
// an address where every connect is refused (10061).
inline std::unique_ptr<LoopbackListener> ApEndpoint(bool listen = true) {
    for (unsigned attempt = 0; attempt < 20; ++attempt) {
        const unsigned a = 2 + (::GetTickCount() + attempt * 37u) % 250;
        const unsigned b = 2 + (::GetCurrentProcessId() + attempt * 11u) % 250;
        auto ap = std::make_unique<LoopbackListener>(
            listen, "127.1." + std::to_string(a) + "." + std::to_string(b), u_short{4321});
        if (ap->Port() == 4321) return ap;
    }
    return nullptr;
}

} // namespace wintest

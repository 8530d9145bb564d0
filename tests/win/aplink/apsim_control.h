// The AP simulator's control port as the AP tests and the bench talk to it: set-up commands, the command
// lines the AP received, its counters.
#pragma once

#include <winsock2.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "framework/afxsock.h"
#include "framework/afxstr.h"

namespace wintest {

inline std::string Env(const char* name) {
    const char* v = std::getenv(name);
    return v ? v : "";
}

// The control port of the apsim that the launcher started for this process (loopback only).
class ApsimControl {
  public:
    ApsimControl() {
        AfxSocketInit();
        m_address = Env("ORVANE_APSIM_ADDRESS");
        const std::string port = Env("ORVANE_APSIM_CONTROL_PORT");
        if (m_address.rfind("127.", 0) != 0 || port.empty()) return;
        m_socket = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in sa{};
        sa.sin_family = AF_INET;
        sa.sin_port = ::htons(static_cast<u_short>(std::atoi(port.c_str())));
        sa.sin_addr.s_addr = ::inet_addr(m_address.c_str());
        if (::connect(m_socket, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0) {
            ::closesocket(m_socket);
            m_socket = INVALID_SOCKET;
        }
    }
    ~ApsimControl() {
        if (m_socket != INVALID_SOCKET) ::closesocket(m_socket);
    }
    ApsimControl(const ApsimControl&) = delete;
    ApsimControl& operator=(const ApsimControl&) = delete;

    bool Ready() const { return m_socket != INVALID_SOCKET; }
    CString Address() const { return CString(std::wstring(m_address.begin(), m_address.end())); }

    // One control line; the answer's lines, the closing "ok ..." or "error ..." line last.
    std::vector<std::string> Command(const std::string& line) {
        std::vector<std::string> lines;
        if (!Ready()) return lines;
        const std::string out = line + "\n";
        ::send(m_socket, out.data(), static_cast<int>(out.size()), 0);
        for (;;) {
            size_t nl;
            while ((nl = m_pending.find('\n')) != std::string::npos) {
                lines.push_back(m_pending.substr(0, nl));
                m_pending.erase(0, nl + 1);
                const std::string& last = lines.back();
                if (last.rfind("ok", 0) == 0 || last.rfind("error", 0) == 0) return lines;
            }
            char chunk[4096];
            const int n = ::recv(m_socket, chunk, sizeof chunk, 0);
            if (n <= 0) return lines;
            m_pending.append(chunk, static_cast<size_t>(n));
        }
    }
    bool Ok(const std::string& line) {
        const auto answer = Command(line);
        return !answer.empty() && answer.back().rfind("ok", 0) == 0;
    }
    // The command lines apsim received, without their carriage return, in order.
    std::vector<std::string> Commands() {
        std::vector<std::string> commands;
        for (const std::string& l : Command("log")) {
            if (l.empty() || l[0] != '"') continue;
            const size_t end = l.find("\" -> ");
            if (end != std::string::npos) commands.push_back(l.substr(1, end - 1));
        }
        return commands;
    }
    std::string Stats() {
        const auto answer = Command("stats");
        return answer.empty() ? std::string() : answer.back();
    }

  private:
    std::string m_address;
    SOCKET m_socket = INVALID_SOCKET;
    std::string m_pending;
};

} // namespace wintest

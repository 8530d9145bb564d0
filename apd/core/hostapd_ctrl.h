// A client of hostapd's control interface: one datagram per command over a UNIX socket, each reply
// awaited for a bounded time.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace apd {

// What the hostapd backend talks through; tests put a scripted hostapd behind it.
class ControlChannel {
  public:
    virtual ~ControlChannel() = default;
    // hostapd's reply to one command; nullopt (and why) when none came.
    virtual std::optional<std::string> Request(std::string_view command, std::string& why) = 0;
};

inline constexpr int kHostapdReplyTimeoutMs = 1000;

class HostapdCtrl : public ControlChannel {
  public:
    // serverPath: the control socket of one interface, e.g. /var/run/hostapd/wlan0.
    explicit HostapdCtrl(std::string serverPath, int timeoutMs = kHostapdReplyTimeoutMs);
    ~HostapdCtrl() override;
    HostapdCtrl(const HostapdCtrl&) = delete;
    HostapdCtrl& operator=(const HostapdCtrl&) = delete;

    std::optional<std::string> Request(std::string_view command, std::string& why) override;

  private:
    bool Open(std::string& why);
    void Close();

    std::string m_serverPath;
    int m_timeoutMs;
    int m_fd = -1;
    std::string m_clientPath; // our own socket's name, removed again on Close
};

} // namespace apd

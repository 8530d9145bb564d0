// orvane-apd's TCP side: one technician served at a time, the newest connection taking over, within bounds.
#pragma once

#include <chrono>
#include <cstddef>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "apd/core/ap_engine.h"
#include "apd/core/ap_lines.h"
#include "apd/apd_settings.h"

namespace apd {

using LogFunction = std::function<void(LogLevel, const std::string&)>;

class Server {
  public:
    Server(Engine& engine, Limits limits, std::vector<Cidr> allow, LogFunction log);
    ~Server();
    Server(const Server&) = delete;
    Server& operator=(const Server&) = delete;

    // Binds listenAddress:port (0: any free port).
    bool Start(const std::string& listenAddress, int port, std::string& error);
    int Port() const { return m_port; }
    // "192.168.10.5:51234" of the connection being served; empty when none.
    const std::string& Peer() const { return m_peer; }

    enum class End { Stopped, Reload, Failed };
    // Serves until Stop() or Reload() (Failed: poll failed); Run again to go on serving after a reload.
    End Run();
    // Safe from another thread; a signal handler writes kStopByte or kReloadByte to StopWriteFd().
    void Stop();
    void Reload();
    int StopWriteFd() const { return m_stopPipe[1]; }
    static constexpr char kStopByte = 1;
    static constexpr char kReloadByte = 2;

    // New bounds and allowed ranges, for the connections accepted from now on (and the rate bound at once).
    void Reconfigure(Limits limits, std::vector<Cidr> allow);
    // beat runs at least every period while Run serves, also between commands (the service watchdog).
    void SetHeartbeat(std::chrono::milliseconds period, std::function<void()> beat);

  private:
    using Clock = std::chrono::steady_clock;

    void Accept();
    void Refuse(const std::string& peer);
    void Summarise(Clock::time_point now);
    void Beat(Clock::time_point now);
    void Drop(LogLevel level, const std::string& why);
    void Read();
    void Perform();
    void Flush();
    int PollTimeoutMs() const;

    Engine& m_engine;
    Limits m_limits;
    std::vector<Cidr> m_allow;
    LogFunction m_log;
    int m_listenFd = -1;
    int m_stopPipe[2] = {-1, -1};
    int m_port = 0;

    int m_clientFd = -1;
    std::string m_peer;
    LineFramer m_framer;
    std::deque<LineFramer::Line> m_lines; // read, not yet performed (commands-per-second)
    std::string m_unsent;
    Clock::time_point m_lastHeard{};
    // commands-per-second counts over all connections: a client that reconnects is not let off.
    Clock::time_point m_windowStart{};
    int m_windowCommands = 0;
    std::optional<Clock::time_point> m_throttleLogged;

    // Refused peers: the first is logged, the rest counted and summed up once per refusedSummaryS.
    std::optional<Clock::time_point> m_refusedSince;
    int m_refusedCount = 0;
    std::string m_refusedLast;

    std::chrono::milliseconds m_beatPeriod{0};
    std::function<void()> m_beat;
    Clock::time_point m_nextBeat{};
};

} // namespace apd

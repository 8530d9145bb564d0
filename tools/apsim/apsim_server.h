// The AP simulator's sockets: one AP client at a time, any number of control clients, timed answers.
#pragma once

#include <chrono>
#include <cstddef>
#include <deque>
#include <string>
#include <vector>

#include "tools/apsim/apsim_engine.h"
#include "apd/core/ap_lines.h"

namespace apsim {

using namespace apd;

enum class ListenScope { LoopbackOnly, Lan };

class Server {
  public:
    explicit Server(SimEngine& engine);
    ~Server();
    Server(const Server&) = delete;
    Server& operator=(const Server&) = delete;

    // Binds the AP port on listenAddress and the control port on it too when it is a loopback address,
    // else on 127.0.0.1. LoopbackOnly refuses any address outside 127.0.0.0/8; Lan takes one unicast
    // IPv4 address (never 0.0.0.0: the protocol has no authentication). A port of 0 picks a free one.
    bool Start(const std::string& listenAddress, int port, int controlPort, std::string& error,
               ListenScope scope = ListenScope::LoopbackOnly);
    int Port() const { return m_port; }
    int ControlPort() const { return m_controlPort; }

    // Serves until Stop(); returns false on a failure of poll.
    bool Run();
    // Safe from another thread and from a signal handler.
    void Stop();
    int StopWriteFd() const { return m_stopPipe[1]; }

  private:
    using Clock = std::chrono::steady_clock;

    struct Outgoing {
        Clock::time_point due;
        std::string bytes;
        bool close = false;
    };
    struct ControlClient {
        int fd = -1;
        std::string in;
        std::string out;
    };

    void AcceptClient();
    void DropClient();
    void ReadClient();
    void FlushClient();
    void Schedule(const Reply& reply);
    void AcceptControl();
    bool ServeControl(ControlClient& client); // false: drop it
    int PollTimeoutMs() const;

    SimEngine& m_engine;
    int m_listenFd = -1;
    int m_controlFd = -1;
    int m_stopPipe[2] = {-1, -1};
    int m_port = 0;
    int m_controlPort = 0;

    int m_clientFd = -1;
    LineFramer m_framer;
    bool m_closing = false; // a close is scheduled: no more commands are read
    std::deque<Outgoing> m_pending;
    std::string m_sendBuffer;
    bool m_closeWhenSent = false;
    Clock::time_point m_lastDue{};

    std::vector<ControlClient> m_controlClients;
};

} // namespace apsim

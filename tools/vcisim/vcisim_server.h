// The simulated VCI at run time: its device interface, the two pipes, the session thread, and the
// control commands that change it.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdio>
#include <deque>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "tools/vcisim/vcisim_device.h"
#include "tools/vcisim/vcisim_engine.h"

namespace vcisim {

struct ServerOptions {
    std::wstring vidPid = kDefaultVidPid;
    std::wstring instance = kDefaultInstance;
    bool startPlugged = true;
    DWORD clientPid = 0;           // 0: serve any process
    DWORD writeBuffer = 64 * 1024; // PIPE01's buffer: a write that does not fit waits for our read
    bool startWriteStalled = false;
    std::FILE* log = nullptr;
};

class Server {
  public:
    explicit Server(const ServerOptions& options);
    Server(const Server&) = delete;
    Server& operator=(const Server&) = delete;
    ~Server(); // stops the session thread, unplugs, removes the keys

    bool Start();
    // One control line; the answer is one or more lines, the last "ok ..." or "error ...".
    std::string Command(std::string_view line);
    bool QuitRequested() const { return m_bQuit; }
    std::string DevicePath() const { return m_Device.DevicePath(); }
    void Log(const std::string& line);

  private:
    enum class SessionEnd { ClientGone, Unplugged, Quit, BreakWrite };

    void SessionThread();
    bool AcceptClient(HANDLE pipe, DWORD timeoutMs);
    SessionEnd Serve(HANDLE in, HANDLE out);
    bool Perform(HANDLE out, const std::vector<SimWrite>& writes);
    bool WriteAll(HANDLE out, const std::vector<uint8_t>& bytes);
    bool Interrupted() const { return m_bQuit || !m_bPlugged || m_bBreakWrite; }
    void Wake() { ::SetEvent(m_hWake); }
    std::string Stats();

    ServerOptions m_Options;
    DeviceInterface m_Device;
    std::mutex m_Mutex; // guards the engine and the queued writes
    Engine m_Engine;
    std::deque<std::vector<SimWrite>> m_Queued; // writes ordered by control commands
    HANDLE m_hWake;
    HANDLE m_hPipesMade; // manual reset: the session thread has made its first pair of pipes
    std::atomic<bool> m_bQuit{false};
    std::atomic<bool> m_bPlugged{false};
    std::atomic<bool> m_bBreakWrite{false};
    std::atomic<bool> m_bWriteStalled{false}; // PIPE01 is not read: the device takes nothing
    std::atomic<bool> m_bReadPending{false};  // the session has a read of PIPE01 pending
    std::atomic<bool> m_bConnected{false};
    std::atomic<DWORD> m_ClientPid{0};
    std::atomic<uint32_t> m_Sessions{0};
    std::atomic<uint32_t> m_Rejected{0};
    std::atomic<uint64_t> m_BytesWritten{0};
    // GetTickCount when the first enter and read requests since the start (or reset) arrived; 0 before.
    // Wine's tick count is one clock for every process of a session, so tests can set it against theirs.
    DWORD m_FirstEnterAt = 0;
    DWORD m_FirstReadAt = 0;
    std::thread m_Thread;
};

} // namespace vcisim

// Starts the VCI simulator for a test, talks to its control port, and always ends it and its keys.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <cstdint>
#include <map>
#include <string>
#include <thread>
#include <vector>

namespace wintest {

class VciSimProcess {
  public:
    VciSimProcess() = default;
    VciSimProcess(const VciSimProcess&) = delete;
    VciSimProcess& operator=(const VciSimProcess&) = delete;
    ~VciSimProcess() { Stop(); }

    // Runs vcisim serving only this test process (other programs of the prefix are turned away), ended
    // by itself should this process die. False when it did not come up within 10 s.
    bool Start(const std::wstring& extraArgs = L"");
    // Quits it (or ends it by its handle) and removes the registry keys in any case.
    void Stop();

    // One control line; the whole answer, its last line "ok ..." or "error ...". Empty on failure.
    std::string Command(const std::string& line);
    bool Ok(const std::string& line) { return Command(line).rfind("ok", 0) == 0; }
    std::map<std::string, uint64_t> Stats();
    // The frames it logged: "rx 02 0D ..." and "tx ...", oldest first.
    std::vector<std::string> Frames();
    std::string DevicePath(); // as reported by "status"
    DWORD Pid() const { return m_Process.dwProcessId; }

  private:
    PROCESS_INFORMATION m_Process{};
    SOCKET m_Control = INVALID_SOCKET;
    std::wstring m_PortFile;
};

// Sends one control line after `ms` unless it is destroyed first: the way out for a test whose own
// thread may be held by the device (a write that the stalled device never takes). Until it is destroyed
// the test must not talk to the simulator itself.
class DeferredCommand {
  public:
    DeferredCommand(VciSimProcess& sim, std::string line, DWORD ms);
    DeferredCommand(const DeferredCommand&) = delete;
    DeferredCommand& operator=(const DeferredCommand&) = delete;
    ~DeferredCommand(); // cancels the line if it has not gone yet, and waits for the thread

  private:
    HANDLE m_hCancel;
    std::thread m_Thread;
};

} // namespace wintest

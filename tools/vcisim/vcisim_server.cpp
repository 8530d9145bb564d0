// The simulated VCI's pipes: one session at a time on PIPE01 (requests) and PIPE00 (replies), and the
// control commands.
#include "tools/vcisim/vcisim_server.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <sstream>

#include "tools/common/tool_text.h"

using namespace vcilink;

namespace vcisim {

namespace {

constexpr DWORD kPipeBuffer = 64 * 1024;
constexpr DWORD kSecondPipeTimeoutMs = 5000; // the program opens PIPE00 right after PIPE01
constexpr DWORD kSliceMs = 20;               // pauses are cut into slices so that an unplug is seen

const char kHelp[] =
    "status | stats | frames | plug | unplug | break-write | stall-write [off] | client PID | mac HEX12\n"
    "set OFFSET HEX...\n"
    "noreply [N] | badsum [N] | repeat [N] | twice [N] | stall MS [N] [resume] | trickle BYTES MS [N]\n"
    "split SIZE [N] | delay MS | unsolicited [TEXT] | flood BYTES [MSGSIZE] | clear | reset | quit\n";

using tooltext::Words;

// Decimal, or hexadecimal with 0x; never negative, and within T.
template <typename T> bool Number(std::string_view s, T& out) {
    constexpr auto kMax = static_cast<std::int64_t>(
        std::min<std::uint64_t>(std::numeric_limits<T>::max(), std::numeric_limits<std::int64_t>::max()));
    const auto value = tooltext::ParseNumber(s, 0, kMax);
    if (value) out = static_cast<T>(*value);
    return value.has_value();
}

// The optional count of a fault command: 1 when absent.
bool Count(const std::vector<std::string_view>& w, size_t at, int& n) {
    n = 1;
    return w.size() <= at || (Number(w[at], n) && n >= 0);
}

struct Overlapped {
    Overlapped() { ov.hEvent = ::CreateEventW(nullptr, TRUE, FALSE, nullptr); }
    ~Overlapped() { ::CloseHandle(ov.hEvent); }
    OVERLAPPED ov{};
};

} // namespace

Server::Server(const ServerOptions& options)
    : m_Options(options), m_Device(options.vidPid, options.instance),
      m_hWake(::CreateEventW(nullptr, FALSE, FALSE, nullptr)),
      m_hPipesMade(::CreateEventW(nullptr, TRUE, FALSE, nullptr)), m_bWriteStalled(options.startWriteStalled),
      m_ClientPid(options.clientPid) {
    // Every frame in or out goes to the run log too.
    m_Engine.onFrame = [this](const std::string& line) { Log(line); };
}

Server::~Server() {
    m_bQuit = true;
    Wake();
    if (m_Thread.joinable()) m_Thread.join();
    m_Device.Unpublish();
    m_Device.RemoveKeys();
    ::CloseHandle(m_hWake);
    ::CloseHandle(m_hPipesMade);
}

void Server::Log(const std::string& line) {
    if (!m_Options.log) return;
    std::fprintf(m_Options.log, "%s\n", line.c_str());
    std::fflush(m_Options.log);
}

bool Server::Start() {
    // Keys a crashed run left behind would show a second interface that never opens.
    RemoveAllKeys(m_Options.vidPid);
    if (m_Options.startPlugged) {
        if (!m_Device.Publish()) return false;
        m_bPlugged = true;
    }
    m_Thread = std::thread([this] { SessionThread(); });
    // A plugged device is up once its pipes can be opened: whoever learns of it (the port file) may
    // open them at once.
    if (m_bPlugged) ::WaitForSingleObject(m_hPipesMade, 5000);
    return true;
}

// ---------------------------------------------------------------------------------------------
// Sessions

void Server::SessionThread() {
    HANDLE staleOut = INVALID_HANDLE_VALUE; // PIPE00 of a session whose PIPE01 was broken on command
    auto closeStale = [&] {
        if (staleOut != INVALID_HANDLE_VALUE) ::CloseHandle(staleOut);
        staleOut = INVALID_HANDLE_VALUE;
    };
    while (!m_bQuit) {
        if (!m_bPlugged) {
            closeStale();
            ::WaitForSingleObject(m_hWake, 200);
            continue;
        }
        m_bBreakWrite = false;
        HANDLE in =
            ::CreateNamedPipeW(kWritePipe, PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED,
                               PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT, PIPE_UNLIMITED_INSTANCES,
                               kPipeBuffer, m_Options.writeBuffer, 0, nullptr);
        HANDLE out = ::CreateNamedPipeW(kReadPipe, PIPE_ACCESS_OUTBOUND | FILE_FLAG_OVERLAPPED,
                                        PIPE_TYPE_BYTE | PIPE_WAIT, PIPE_UNLIMITED_INSTANCES,
                                        kPipeBuffer * 16, kPipeBuffer, 0, nullptr);
        if (in != INVALID_HANDLE_VALUE && out != INVALID_HANDLE_VALUE) ::SetEvent(m_hPipesMade);
        if (in == INVALID_HANDLE_VALUE || out == INVALID_HANDLE_VALUE) {
            Log("error: cannot create the pipes");
            if (in != INVALID_HANDLE_VALUE) ::CloseHandle(in);
            if (out != INVALID_HANDLE_VALUE) ::CloseHandle(out);
            ::WaitForSingleObject(m_hWake, 500);
            continue;
        }
        SessionEnd end = SessionEnd::ClientGone;
        if (AcceptClient(in, INFINITE)) {
            closeStale();
            if (AcceptClient(out, kSecondPipeTimeoutMs)) {
                {
                    std::lock_guard<std::mutex> lock(m_Mutex);
                    m_Engine.OnNewSession();
                    m_Queued.clear();
                }
                ++m_Sessions;
                m_bConnected = true;
                Log("session " + std::to_string(m_Sessions.load()) + " open");
                end = Serve(in, out);
                m_bConnected = false;
                Log("session closed");
            }
        }
        ::CloseHandle(in);
        if (end == SessionEnd::BreakWrite) {
            staleOut = out; // the program's reader keeps its pipe until it notices its failed write
        } else {
            ::CloseHandle(out);
        }
    }
    closeStale();
}

bool Server::AcceptClient(HANDLE pipe, DWORD timeoutMs) {
    const DWORD start = ::GetTickCount();
    for (;;) {
        Overlapped c;
        BOOL ok = ::ConnectNamedPipe(pipe, &c.ov);
        DWORD err = ok ? ERROR_SUCCESS : ::GetLastError();
        if (!ok && err == ERROR_IO_PENDING) {
            for (;;) {
                HANDLE waits[2] = {c.ov.hEvent, m_hWake};
                const DWORD spent = ::GetTickCount() - start;
                if (timeoutMs != INFINITE && spent >= timeoutMs) {
                    ::CancelIo(pipe);
                    DWORD n;
                    ::GetOverlappedResult(pipe, &c.ov, &n, TRUE);
                    return false;
                }
                const DWORD r = ::WaitForMultipleObjects(
                    2, waits, FALSE, timeoutMs == INFINITE ? INFINITE : timeoutMs - spent);
                if (r == WAIT_OBJECT_0) break;
                if (m_bQuit || !m_bPlugged) {
                    ::CancelIo(pipe);
                    DWORD n;
                    ::GetOverlappedResult(pipe, &c.ov, &n, TRUE);
                    return false;
                }
            }
            DWORD n;
            ok = ::GetOverlappedResult(pipe, &c.ov, &n, FALSE);
            err = ok ? ERROR_SUCCESS : ::GetLastError();
        }
        if (!ok && err != ERROR_PIPE_CONNECTED) {
            ::DisconnectNamedPipe(pipe);
            if (m_bQuit || !m_bPlugged) return false;
            continue;
        }
        ULONG pid = 0;
        ::GetNamedPipeClientProcessId(pipe, &pid);
        const DWORD wanted = m_ClientPid;
        if (wanted == 0 || pid == wanted) return true;
        // Another program of the same prefix found the device: it is not the one under test.
        ++m_Rejected;
        Log("rejected client process " + std::to_string(pid));
        ::DisconnectNamedPipe(pipe);
    }
}

Server::SessionEnd Server::Serve(HANDLE in, HANDLE out) {
    Overlapped r;
    std::vector<uint8_t> buf(4096);
    // m_bReadPending: a read of PIPE01 is pending (or about to be). The stall command waits for it to
    // go, so that no write of the program slips into a read issued before the stall.
    struct Pending {
        std::atomic<bool>& flag;
        ~Pending() { flag = false; }
    } pendingGuard{m_bReadPending};
    auto ended = [&] {
        if (m_bReadPending) {
            ::CancelIo(in);
            DWORD n;
            ::GetOverlappedResult(in, &r.ov, &n, TRUE);
        }
        return m_bQuit         ? SessionEnd::Quit
               : !m_bPlugged   ? SessionEnd::Unplugged
               : m_bBreakWrite ? SessionEnd::BreakWrite
                               : SessionEnd::ClientGone;
    };
    for (;;) {
        DWORD n = 0;
        bool got = false;
        // A stalled device reads nothing: the program's writes stay in PIPE01's buffer, and one that
        // does not fit waits. The flag is raised before the stall is looked at (see Command).
        if (!m_bReadPending) {
            m_bReadPending = true;
            if (m_bWriteStalled) {
                m_bReadPending = false;
            } else if (::ReadFile(in, buf.data(), static_cast<DWORD>(buf.size()), &n, &r.ov)) {
                m_bReadPending = false;
                got = true;
            } else if (::GetLastError() != ERROR_IO_PENDING) {
                return SessionEnd::ClientGone;
            }
        }
        if (!got) {
            HANDLE waits[2] = {m_hWake, r.ov.hEvent};
            if (::WaitForMultipleObjects(m_bReadPending ? 2 : 1, waits, FALSE, INFINITE) ==
                WAIT_OBJECT_0 + 1) {
                m_bReadPending = false;
                if (!::GetOverlappedResult(in, &r.ov, &n, FALSE)) return SessionEnd::ClientGone;
                got = true;
            } else {
                if (Interrupted()) return ended();
                if (m_bWriteStalled && m_bReadPending) {
                    // The pending read would take the next write: withdrawn, keeping what it already got.
                    ::CancelIo(in);
                    got = ::GetOverlappedResult(in, &r.ov, &n, TRUE) != FALSE;
                    m_bReadPending = false;
                }
                std::deque<std::vector<SimWrite>> queued;
                {
                    std::lock_guard<std::mutex> lock(m_Mutex);
                    queued.swap(m_Queued);
                }
                for (auto& writes : queued)
                    if (!Perform(out, writes)) return ended();
            }
        }
        if (!got || n == 0) continue;
        std::vector<SimWrite> writes;
        {
            std::lock_guard<std::mutex> lock(m_Mutex);
            const DWORD at = ::GetTickCount();
            writes = m_Engine.OnBytes({buf.data(), n});
            if (!m_FirstEnterAt && m_Engine.counters().enter > 0) m_FirstEnterAt = at;
            if (!m_FirstReadAt && m_Engine.counters().read > 0) m_FirstReadAt = at;
        }
        if (!Perform(out, writes)) return ended();
    }
}

bool Server::Perform(HANDLE out, const std::vector<SimWrite>& writes) {
    for (const SimWrite& w : writes) {
        for (DWORD waited = 0; waited < w.delayMs; waited += kSliceMs) {
            if (Interrupted()) return false;
            ::Sleep(std::min(kSliceMs, w.delayMs - waited));
        }
        if (Interrupted()) return false;
        if (!w.bytes.empty() && !WriteAll(out, w.bytes)) return false;
    }
    return true;
}

bool Server::WriteAll(HANDLE out, const std::vector<uint8_t>& bytes) {
    Overlapped w;
    DWORD n = 0;
    BOOL ok = ::WriteFile(out, bytes.data(), static_cast<DWORD>(bytes.size()), &n, &w.ov);
    if (!ok && ::GetLastError() != ERROR_IO_PENDING) return false;
    if (!ok) {
        // A reader that stopped reading must not keep an unplug from happening.
        while (::WaitForSingleObject(w.ov.hEvent, kSliceMs) == WAIT_TIMEOUT) {
            if (Interrupted()) {
                ::CancelIo(out);
                ::GetOverlappedResult(out, &w.ov, &n, TRUE);
                return false;
            }
        }
        if (!::GetOverlappedResult(out, &w.ov, &n, FALSE)) return false;
    }
    m_BytesWritten += n;
    return n == bytes.size();
}

// ---------------------------------------------------------------------------------------------
// Control

std::string Server::Stats() {
    std::lock_guard<std::mutex> lock(m_Mutex);
    const Counters& c = m_Engine.counters();
    std::ostringstream s;
    s << "ok enter=" << c.enter << " read=" << c.read << " leave=" << c.leave << " other=" << c.other
      << " acks=" << c.acks << " frames=" << c.frames << " badframes=" << c.badFrames
      << " badrequests=" << c.badRequests << " replies=" << c.replies << " unsolicited=" << c.unsolicited
      << " sessions=" << m_Sessions.load() << " rejected=" << m_Rejected.load() << " bytesin=" << c.bytesIn
      << " bytesout=" << m_BytesWritten.load() << " enterat=" << m_FirstEnterAt << " readat=" << m_FirstReadAt
      << "\n";
    return s.str();
}

std::string Server::Command(std::string_view line) {
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n'))
        line.remove_suffix(1);
    const auto w = Words(line);
    if (w.empty()) return "error empty line\n";
    Log("control: " + std::string(line));
    const std::string_view cmd = w[0];
    auto fault = [&](int Faults::*field) -> std::string {
        int n;
        if (!Count(w, 1, n)) return "error bad count\n";
        std::lock_guard<std::mutex> lock(m_Mutex);
        m_Engine.faults().*field = n;
        return "ok\n";
    };

    if (cmd == "help") return std::string(kHelp) + "ok\n";
    if (cmd == "status") {
        std::ostringstream s;
        s << "ok plugged=" << (m_bPlugged ? 1 : 0) << " connected=" << (m_bConnected ? 1 : 0)
          << " stalled=" << (m_bWriteStalled ? 1 : 0) << " client=" << m_ClientPid.load()
          << " path=" << m_Device.DevicePath() << "\n";
        return s.str();
    }
    if (cmd == "stats") return Stats();
    if (cmd == "frames") {
        std::lock_guard<std::mutex> lock(m_Mutex);
        std::string out;
        for (const auto& f : m_Engine.FrameLog())
            out += f + "\n";
        return out + "ok " + std::to_string(m_Engine.FrameLog().size()) + "\n";
    }
    if (cmd == "plug") {
        if (!m_Device.Publish()) return "error cannot publish the device\n";
        m_bPlugged = true;
        Wake();
        return "ok\n";
    }
    if (cmd == "unplug") {
        // The path disappears first, then the pipes close: the program's next poll finds nothing.
        m_Device.Unpublish();
        m_bPlugged = false;
        Wake();
        return "ok\n";
    }
    if (cmd == "break-write") {
        if (!m_bConnected) return "error not connected\n";
        m_bBreakWrite = true;
        Wake();
        return "ok\n";
    }
    if (cmd == "stall-write") {
        if (w.size() > 2 || (w.size() == 2 && w[1] != "off")) return "error usage: stall-write [off]\n";
        m_bWriteStalled = w.size() == 1;
        Wake();
        // "ok" once the session has withdrawn its read: from then on nothing the program writes is taken.
        for (int i = 0; m_bWriteStalled && m_bReadPending && i < 2000; ++i)
            ::Sleep(1);
        return m_bWriteStalled && m_bReadPending ? "error the session did not stop reading\n" : "ok\n";
    }
    if (cmd == "client") {
        DWORD pid;
        if (w.size() != 2 || !Number(w[1], pid)) return "error usage: client PID\n";
        m_ClientPid = pid;
        return "ok\n";
    }
    if (cmd == "mac") {
        auto bytes = w.size() >= 2 ? ParseHexBytes(line.substr(w[1].data() - line.data())) : std::nullopt;
        if (!bytes || bytes->size() != 6) return "error usage: mac 001A2B3C4D5E\n";
        uint8_t mac[6];
        std::copy(bytes->begin(), bytes->end(), mac);
        std::lock_guard<std::mutex> lock(m_Mutex);
        m_Engine.SetMac(mac);
        return "ok\n";
    }
    if (cmd == "set") {
        size_t offset;
        auto bytes = w.size() >= 3 ? ParseHexBytes(line.substr(w[2].data() - line.data())) : std::nullopt;
        if (w.size() < 3 || !Number(w[1], offset) || !bytes) return "error usage: set OFFSET HEX...\n";
        std::lock_guard<std::mutex> lock(m_Mutex);
        return m_Engine.SetBytes(offset, *bytes) ? "ok\n" : "error outside the settings block\n";
    }
    if (cmd == "noreply") return fault(&Faults::noReply);
    if (cmd == "badsum") return fault(&Faults::badSum);
    if (cmd == "repeat") return fault(&Faults::repeat);
    if (cmd == "twice") return fault(&Faults::twice);
    if (cmd == "stall") {
        uint32_t ms;
        int n = 1;
        bool resume = false;
        size_t next = 2;
        if (w.size() < 2 || !Number(w[1], ms)) return "error usage: stall MS [N] [resume]\n";
        if (w.size() > next && w[next] != "resume") {
            if (!Number(w[next], n) || n < 0) return "error bad count\n";
            ++next;
        }
        if (w.size() > next) {
            if (w[next] != "resume") return "error usage: stall MS [N] [resume]\n";
            resume = true;
        }
        std::lock_guard<std::mutex> lock(m_Mutex);
        Faults& f = m_Engine.faults();
        f.stall = n;
        f.stallMs = ms;
        f.stallResume = resume;
        return "ok\n";
    }
    if (cmd == "trickle") {
        size_t bytes;
        uint32_t ms;
        int n;
        if (w.size() < 3 || !Number(w[1], bytes) || !Number(w[2], ms) || bytes == 0 || !Count(w, 3, n))
            return "error usage: trickle BYTES MS [N]\n";
        std::lock_guard<std::mutex> lock(m_Mutex);
        Faults& f = m_Engine.faults();
        f.trickle = n;
        f.trickleBytes = bytes;
        f.trickleGapMs = ms;
        return "ok\n";
    }
    if (cmd == "split") {
        int size, n;
        if (w.size() < 2 || !Number(w[1], size) || size < 1 || size > static_cast<int>(kVciMaxFrameData) ||
            !Count(w, 2, n))
            return "error usage: split SIZE [N]\n";
        std::lock_guard<std::mutex> lock(m_Mutex);
        m_Engine.faults().split = n;
        m_Engine.faults().splitData = size;
        return "ok\n";
    }
    if (cmd == "delay") {
        uint32_t ms;
        if (w.size() != 2 || !Number(w[1], ms)) return "error usage: delay MS\n";
        std::lock_guard<std::mutex> lock(m_Mutex);
        m_Engine.faults().delayMs = ms;
        return "ok\n";
    }
    if (cmd == "unsolicited" || cmd == "flood") {
        if (!m_bConnected) return "error not connected\n";
        std::lock_guard<std::mutex> lock(m_Mutex);
        if (cmd == "unsolicited") {
            const std::string_view text =
                w.size() >= 2 ? line.substr(w[1].data() - line.data()) : std::string_view("VCI EVENT\r\n");
            m_Queued.push_back(m_Engine.Unsolicited(text));
        } else {
            size_t total, size = kVciMaxMessage;
            if (w.size() < 2 || !Number(w[1], total) || (w.size() >= 3 && !Number(w[2], size)))
                return "error usage: flood BYTES [MSGSIZE]\n";
            m_Queued.push_back(m_Engine.Flood(total, size));
        }
        Wake();
        return "ok\n";
    }
    if (cmd == "clear") {
        std::lock_guard<std::mutex> lock(m_Mutex);
        m_Engine.ClearFaults();
        return "ok\n";
    }
    if (cmd == "reset") {
        std::lock_guard<std::mutex> lock(m_Mutex);
        m_Engine.ClearFaults();
        m_Engine.ResetCounters();
        m_FirstEnterAt = m_FirstReadAt = 0;
        m_Sessions = 0;
        m_Rejected = 0;
        m_BytesWritten = 0;
        return "ok\n";
    }
    if (cmd == "quit") {
        m_bQuit = true;
        Wake();
        return "ok bye\n";
    }
    return "error unknown command (try help)\n";
}

} // namespace vcisim

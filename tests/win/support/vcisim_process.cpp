// The VCI simulator as a child process of a test: start, control lines, stop and clean-up.
#include "tests/win/support/vcisim_process.h"

#include <ws2tcpip.h>

#include <cstdio>
#include <sstream>

#include "tools/vcisim/vcisim_device.h"

#ifndef VCISIM_EXE
#error VCISIM_EXE must name the simulator executable
#endif

namespace wintest {

namespace {

constexpr DWORD kStartTimeoutMs = 10000;
constexpr DWORD kQuitTimeoutMs = 5000;

// The build tree is a Unix path; Wine sees it through drive Z:.
std::wstring SimulatorPath() {
    const std::string unix = VCISIM_EXE;
    std::wstring path = L"Z:";
    for (char c : unix)
        path += c == '/' ? L'\\' : static_cast<wchar_t>(c);
    return path;
}

bool EnsureSockets() {
    static const bool ok = [] {
        WSADATA wsa;
        return ::WSAStartup(MAKEWORD(2, 2), &wsa) == 0;
    }();
    return ok;
}

} // namespace

bool VciSimProcess::Start(const std::wstring& extraArgs) {
    Stop();
    if (!EnsureSockets()) return false;
    wchar_t dir[MAX_PATH];
    ::GetTempPathW(MAX_PATH, dir);
    static int serial = 0;
    m_PortFile = std::wstring(dir) + L"vcisim-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
                 std::to_wstring(++serial) + L".port";
    ::DeleteFileW(m_PortFile.c_str());

    const std::wstring self = std::to_wstring(::GetCurrentProcessId());
    std::wstring cmd = L"\"" + SimulatorPath() + L"\" --control-port 0 --port-file \"" + m_PortFile +
                       L"\" --client-pid " + self + L" --parent-pid " + self + L" " + extraArgs;
    // Its one ready line would only clutter the test's output.
    SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
    HANDLE nul = ::CreateFileW(L"NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &sa,
                               OPEN_EXISTING, 0, nullptr);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = si.hStdOutput = si.hStdError = nul;
    const BOOL created =
        ::CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &m_Process);
    ::CloseHandle(nul);
    if (!created) {
        m_Process = {};
        return false;
    }

    unsigned port = 0;
    const DWORD t0 = ::GetTickCount();
    while (::GetTickCount() - t0 < kStartTimeoutMs) {
        if (std::FILE* f = _wfopen(m_PortFile.c_str(), L"r")) {
            const int got = std::fscanf(f, "%u", &port);
            std::fclose(f);
            if (got == 1 && port) break;
        }
        if (::WaitForSingleObject(m_Process.hProcess, 20) == WAIT_OBJECT_0) break;
    }
    if (!port) {
        Stop();
        return false;
    }
    m_Control = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(static_cast<u_short>(port));
    DWORD timeout = 15000; // longer than any pause a command can take
    ::setsockopt(m_Control, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout), sizeof timeout);
    if (::connect(m_Control, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        Stop();
        return false;
    }
    return true;
}

void VciSimProcess::Stop() {
    if (m_Control != INVALID_SOCKET) {
        const char quit[] = "quit\n";
        ::send(m_Control, quit, sizeof quit - 1, 0);
        ::closesocket(m_Control);
        m_Control = INVALID_SOCKET;
    }
    if (m_Process.hProcess) {
        if (::WaitForSingleObject(m_Process.hProcess, kQuitTimeoutMs) != WAIT_OBJECT_0) {
            ::TerminateProcess(m_Process.hProcess, 1);
            ::WaitForSingleObject(m_Process.hProcess, kQuitTimeoutMs);
        }
        ::CloseHandle(m_Process.hProcess);
        ::CloseHandle(m_Process.hThread);
        m_Process = {};
    }
    // Whatever way it ended, no interface of it may stay behind for the next test.
    vcisim::RemoveAllKeys();
    if (!m_PortFile.empty()) ::DeleteFileW(m_PortFile.c_str());
}

std::string VciSimProcess::Command(const std::string& line) {
    if (m_Control == INVALID_SOCKET) return {};
    const std::string out = line + "\n";
    if (::send(m_Control, out.data(), static_cast<int>(out.size()), 0) != static_cast<int>(out.size()))
        return {};
    std::string answer;
    for (;;) {
        char buf[4096];
        const int n = ::recv(m_Control, buf, sizeof buf, 0);
        if (n <= 0) return {};
        answer.append(buf, static_cast<size_t>(n));
        // The answer is complete with its "ok"/"error" line.
        if (answer.size() < 2 || answer.back() != '\n') continue;
        const size_t last = answer.rfind('\n', answer.size() - 2);
        const std::string tail = answer.substr(last == std::string::npos ? 0 : last + 1);
        if (tail.rfind("ok", 0) == 0 || tail.rfind("error", 0) == 0) return answer;
    }
}

std::map<std::string, uint64_t> VciSimProcess::Stats() {
    std::map<std::string, uint64_t> stats;
    std::istringstream in(Command("stats"));
    std::string word;
    while (in >> word) {
        const size_t eq = word.find('=');
        if (eq != std::string::npos) stats[word.substr(0, eq)] = std::stoull(word.substr(eq + 1));
    }
    return stats;
}

std::vector<std::string> VciSimProcess::Frames() {
    std::vector<std::string> frames;
    std::istringstream in(Command("frames"));
    std::string line;
    while (std::getline(in, line))
        if (line.rfind("rx", 0) == 0 || line.rfind("tx", 0) == 0) frames.push_back(line);
    return frames;
}

std::string VciSimProcess::DevicePath() {
    const std::string s = Command("status");
    const size_t at = s.find("path=");
    if (at == std::string::npos) return {};
    const size_t end = s.find_first_of(" \r\n", at);
    return s.substr(at + 5, end - at - 5);
}

DeferredCommand::DeferredCommand(VciSimProcess& sim, std::string line, DWORD ms)
    : m_hCancel(::CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
    m_Thread = std::thread([this, &sim, line = std::move(line), ms] {
        if (::WaitForSingleObject(m_hCancel, ms) == WAIT_TIMEOUT) sim.Command(line);
    });
}

DeferredCommand::~DeferredCommand() {
    ::SetEvent(m_hCancel);
    m_Thread.join();
    ::CloseHandle(m_hCancel);
}

} // namespace wintest

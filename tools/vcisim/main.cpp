// vcisim: the simulated VCI and its USB driver, run under Wine next to the program; controlled over a
// loopback TCP port.
#include <winsock2.h>
#include <ws2tcpip.h>

#include <cstdio>
#include <cstring>
#include <cwchar>
#include <string>

#include "tools/vcisim/vcisim_server.h"

namespace {

const char kUsage[] =
    "usage: vcisim [--control-port N] [--port-file PATH] [--mac HEX12] [--instance NAME]\n"
    "              [--vid-pid VID_xxxx&PID_xxxx] [--unplugged] [--client-pid PID] [--parent-pid PID]\n"
    "              [--write-buffer BYTES] [--stall-write] [--log PATH]\n"
    "       vcisim --cleanup   (remove the registry keys a killed simulator left behind)\n";

struct Options {
    vcisim::ServerOptions server;
    unsigned short controlPort = 0;
    std::wstring portFile;
    std::wstring logFile;
    std::string mac;
    DWORD parentPid = 0;
    bool cleanup = false;
};

bool ParseOptions(int argc, wchar_t** argv, Options& o) {
    for (int i = 1; i < argc; ++i) {
        const std::wstring a = argv[i];
        auto value = [&](std::wstring& out) {
            if (i + 1 >= argc) return false;
            out = argv[++i];
            return true;
        };
        std::wstring v;
        if (a == L"--cleanup") {
            o.cleanup = true;
        } else if (a == L"--unplugged") {
            o.server.startPlugged = false;
        } else if (a == L"--control-port" && value(v)) {
            o.controlPort = static_cast<unsigned short>(std::wcstoul(v.c_str(), nullptr, 10));
        } else if (a == L"--port-file" && value(v)) {
            o.portFile = v;
        } else if (a == L"--log" && value(v)) {
            o.logFile = v;
        } else if (a == L"--mac" && value(v)) {
            o.mac.assign(v.begin(), v.end());
        } else if (a == L"--instance" && value(v)) {
            o.server.instance = v;
        } else if (a == L"--vid-pid" && value(v)) {
            o.server.vidPid = v;
        } else if (a == L"--client-pid" && value(v)) {
            o.server.clientPid = std::wcstoul(v.c_str(), nullptr, 10);
        } else if (a == L"--write-buffer" && value(v)) {
            o.server.writeBuffer = std::wcstoul(v.c_str(), nullptr, 10);
        } else if (a == L"--stall-write") {
            o.server.startWriteStalled = true;
        } else if (a == L"--parent-pid" && value(v)) {
            o.parentPid = std::wcstoul(v.c_str(), nullptr, 10);
        } else {
            return false;
        }
    }
    return true;
}

// Serves control lines on one loopback connection at a time until quit or the parent ends.
void ControlLoop(SOCKET listener, vcisim::Server& server, HANDLE parent) {
    SOCKET client = INVALID_SOCKET;
    std::string pending;
    while (!server.QuitRequested()) {
        if (parent && ::WaitForSingleObject(parent, 0) == WAIT_OBJECT_0) {
            server.Log("parent process ended");
            break;
        }
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(listener, &readable);
        if (client != INVALID_SOCKET) FD_SET(client, &readable);
        timeval tv{0, 100 * 1000};
        if (::select(0, &readable, nullptr, nullptr, &tv) <= 0) continue;
        if (FD_ISSET(listener, &readable)) {
            SOCKET s = ::accept(listener, nullptr, nullptr);
            if (s != INVALID_SOCKET) {
                if (client != INVALID_SOCKET) ::closesocket(client); // the newest controller wins
                client = s;
                pending.clear();
            }
        }
        if (client != INVALID_SOCKET && FD_ISSET(client, &readable)) {
            char buf[4096];
            const int n = ::recv(client, buf, sizeof buf, 0);
            if (n <= 0) {
                ::closesocket(client);
                client = INVALID_SOCKET;
                continue;
            }
            pending.append(buf, static_cast<size_t>(n));
            for (size_t nl; (nl = pending.find('\n')) != std::string::npos;) {
                const std::string answer = server.Command(std::string_view(pending).substr(0, nl));
                pending.erase(0, nl + 1);
                ::send(client, answer.data(), static_cast<int>(answer.size()), 0);
                if (server.QuitRequested()) break;
            }
            if (pending.size() > 64 * 1024) pending.clear(); // no line is that long
        }
    }
    if (client != INVALID_SOCKET) ::closesocket(client);
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    Options o;
    if (!ParseOptions(argc, argv, o)) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    if (o.cleanup) {
        vcisim::RemoveAllKeys(o.server.vidPid);
        return 0;
    }

    std::FILE* log = nullptr;
    if (!o.logFile.empty()) log = _wfopen(o.logFile.c_str(), L"a");
    o.server.log = log;

    WSADATA wsa;
    if (::WSAStartup(MAKEWORD(2, 2), &wsa) != 0) return 1;
    // Loopback only: the control port is for tests and scripts on this machine.
    SOCKET listener = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(o.controlPort);
    int len = sizeof addr;
    if (listener == INVALID_SOCKET ||
        ::bind(listener, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        ::listen(listener, 4) != 0 ||
        ::getsockname(listener, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
        std::fprintf(stderr, "vcisim: cannot listen on 127.0.0.1:%u\n", o.controlPort);
        return 1;
    }
    const unsigned port = ntohs(addr.sin_port);

    HANDLE parent = o.parentPid ? ::OpenProcess(SYNCHRONIZE, FALSE, o.parentPid) : nullptr;
    int rc = 0;
    {
        vcisim::Server server(o.server);
        if (!o.mac.empty()) {
            const std::string line = "mac " + o.mac;
            if (server.Command(line).rfind("ok", 0) != 0) {
                std::fputs(kUsage, stderr);
                return 2;
            }
        }
        if (!server.Start()) {
            std::fputs("vcisim: cannot publish the device interface\n", stderr);
            rc = 1;
        } else {
            std::printf("vcisim ready control 127.0.0.1:%u device %s\n", port, server.DevicePath().c_str());
            std::fflush(stdout);
            if (!o.portFile.empty()) {
                // Written whole under another name first, so a reader never sees half a number.
                const std::wstring tmp = o.portFile + L".tmp";
                if (std::FILE* f = _wfopen(tmp.c_str(), L"w")) {
                    std::fprintf(f, "%u\n", port);
                    std::fclose(f);
                    ::MoveFileExW(tmp.c_str(), o.portFile.c_str(), MOVEFILE_REPLACE_EXISTING);
                }
            }
            ControlLoop(listener, server, parent);
        }
    } // the server unplugs and removes its keys here
    ::closesocket(listener);
    ::WSACleanup();
    if (parent) ::CloseHandle(parent);
    if (log) std::fclose(log);
    return rc;
}

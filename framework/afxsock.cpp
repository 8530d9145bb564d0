// Windows Sockets start-up, with a failure that tests can inject; CAsyncSocket and its event window.
#include "framework/afxsock.h"

#include <unordered_map>

namespace {
bool g_failSocketInit = false;

constexpr WORD kWinsockVersion = MAKEWORD(2, 2);
constexpr wchar_t kSocketWindowClass[] = L"OrvaneSocketWnd";

// A dotted-decimal IPv4 address: four parts of one to three digits, each at most 255.
constexpr int kAddressParts = 4;
constexpr int kMaxPartDigits = 3;
constexpr unsigned kMaxPartValue = 255;

// Each socket gets its own notification message from this range, so an event still queued for a
// closed handle can never reach a new socket that the system gave the same handle value.
constexpr UINT kFirstSocketMessage = WM_USER + 0x100;
constexpr UINT kSocketMessageCount = 0x4000;

struct SocketEntry {
    CAsyncSocket* socket;
    UINT message;
};

// Sockets belong to the thread that created them; so does the window their events arrive at.
struct SocketThreadState {
    HWND window = nullptr;
    std::unordered_map<SOCKET, SocketEntry> sockets;
    UINT nextSerial = 0;

    ~SocketThreadState() {
        if (window && ::IsWindow(window)) ::DestroyWindow(window);
    }
};

thread_local SocketThreadState t_sockets;

// Four decimal numbers of at most three digits, each up to 255, separated by single dots.
bool ParseDottedIPv4(LPCWSTR text, IN_ADDR& out) {
    if (!text) return false;
    unsigned long value = 0;
    const wchar_t* p = text;
    for (int part = 0; part < kAddressParts; ++part) {
        if (part > 0) {
            if (*p != L'.') return false;
            ++p;
        }
        unsigned number = 0;
        int digits = 0;
        // One digit more than a part may have is read, so that it is refused rather than left over.
        while (*p >= L'0' && *p <= L'9' && digits <= kMaxPartDigits) {
            number = number * 10 + static_cast<unsigned>(*p - L'0');
            ++p;
            ++digits;
        }
        if (digits == 0 || digits > kMaxPartDigits || number > kMaxPartValue) return false;
        value = value << 8 | number;
    }
    if (*p != L'\0') return false;
    out.s_addr = ::htonl(value);
    return true;
}

} // namespace

void AfxSetSocketInitFailure(bool fail) {
    g_failSocketInit = fail;
}

BOOL AfxSocketInit() {
    if (g_failSocketInit) return FALSE;
    WSADATA data;
    if (::WSAStartup(kWinsockVersion, &data) != 0) return FALSE;
    static const bool cleanupRegistered = [] { return std::atexit([] { ::WSACleanup(); }) == 0; }();
    (void)cleanupRegistered;
    return TRUE;
}

// ---------------------------------------------------------------------------------------------
// Event delivery

struct CAsyncSocketDispatch {
    static LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
        if (msg < kFirstSocketMessage || msg >= kFirstSocketMessage + kSocketMessageCount)
            return ::DefWindowProcW(hwnd, msg, wParam, lParam);
        auto it = t_sockets.sockets.find(static_cast<SOCKET>(wParam));
        // Closed since the event was queued, or a newer socket with a recycled handle.
        if (it == t_sockets.sockets.end() || it->second.message != msg) return 0;
        Deliver(it->second.socket, WSAGETSELECTEVENT(lParam), WSAGETSELECTERROR(lParam));
        return 0;
    }

    static void Deliver(CAsyncSocket* socket, long event, int error) {
        switch (event) {
        case FD_READ: {
            // Data already taken by an earlier read leaves nothing for this notification.
            u_long pending = 0;
            if (error == 0 && ::ioctlsocket(socket->m_hSocket, FIONREAD, &pending) == 0 && pending == 0)
                return;
            socket->OnReceive(error);
            break;
        }
        case FD_CONNECT:
            socket->OnConnect(error);
            break;
        case FD_CLOSE:
            socket->OnClose(error);
            break;
        default: // FD_WRITE, FD_OOB, FD_ACCEPT: nothing of the program waits for them
            break;
        }
        // The callback may have deleted the socket: nothing of it is used from here on.
    }

    static HWND Window() {
        if (t_sockets.window && ::IsWindow(t_sockets.window)) return t_sockets.window;
        static const wchar_t* const className = [] {
            WNDCLASSW wc{};
            wc.lpfnWndProc = &CAsyncSocketDispatch::WndProc;
            wc.hInstance = ::GetModuleHandleW(nullptr);
            wc.lpszClassName = kSocketWindowClass;
            ::RegisterClassW(&wc);
            return kSocketWindowClass;
        }();
        t_sockets.window = ::CreateWindowExW(0, className, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                             ::GetModuleHandleW(nullptr), nullptr);
        return t_sockets.window;
    }

    static SocketEntry& Register(CAsyncSocket* socket) {
        auto [it, inserted] = t_sockets.sockets.try_emplace(socket->m_hSocket, SocketEntry{socket, 0});
        if (inserted || it->second.socket != socket) {
            it->second.socket = socket;
            it->second.message = kFirstSocketMessage + t_sockets.nextSerial++ % kSocketMessageCount;
        }
        return it->second;
    }

    static void Unregister(CAsyncSocket* socket) {
        auto it = t_sockets.sockets.find(socket->m_hSocket);
        if (it != t_sockets.sockets.end() && it->second.socket == socket) t_sockets.sockets.erase(it);
    }
};

// ---------------------------------------------------------------------------------------------
// CAsyncSocket

CAsyncSocket::~CAsyncSocket() {
    CAsyncSocket::Close();
}

BOOL CAsyncSocket::Create(UINT nSocketPort, int nSocketType, long lEvent, LPCWSTR lpszSocketAddress) {
    if (m_hSocket != INVALID_SOCKET) {
        ::WSASetLastError(WSAEINVAL);
        return FALSE;
    }
    SOCKET s = ::socket(AF_INET, nSocketType, 0);
    if (s == INVALID_SOCKET) return FALSE;
    m_hSocket = s;
    CAsyncSocketDispatch::Register(this);

    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = ::htons(static_cast<u_short>(nSocketPort));
    local.sin_addr.s_addr = ::htonl(INADDR_ANY);
    int error = 0;
    if (!AsyncSelect(lEvent))
        error = ::WSAGetLastError();
    else if (lpszSocketAddress && !ParseDottedIPv4(lpszSocketAddress, local.sin_addr))
        error = WSAEINVAL;
    else if (::bind(s, reinterpret_cast<const sockaddr*>(&local), sizeof local) == SOCKET_ERROR)
        error = ::WSAGetLastError();
    if (error == 0) return TRUE;
    CAsyncSocket::Close();
    ::WSASetLastError(error);
    return FALSE;
}

BOOL CAsyncSocket::Connect(LPCWSTR lpszHostAddress, UINT nHostPort) {
    sockaddr_in remote{};
    remote.sin_family = AF_INET;
    remote.sin_port = ::htons(static_cast<u_short>(nHostPort));
    if (!ParseDottedIPv4(lpszHostAddress, remote.sin_addr)) {
        ::WSASetLastError(WSAEINVAL);
        return FALSE;
    }
    return ::connect(m_hSocket, reinterpret_cast<const sockaddr*>(&remote), sizeof remote) != SOCKET_ERROR;
}

BOOL CAsyncSocket::AsyncSelect(long lEvent) {
    if (m_hSocket == INVALID_SOCKET) {
        ::WSASetLastError(WSAENOTSOCK);
        return FALSE;
    }
    HWND window = CAsyncSocketDispatch::Window();
    if (!window) {
        ::WSASetLastError(WSAENOBUFS);
        return FALSE;
    }
    const SocketEntry& entry = CAsyncSocketDispatch::Register(this);
    return ::WSAAsyncSelect(m_hSocket, window, entry.message, lEvent) != SOCKET_ERROR;
}

BOOL CAsyncSocket::SetSockOpt(int nOptionName, const void* lpOptionValue, int nOptionLen, int nLevel) {
    return ::setsockopt(m_hSocket, nLevel, nOptionName, static_cast<const char*>(lpOptionValue),
                        nOptionLen) != SOCKET_ERROR;
}

void CAsyncSocket::Close() {
    if (m_hSocket == INVALID_SOCKET) return;
    CAsyncSocketDispatch::Unregister(this);
    ::closesocket(m_hSocket);
    m_hSocket = INVALID_SOCKET;
}

int CAsyncSocket::Receive(void* lpBuf, int nBufLen, int nFlags) {
    return ::recv(m_hSocket, static_cast<char*>(lpBuf), nBufLen, nFlags);
}

int CAsyncSocket::Send(const void* lpBuf, int nBufLen, int nFlags) {
    return ::send(m_hSocket, static_cast<const char*>(lpBuf), nBufLen, nFlags);
}

void CAsyncSocket::OnReceive(int) {}
void CAsyncSocket::OnConnect(int) {}
void CAsyncSocket::OnClose(int) {}

// Windows Sockets start-up, with a failure that tests can inject.
#include "afxsock.h"

namespace {
bool g_failSocketInit = false;
}

void AfxSetSocketInitFailure(bool fail) {
    g_failSocketInit = fail;
}

BOOL AfxSocketInit(WSADATA* data) {
    if (g_failSocketInit) return FALSE;
    WSADATA local;
    if (::WSAStartup(MAKEWORD(2, 2), data ? data : &local) != 0) return FALSE;
    static const bool cleanupRegistered = [] { return std::atexit([] { ::WSACleanup(); }) == 0; }();
    (void)cleanupRegistered;
    return TRUE;
}

// Windows Sockets start-up for the application.
#pragma once

#include <cstdlib>
#include <winsock2.h>

// WSAStartup for the program; FALSE when sockets cannot be used.
BOOL AfxSocketInit(WSADATA* data = nullptr);
// Tests make the next AfxSocketInit calls fail as on a PC without working sockets.
void AfxSetSocketInitFailure(bool fail);

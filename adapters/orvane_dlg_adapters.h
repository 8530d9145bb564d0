// Where the dialog's adapter discovery gets the system's adapter list; tests put a list of their own there.
#pragma once

#include <winsock2.h>

#include <iphlpapi.h>

namespace adapters::dlg {

// Same contract as GetAdaptersInfo of the IP Helper library.
using AdaptersInfoSource = ULONG(WINAPI*)(PIP_ADAPTER_INFO info, PULONG size);

// Null restores the system's GetAdaptersInfo.
void SetAdaptersInfoSource(AdaptersInfoSource source);

} // namespace adapters::dlg

// Dispatching this thread's messages in a test until something has happened, with a deadline.
#pragma once

#include <windows.h>

#include <functional>

namespace wintest {

// Dispatches what is waiting, then until `done` holds or `ms` milliseconds passed; returns whether it
// held, and the time it took in *elapsed. `seen` (optional) looks at each message before it is
// dispatched.
bool PumpUntil(const std::function<bool()>& done, DWORD ms = 8000, DWORD* elapsed = nullptr,
               const std::function<void(const MSG&)>& seen = nullptr);
// Dispatches this thread's messages for `ms` milliseconds; PumpFor(0) dispatches only what is waiting.
void PumpFor(DWORD ms);

} // namespace wintest

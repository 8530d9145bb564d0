// Message pumping with deadlines for the Windows tests.
#include "tests/win/support/message_pump.h"

namespace wintest {

bool PumpUntil(const std::function<bool()>& done, DWORD ms, DWORD* elapsed,
               const std::function<void(const MSG&)>& seen) {
    const DWORD t0 = ::GetTickCount();
    for (;;) {
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (seen) seen(msg);
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
        const DWORD spent = ::GetTickCount() - t0;
        const bool held = done();
        if (held || spent >= ms) {
            if (elapsed) *elapsed = spent;
            return held;
        }
        ::MsgWaitForMultipleObjectsEx(0, nullptr, 5, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    }
}

void PumpFor(DWORD ms) {
    PumpUntil([] { return false; }, ms);
}

} // namespace wintest

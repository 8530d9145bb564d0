// Message pumping, trace and message-box recording for the VCI link tests.
#include "vcilink_test_support.h"

namespace vcitest {

void PumpFor(DWORD ms) {
    PumpUntil([] { return false; }, ms);
}

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
        if (done()) {
            if (elapsed) *elapsed = spent;
            return true;
        }
        if (spent >= ms) {
            if (elapsed) *elapsed = spent;
            return false;
        }
        ::MsgWaitForMultipleObjectsEx(0, nullptr, 5, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    }
}

TraceRecorder::TraceRecorder() {
    AfxSetTraceSink([this](const char* line) {
        std::lock_guard<std::mutex> lock(m_Mutex);
        m_Lines.emplace_back(line);
    });
}

TraceRecorder::~TraceRecorder() {
    AfxSetTraceSink(nullptr);
}

std::vector<std::string> TraceRecorder::Lines() const {
    std::lock_guard<std::mutex> lock(m_Mutex);
    return m_Lines;
}

bool TraceRecorder::Contains(const std::string& text) const {
    return Count(text) > 0;
}

int TraceRecorder::Count(const std::string& text) const {
    std::lock_guard<std::mutex> lock(m_Mutex);
    int n = 0;
    for (const auto& l : m_Lines)
        if (l.find(text) != std::string::npos) ++n;
    return n;
}

void TraceRecorder::Clear() {
    std::lock_guard<std::mutex> lock(m_Mutex);
    m_Lines.clear();
}

BoxRecorder::BoxRecorder(std::function<void(const AfxMessageBoxRequest&)> onBox) {
    AfxSetMessageBoxResponder([this, onBox](const AfxMessageBoxRequest& r) {
        if (onBox) onBox(r);
        boxes.push_back(r);
        return IDOK;
    });
}

BoxRecorder::~BoxRecorder() {
    AfxSetMessageBoxResponder(nullptr);
}

std::vector<CString> BoxRecorder::Texts() const {
    std::vector<CString> texts;
    for (const auto& b : boxes)
        texts.push_back(b.text);
    return texts;
}

CHostWnd::CHostWnd() {
    CreateEx(0, nullptr, L"vci link host", WS_POPUP, CRect(0, 0, 10, 10), nullptr, 0);
}

} // namespace vcitest

// The message-box and trace recorders of the Windows tests.
#include "tests/win/support/recorders.h"

#include <algorithm>

#include "tests/win/support/message_pump.h"

namespace wintest {

namespace {
const std::string kSentPrefix = "COrvaneDlg::SendDataToAP : ";
} // namespace

double ClockMs() {
    LARGE_INTEGER f, t;
    ::QueryPerformanceFrequency(&f);
    ::QueryPerformanceCounter(&t);
    return 1000.0 * static_cast<double>(t.QuadPart) / static_cast<double>(f.QuadPart);
}

BoxRecorder::BoxRecorder() {
    AfxSetMessageBoxResponder([this](const AfxMessageBoxRequest& r) { return Answer(r); });
}

BoxRecorder::~BoxRecorder() {
    AfxSetMessageBoxResponder(nullptr);
}

std::vector<CString> BoxRecorder::Texts() const {
    std::vector<CString> texts;
    for (const BoxSeen& b : boxes)
        texts.push_back(b.text);
    return texts;
}

int BoxRecorder::Count(const wchar_t* text) const {
    return static_cast<int>(
        std::count_if(boxes.begin(), boxes.end(), [&](const BoxSeen& b) { return b.text == CString(text); }));
}

bool BoxRecorder::WaitFor(const wchar_t* text, int occurrences, DWORD timeoutMs) {
    return PumpUntil(
        [&] {
            return std::count_if(boxes.begin(), boxes.end(), [&](const BoxSeen& b) {
                       return b.text == CString(text) && b.closed;
                   }) >= occurrences;
        },
        timeoutMs);
}

int BoxRecorder::Answer(const AfxMessageBoxRequest& r) {
    size_t index;
    auto open = m_open.find(r.box);
    if (open == m_open.end()) {
        boxes.push_back({r.text, r.caption, r.type});
        index = boxes.size() - 1;
        m_open[r.box] = index;
    } else {
        index = open->second;
    }
    int answer = rule ? rule(boxes[index]) : 0;
    if (answer == kKeepOpen) return 0;
    if (answer == 0) {
        switch (r.type & 0xF) {
        case MB_YESNO:
            answer = IDYES;
            break;
        case MB_RETRYCANCEL:
            answer = IDCANCEL;
            break;
        default:
            answer = IDOK;
            break;
        }
    }
    boxes[index].closed = true;
    m_open.erase(r.box);
    return answer;
}

TraceRecorder::TraceRecorder() {
    AfxSetTraceSink([this](const char* line) {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_lines.push_back({ClockMs(), line});
        }
        if (onLine) onLine(line);
    });
}

TraceRecorder::~TraceRecorder() {
    AfxSetTraceSink(nullptr);
}

std::vector<TraceRecorder::Timed> TraceRecorder::TimedLines() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_lines;
}

std::vector<std::string> TraceRecorder::Lines() const {
    std::vector<std::string> lines;
    for (const Timed& l : TimedLines())
        lines.push_back(l.text);
    return lines;
}

std::vector<std::string> TraceRecorder::Sent() const {
    std::vector<std::string> sent;
    for (const std::string& l : Lines())
        if (l.rfind(kSentPrefix, 0) == 0) sent.push_back(l.substr(kSentPrefix.size()));
    return sent;
}

bool TraceRecorder::Has(const std::string& line) const {
    const auto lines = Lines();
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

int TraceRecorder::Count(const std::string& text) const {
    const auto lines = Lines();
    return static_cast<int>(std::count_if(
        lines.begin(), lines.end(), [&](const std::string& l) { return l.find(text) != std::string::npos; }));
}

size_t TraceRecorder::CountStarting(const std::string& prefix) const {
    const auto lines = Lines();
    return static_cast<size_t>(std::count_if(lines.begin(), lines.end(),
                                             [&](const std::string& l) { return l.rfind(prefix, 0) == 0; }));
}

void TraceRecorder::Clear() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_lines.clear();
}

} // namespace wintest

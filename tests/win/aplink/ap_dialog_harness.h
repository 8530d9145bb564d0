// Driving the real dialog under Wine: a probe that runs steps inside its modal loop, a box recorder, trace
// capture, and a client of apsim's control port. Used by the tests and the bench.
#pragma once

#include <winsock2.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "afxsock.h"
#include "message_pump.h"
#include "orvane_dlg.h"
#include "resource.h"

namespace aptest {

// ---- the dialog

constexpr UINT WM_PROBE = WM_APP + 50;
constexpr UINT WM_MARK = WM_APP + 51;

// Milliseconds on the performance counter.
inline double ClockMs() {
    LARGE_INTEGER f, t;
    ::QueryPerformanceFrequency(&f);
    ::QueryPerformanceCounter(&t);
    return 1000.0 * static_cast<double>(t.QuadPart) / static_cast<double>(f.QuadPart);
}

// The real dialog; a test runs its steps inside the dialog's own modal loop, then the dialog ends.
// Every WM_RECEIVE_TCP is recorded on its way to the dialog.
class CApProbeDlg : public COrvaneDlg {
  public:
    std::function<void(CApProbeDlg&)> probe;
    std::vector<std::pair<WPARAM, LPARAM>> socketEvents;
    // When each posted WM_MARK was handled: shows whether a wait let the queue move.
    std::vector<double> marksHandled;
    void PostMark() { PostMessage(WM_MARK); }

  protected:
    BOOL OnInitDialog() override {
        BOOL r = COrvaneDlg::OnInitDialog();
        PostMessage(WM_PROBE);
        return r;
    }
    afx_msg LRESULT OnProbe(WPARAM, LPARAM) {
        if (probe) probe(*this);
        EndDialog(IDOK);
        return 0;
    }
    afx_msg LRESULT OnMark(WPARAM, LPARAM) {
        marksHandled.push_back(ClockMs());
        return 0;
    }
    afx_msg LRESULT OnSocketEvent(WPARAM wParam, LPARAM lParam) {
        socketEvents.emplace_back(wParam, lParam);
        return OnReceiveTCP(wParam, lParam);
    }
    DECLARE_MESSAGE_MAP()
};

// Defined here: every test executable includes this header from one source file only.
BEGIN_MESSAGE_MAP(CApProbeDlg, COrvaneDlg)
ON_MESSAGE(WM_PROBE, OnProbe)
ON_MESSAGE(WM_MARK, OnMark)
ON_MESSAGE(WM_RECEIVE_TCP, OnSocketEvent)
END_MESSAGE_MAP()

inline void RunDialog(CApProbeDlg& dlg, std::function<void(CApProbeDlg&)> steps) {
    dlg.probe = std::move(steps);
    dlg.DoModal();
}

// A button press as the dialog gets it from a user, noted in the trace first: waits are measured
// from the line before a command's own.
inline void Click(CWnd& dlg, int id) {
    AfxTrace("[test] click %d", id);
    ::SendMessageW(dlg.m_hWnd, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                   reinterpret_cast<LPARAM>(::GetDlgItem(dlg.m_hWnd, id)));
}

inline CString ItemText(CWnd& dlg, int id) {
    CString s;
    dlg.GetDlgItemText(id, s);
    return s;
}

inline std::vector<CString> ListBoxLines(CListBox& list) {
    std::vector<CString> lines;
    for (int i = 0; i < list.GetCount(); ++i) {
        CString s;
        list.GetText(i, s);
        lines.push_back(s);
    }
    return lines;
}

// ---- message boxes

struct BoxSeen {
    CString text;
    CString caption;
    UINT type;
    bool closed = false;
};

// Records every box the program shows and answers it: by the test's rule if it gives one (0 from the
// rule: the default; kKeepOpen: ask again on the box's next tick), else OK, Yes, or Cancel for
// Retry/Cancel.
class BoxRecorder {
  public:
    static constexpr int kKeepOpen = -1;
    std::vector<BoxSeen> boxes;
    std::function<int(const BoxSeen&)> rule;

    BoxRecorder() {
        AfxSetMessageBoxResponder([this](const AfxMessageBoxRequest& r) { return Answer(r); });
    }
    ~BoxRecorder() { AfxSetMessageBoxResponder(nullptr); }
    BoxRecorder(const BoxRecorder&) = delete;
    BoxRecorder& operator=(const BoxRecorder&) = delete;

    std::vector<CString> Texts() const {
        std::vector<CString> t;
        for (const BoxSeen& b : boxes)
            t.push_back(b.text);
        return t;
    }
    int Count(const wchar_t* text) const {
        return static_cast<int>(std::count_if(boxes.begin(), boxes.end(),
                                              [&](const BoxSeen& b) { return b.text == CString(text); }));
    }
    // Pumps until a box with this text has been shown and closed, and its handler has returned.
    bool WaitFor(const wchar_t* text, int occurrences = 1, DWORD timeoutMs = 8000) {
        return PumpUntil(
            [&] {
                int n = 0;
                for (const BoxSeen& b : boxes)
                    if (b.text == CString(text) && b.closed) ++n;
                return n >= occurrences;
            },
            timeoutMs);
    }
    void Clear() { boxes.clear(); }

  private:
    int Answer(const AfxMessageBoxRequest& r) {
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
    std::map<HWND, size_t> m_open;
};

// ---- traces

class TraceCapture {
  public:
    struct Timed {
        double ms; // ClockMs() as the line was written
        std::string text;
    };
    // Called with each line as it is written, on the writer's thread; it must not trace.
    std::function<void(const std::string&)> onLine;

    TraceCapture() {
        AfxSetTraceSink([this](const char* line) {
            {
                std::lock_guard<std::mutex> lock(m_mutex);
                m_lines.push_back({ClockMs(), line});
            }
            if (onLine) onLine(line);
        });
    }
    ~TraceCapture() { AfxSetTraceSink(nullptr); }

    std::vector<Timed> TimedLines() const {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_lines;
    }
    std::vector<std::string> Lines() const {
        std::vector<std::string> lines;
        for (const Timed& l : TimedLines())
            lines.push_back(l.text);
        return lines;
    }
    // The command texts of the "SendDataToAP" lines, in order.
    std::vector<std::string> Sent() const {
        static const std::string prefix = "COrvaneDlg::SendDataToAP : ";
        std::vector<std::string> sent;
        for (const std::string& l : Lines())
            if (l.rfind(prefix, 0) == 0) sent.push_back(l.substr(prefix.size()));
        return sent;
    }
    bool Has(const std::string& line) const {
        const auto lines = Lines();
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }
    void Clear() {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_lines.clear();
    }

  private:
    mutable std::mutex m_mutex;
    std::vector<Timed> m_lines;
};

// ---- apsim

inline std::string Env(const char* name) {
    const char* v = std::getenv(name);
    return v ? v : "";
}

// The control port of the apsim that the launcher started for this process (loopback only).
class ApsimControl {
  public:
    ApsimControl() {
        AfxSocketInit();
        m_address = Env("ORVANE_APSIM_ADDRESS");
        const std::string port = Env("ORVANE_APSIM_CONTROL_PORT");
        if (m_address.rfind("127.", 0) != 0 || port.empty()) return;
        m_socket = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in sa{};
        sa.sin_family = AF_INET;
        sa.sin_port = ::htons(static_cast<u_short>(std::atoi(port.c_str())));
        sa.sin_addr.s_addr = ::inet_addr(m_address.c_str());
        if (::connect(m_socket, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0) {
            ::closesocket(m_socket);
            m_socket = INVALID_SOCKET;
        }
    }
    ~ApsimControl() {
        if (m_socket != INVALID_SOCKET) ::closesocket(m_socket);
    }
    ApsimControl(const ApsimControl&) = delete;
    ApsimControl& operator=(const ApsimControl&) = delete;

    bool Ready() const { return m_socket != INVALID_SOCKET; }
    CString Address() const { return CString(std::wstring(m_address.begin(), m_address.end())); }

    // One control line; the answer's lines, the closing "ok ..." or "error ..." line last.
    std::vector<std::string> Command(const std::string& line) {
        std::vector<std::string> lines;
        if (!Ready()) return lines;
        const std::string out = line + "\n";
        ::send(m_socket, out.data(), static_cast<int>(out.size()), 0);
        for (;;) {
            size_t nl;
            while ((nl = m_pending.find('\n')) != std::string::npos) {
                lines.push_back(m_pending.substr(0, nl));
                m_pending.erase(0, nl + 1);
                const std::string& last = lines.back();
                if (last.rfind("ok", 0) == 0 || last.rfind("error", 0) == 0) return lines;
            }
            char chunk[4096];
            const int n = ::recv(m_socket, chunk, sizeof chunk, 0);
            if (n <= 0) return lines;
            m_pending.append(chunk, static_cast<size_t>(n));
        }
    }
    bool Ok(const std::string& line) {
        const auto answer = Command(line);
        return !answer.empty() && answer.back().rfind("ok", 0) == 0;
    }
    // The command lines apsim received, without their carriage return, in order.
    std::vector<std::string> Commands() {
        std::vector<std::string> commands;
        for (const std::string& l : Command("log")) {
            if (l.empty() || l[0] != '"') continue;
            const size_t end = l.find("\" -> ");
            if (end != std::string::npos) commands.push_back(l.substr(1, end - 1));
        }
        return commands;
    }
    std::string Stats() {
        const auto answer = Command("stats");
        return answer.empty() ? std::string() : answer.back();
    }

  private:
    std::string m_address;
    SOCKET m_socket = INVALID_SOCKET;
    std::string m_pending;
};

} // namespace aptest

// The fixture of the MAC filter button tests under Wine against apsim: what the dialog sent and showed
// since a mark, reads of the socket, the check-list's rows, and the texts the buttons show.
#pragma once

#include "checklist/check_list.h"
#include "tests/win/aplink/ap_test_support.h"

namespace wintest {

inline const wchar_t* const kNotConnected = L"AP에 연결되어 있지 않습니다.";
inline const wchar_t* const kVciAbsent = L"PC와 VCI가 연결되지 않았습니다. USB 연결을 확인하여 주십시오.";
inline const wchar_t* const kDeleteConfirm = L"선택한 모든 Mac address가 지워집니다. 계속하시겠습니까?";
inline const wchar_t* const kDeleteAllConfirm =
    L"모든 입력되어 있는 Mac address가 지워집니다. 계속하시겠습니까?";
inline const wchar_t* const kSelectOne = L"최소한 하나 이상 선택하셔야 합니다.";

using Texts = std::vector<CString>;
using Lines = std::vector<std::string>;

// The one-second wait before a command, less the few milliseconds by which a Windows sleep may end
// early against the performance counter.
inline constexpr double kWaitMs = aplink::kCommandWaitMs - 5;

struct SendTiming {
    double at;    // when the command went out
    double pause; // since the line traced before it (a click, a delete's entry), reads aside: holds the wait
};

class MacFilterOpsTest : public ApsimTest {
  protected:
    // What the dialog sent and showed from now on.
    void Mark() {
        m_sentMark = traces.Sent().size();
        m_boxMark = boxes.boxes.size();
    }
    Lines SentSinceMark() const {
        const Lines all = traces.Sent();
        return Lines(all.begin() + static_cast<std::ptrdiff_t>(m_sentMark), all.end());
    }
    Texts BoxesSinceMark() const {
        const Texts all = boxes.Texts();
        return Texts(all.begin() + static_cast<std::ptrdiff_t>(m_boxMark), all.end());
    }
    std::vector<SendTiming> SendTimingsSinceMark() const {
        std::vector<SendTiming> sends;
        double previous = 0;
        size_t index = 0;
        for (const TraceRecorder::Timed& l : traces.TimedLines()) {
            if (l.text.rfind("COrvaneDlg::SendDataToAP : ", 0) == 0 && index++ >= m_sentMark)
                sends.push_back({l.ms, l.ms - previous});
            // What the socket held is read just before a command goes out, after its wait.
            if (l.text.rfind("COrvaneDlg::OnReceiveTCP : ", 0) != 0) previous = l.ms;
        }
        return sends;
    }
    size_t Reads() const { return traces.CountStarting("COrvaneDlg::OnReceiveTCP : "); }
    // Waits for the next read of the socket, then a little longer for anything that follows it.
    bool WaitForRead(size_t readsBefore) {
        const bool read = PumpUntil([&] { return Reads() > readsBefore; });
        PumpFor(300);
        return read;
    }
    std::vector<CString> Rows(CProbeDlg& d) {
        std::vector<CString> rows;
        for (int i = 0; i < d.m_pCheckList->GetCount(nullptr); ++i) {
            CString text;
            d.m_pCheckList->GetItemText(i, text);
            rows.push_back(text);
        }
        return rows;
    }
    void AddToAp(std::initializer_list<const char*> macs) {
        for (const char* mac : macs)
            ASSERT_TRUE(apsim.Ok(std::string("add ") + mac));
    }
    // As an earlier VCI read leaves it: in the member and in the hidden edit that mirrors it.
    static void SetVciMac(CProbeDlg& d, const wchar_t* text) {
        d.m_strVciMac = text;
        d.SetDlgItemText(IDC_VCI_MAC_EDIT, text);
    }

    size_t m_sentMark = 0;
    size_t m_boxMark = 0;
};

} // namespace wintest

// Test support for the dialog's AP side under Wine: an AP the test plays, the hidden list box's lines, and
// a fixture that resets the process's own apsim before each test.
#pragma once

#include <gtest/gtest.h>

#include "tests/win/aplink/apsim_control.h"
#include "tests/win/support/loopback_listener.h"
#include "tests/win/support/message_pump.h"
#include "tests/win/support/probe_dialog.h"
#include "tests/win/support/recorders.h"
#include "resources/resource.h"

namespace wintest {

// The AP played by the test: pumps until it has received exactly these bytes.
inline bool Receives(LoopbackListener& ap, const std::string& expected) {
    std::string got;
    PumpUntil([&] {
        got += ap.ReceiveText(0);
        return got.size() >= expected.size();
    });
    EXPECT_EQ(got, expected);
    return got == expected;
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

// A whole list answer: an entry per MAC text, then the end entry.
inline std::string ListAnswer(std::initializer_list<const char*> entries) {
    std::string answer;
    for (const char* e : entries)
        answer += std::string("701LIST") + e;
    return answer + "701LIST00 00 00 00 00 00";
}

// Base of the tests that talk to apsim: sockets up, apsim reset, boxes and traces recorded.
class ApsimTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(AfxSocketInit());
        if (!apsim.Ready()) GTEST_SKIP() << "no apsim: run through tools/apsim/with-apsim.sh";
        ASSERT_TRUE(apsim.Ok("reset"));
        ASSERT_TRUE(apsim.Ok("clear"));
    }
    // Connects with button 1006 and waits for the list read that follows.
    bool ConnectAndReadList(CProbeDlg& d) {
        d.m_strApAddress = apsim.Address();
        Click(d, IDC_CONNECT_AP);
        return boxes.WaitFor(L"Read Completed!!!", boxes.Count(L"Read Completed!!!") + 1);
    }

    ApsimControl apsim;
    BoxRecorder boxes;
    TraceRecorder traces;
};

} // namespace wintest

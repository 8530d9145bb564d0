// The dialog's title and label 1015 following the simulated VCI as it is plugged and unplugged.
#include <gtest/gtest.h>

#include "tests/win/support/message_pump.h"
#include "orvane_version.h"
#include "tests/win/support/probe_dialog.h"
#include "resources/resource.h"
#include "tests/win/support/vcisim_process.h"

namespace {

using namespace wintest;

const CString kConnected = L"Orvane Version " ORVANE_VERSION_TEXTW L" (USB - Connected)";
const CString kNotConnected = L"Orvane Version " ORVANE_VERSION_TEXTW L" (USB - NOT Connected)";

TEST(StatusDisplay, TitleAndLabelFollowTheVci) {
    VciSimProcess sim;
    ASSERT_TRUE(sim.Start(L"--unplugged"));
    CProbeDlg dlg;
    CString startTitle, startLabel, absentLabel, presentLabel, goneLabel, apLabel;
    DWORD firstTick = 0, firstTickSinceCreation = 0, connectedAfter = 0, goneAfter = 0;
    bool rewritten = false;
    // Before the dialog and its timer exist: the earliest the timer can have started.
    const DWORD created = ::GetTickCount();
    RunDialog(dlg, [&](CProbeDlg& d) {
        startTitle = d.GetWindowText();
        startLabel = ItemText(d, IDC_STATUS_VCI);
        const DWORD t0 = ::GetTickCount();
        ASSERT_TRUE(PumpUntil([&] { return d.GetWindowText() == kNotConnected; }, 1500));
        firstTick = ::GetTickCount() - t0;
        firstTickSinceCreation = ::GetTickCount() - created;
        absentLabel = ItemText(d, IDC_STATUS_VCI);

        // Every tick writes both texts, changed or not.
        d.SetWindowText(L"scribble");
        rewritten = PumpUntil([&] { return d.GetWindowText() == kNotConnected; }, 800);

        ASSERT_TRUE(sim.Ok("plug"));
        ASSERT_TRUE(PumpUntil([&] { return d.GetWindowText() == kConnected; }, 4000, &connectedAfter));
        presentLabel = ItemText(d, IDC_STATUS_VCI);

        ASSERT_TRUE(sim.Ok("unplug"));
        ASSERT_TRUE(PumpUntil([&] { return d.GetWindowText() == kNotConnected; }, 2000, &goneAfter));
        goneLabel = ItemText(d, IDC_STATUS_VCI);
        apLabel = ItemText(d, IDC_STATUS_AP);
    });

    EXPECT_EQ(startTitle, CString(L"Orvane(Ver : " ORVANE_VERSION_TEXTW L")"));
    EXPECT_EQ(startLabel, CString(L"AP : "));
    // Not before the timer's 500 ms (measured from before it could start, so a slow start cannot
    // shorten it), and not long after the probe began.
    EXPECT_GE(firstTickSinceCreation, 400u);
    EXPECT_LT(firstTick, 1300u);
    EXPECT_EQ(absentLabel, CString(L"VCI 미연결"));
    EXPECT_TRUE(rewritten);
    // Next poll (at most 1000 ms), pipes 10 ms later, the connected flag 500 ms after that, the next tick.
    EXPECT_LT(connectedAfter,
              kPollAbsentMs + kOpenPipesDelayMs + kConnectedDelayMs + COrvaneDlg::kStatusTimerMs + 800);
    EXPECT_EQ(presentLabel, CString(L"VCI 연결"));
    EXPECT_LT(goneAfter, 1500u);
    EXPECT_EQ(goneLabel, CString(L"VCI 미연결"));
    EXPECT_EQ(apLabel, CString(L"AP 미연결")); // the AP's label is not the timer's
}

TEST(StatusDisplay, AVciAttachedAtStartShowsAsConnectedWithinAboutASecond) {
    VciSimProcess sim;
    ASSERT_TRUE(sim.Start());
    CProbeDlg dlg;
    DWORD after = 0;
    bool connected = false;
    CString label;
    RunDialog(dlg, [&](CProbeDlg& d) {
        connected = PumpUntil([&] { return d.GetWindowText() == kConnected; }, 3000, &after);
        label = ItemText(d, IDC_STATUS_VCI);
    });
    ASSERT_TRUE(connected);
    // Poll at 10 ms, pipes 10 ms later, the flag 500 ms after the reader started, then the next tick.
    EXPECT_LE(after, 1600u);
    EXPECT_EQ(label, CString(L"VCI 연결"));
}

} // namespace

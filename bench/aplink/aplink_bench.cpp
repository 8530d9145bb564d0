// AP side benchmark: wall time of a delete run of N ticked entries and of automatic configuration against
// apsim, each against the fixed waits the protocol demands (the floor).
//
// Run beside apsim, e.g. from the build directory:
//   ../../tools/apsim/with-apsim.sh tools/apsim/host/apsim -- ../../scripts/wine.sh
//   bench/aplink/aplink_bench.exe
// (cmake --build <dir> --target run_aplink_bench does the same.)
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "tests/win/aplink/apsim_control.h"
#include "bench/bench_clock.h"
#include "checklist/check_list.h"
#include "tests/win/adapters/fake_adapters.h"
#include "tests/win/support/probe_dialog.h"
#include "tests/win/support/recorders.h"
#include "resources/resource.h"

namespace {

using namespace wintest;

double NowMs() {
    return 1000.0 * bench::NowSeconds();
}

// Time that message boxes stand open: the harness answers them from a timer, which is the user's
// reading time and not the program's.
double g_boxOpenMs = 0;
double g_boxCreatedAt = 0;
HHOOK g_hook = nullptr;

LRESULT CALLBACK BoxTimer(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_CREATEWND) {
        auto* cw = reinterpret_cast<CBT_CREATEWNDW*>(lParam);
        if (IS_INTRESOURCE(cw->lpcs->lpszClass) &&
            LOWORD(reinterpret_cast<ULONG_PTR>(cw->lpcs->lpszClass)) == 0x8002)
            g_boxCreatedAt = NowMs();
    } else if (code == HCBT_DESTROYWND && g_boxCreatedAt > 0) {
        wchar_t cls[16] = {};
        ::GetClassNameW(reinterpret_cast<HWND>(wParam), cls, 16);
        if (lstrcmpW(cls, L"#32770") == 0) {
            g_boxOpenMs += NowMs() - g_boxCreatedAt;
            g_boxCreatedAt = 0;
        }
    }
    return ::CallNextHookEx(g_hook, code, wParam, lParam);
}

struct Result {
    std::string name;
    double wallMs;
    double boxMs;
    double floorMs;
};

void Print(const Result& r) {
    const double program = r.wallMs - r.boxMs;
    std::printf("%-34s wall %8.1f ms (boxes open %5.1f ms)  floor %6.0f ms  ratio %.4f (with boxes %.4f)"
                "  overhead %5.2f %%\n",
                r.name.c_str(), r.wallMs, r.boxMs, r.floorMs, program / r.floorMs, r.wallMs / r.floorMs,
                100.0 * (program - r.floorMs) / r.floorMs);
}

bool AddEntries(ApsimControl& apsim, int count) {
    if (!apsim.Ok("reset") || !apsim.Ok("clear")) return false;
    for (int i = 0; i < count; ++i) {
        char line[64];
        std::snprintf(line, sizeof line, "add 02:00:00:00:%02X:%02X", i >> 8, i & 0xFF);
        if (!apsim.Ok(line)) return false;
    }
    return true;
}

bool Connect(CProbeDlg& d, ApsimControl& apsim, BoxRecorder& boxes) {
    d.m_strApAddress = apsim.Address();
    Click(d, IDC_CONNECT_AP);
    return boxes.WaitFor(L"Read Completed!!!", boxes.Count(L"Read Completed!!!") + 1);
}

// N ticked entries of N + 1: N delete commands and one list read, each after its 1000 ms wait.
bool DeleteRun(ApsimControl& apsim, int ticked, Result& out) {
    if (!AddEntries(apsim, ticked + 1)) return false;
    BoxRecorder boxes;
    bool ok = false;
    CProbeDlg dlg;
    RunDialog(dlg, [&](CProbeDlg& d) {
        if (!Connect(d, apsim, boxes)) return;
        for (int i = 0; i < ticked; ++i)
            d.m_pCheckList->SetCheck(i, 1);
        const int readsBefore = boxes.Count(L"Read Completed!!!");
        g_boxOpenMs = 0;
        const double start = NowMs();
        Click(d, IDC_DELETE_SELECTED_MAC);
        ok = boxes.WaitFor(L"Read Completed!!!", readsBefore + 1, 60000);
        out.wallMs = NowMs() - start;
        out.boxMs = g_boxOpenMs;
        ok = ok && d.m_pCheckList->GetCount(nullptr) == 1;
    });
    out.name = "delete run, " + std::to_string(ticked) + " ticked";
    out.floorMs = 1000.0 * (ticked + 1);
    return ok;
}

// Filter on (no wait), 2000 ms, then the two adds, the list read and the apply, 1000 ms before each.
bool AutoSetting(ApsimControl& apsim, Result& out) {
    if (!AddEntries(apsim, 0)) return false;
    FakeAdapterSource adapters(
        {{"Intel(R) Wireless-AC 9560", {0x02, 0x11, 0x22, 0x33, 0x44, 0x55}, false, ""}});
    BoxRecorder boxes;
    bool ok = false;
    CProbeDlg dlg;
    RunDialog(dlg, [&](CProbeDlg& d) {
        if (!Connect(d, apsim, boxes)) return;
        d.m_strVciMac = L"001A2B3C4D5E";
        d.UpdateData(FALSE);
        g_boxOpenMs = 0;
        const double start = NowMs();
        Click(d, IDC_AUTO_SETTING);
        ok = boxes.WaitFor(L"자동 설정 완료", 1, 60000);
        out.wallMs = NowMs() - start;
        out.boxMs = g_boxOpenMs;
    });
    out.name = "automatic configuration, AP side";
    out.floorMs = 2000.0 + 4 * 1000.0;
    return ok;
}

} // namespace

int main() {
    if (!AfxSocketInit()) return 1;
    ApsimControl apsim;
    if (!apsim.Ready()) {
        std::fprintf(stderr, "aplink_bench: no apsim; run it through tools/apsim/with-apsim.sh\n");
        return 2;
    }
    g_hook = ::SetWindowsHookExW(WH_CBT, BoxTimer, nullptr, ::GetCurrentThreadId());

    std::vector<Result> results;
    for (int ticked : {1, 5, 20}) {
        Result r;
        if (!DeleteRun(apsim, ticked, r)) {
            std::fprintf(stderr, "aplink_bench: delete run of %d failed\n", ticked);
            return 1;
        }
        results.push_back(r);
    }
    for (int round = 0; round < 3; ++round) {
        Result r;
        if (!AutoSetting(apsim, r)) {
            std::fprintf(stderr, "aplink_bench: automatic configuration failed\n");
            return 1;
        }
        results.push_back(r);
    }
    ::UnhookWindowsHookEx(g_hook);

    for (const Result& r : results)
        Print(r);
    return 0;
}

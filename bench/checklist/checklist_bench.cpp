// Check-list benchmark: time per repaint at the first and the last page, per AddItem and per click.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "bench/bench_clock.h"
#include "checklist/check_list.h"
#include "checklist/check_list_view.h"
#include "resources/resource.h"

namespace {

constexpr int kPaintRounds = 300;
constexpr int kClickRounds = 300;
constexpr int kVisibleRows = 10;

double Now() {
    return bench::NowSeconds();
}

void Pump() {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
}

// The machine is shared: the median of many single timings says more than their mean.
double MedianUs(std::vector<double>& seconds) {
    std::sort(seconds.begin(), seconds.end());
    return seconds[seconds.size() / 2] * 1e6;
}

// Microseconds per full repaint of the view, painted at once through WM_PAINT.
double PaintTime(CWnd* view) {
    std::vector<double> times;
    for (int i = 0; i < kPaintRounds; ++i) {
        double start = Now();
        view->RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
        times.push_back(Now() - start);
    }
    return MedianUs(times);
}

struct Figures {
    double addUs;
    double paintFirstUs;
    double paintLastUs;
    double clickUs;
};

Figures Measure(CWnd& host, int items) {
    CCheckList list;
    list.Create(CRect(10, 10, 250, 200), &host, IDC_CHECK_LIST, IDB_CHECK, IDB_UNCHECK, IDB_MIDDLE,
                ::GetSysColor(COLOR_WINDOW));
    int row = list.GetRowHeight();
    list.MoveWindow(10, 10, 240, kVisibleRows * row + row / 2 + 4, TRUE);
    Pump();
    CCheckListView* view = list.GetView();

    Figures f{};
    double start = Now();
    for (int i = 0; i < items; ++i) {
        wchar_t mac[32];
        swprintf(mac, 32, L"00 1A %02X %02X %02X %02X", (i >> 24) & 0xFF, (i >> 16) & 0xFF, (i >> 8) & 0xFF,
                 i & 0xFF);
        list.AddItem(mac, nullptr, i % 3 == 0 ? 1 : 0, -1, ::GetSysColor(COLOR_INFOTEXT),
                     ::GetSysColor(COLOR_HIGHLIGHTTEXT), ::GetSysColor(COLOR_HIGHLIGHT));
    }
    f.addUs = (Now() - start) * 1e6 / items;
    Pump();

    f.paintFirstUs = PaintTime(view);

    // Clicks at the first page: select one row, toggle another's box.
    std::vector<double> times;
    for (int i = 0; i < kClickRounds; ++i) {
        int y = 5 + (i % 2 ? 2 : 3) * row + row / 2;
        int x = i % 4 < 2 ? 8 : 80;
        start = Now();
        view->SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
        times.push_back(Now() - start);
        view->SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(x, y));
    }
    f.clickUs = MedianUs(times);
    Pump();

    view->SendMessage(WM_VSCROLL, MAKEWPARAM(SB_THUMBTRACK, items - view->GetVisibleRows()), 0);
    Pump();
    f.paintLastUs = PaintTime(view);
    return f;
}

} // namespace

int main() {
    CWnd host;
    if (!host.CreateEx(0, nullptr, L"check-list bench", WS_POPUP | WS_VISIBLE, CRect(0, 0, 300, 300), nullptr,
                       0)) {
        std::fprintf(stderr, "no window\n");
        return 1;
    }
    std::printf("%8s %14s %18s %18s %14s\n", "items", "AddItem (us)", "paint first (us)", "paint last (us)",
                "click (us)");
    for (int items : {100, 1000, 10000}) {
        Figures f = Measure(host, items);
        std::printf("%8d %14.1f %18.1f %18.1f %14.1f\n", items, f.addUs, f.paintFirstUs, f.paintLastUs,
                    f.clickUs);
        std::fflush(stdout);
    }
    host.DestroyWindow();
    return 0;
}

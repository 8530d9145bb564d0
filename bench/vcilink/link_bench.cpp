// The link window's receive path and its idle cost under Wine, with the simulated VCI.
//
// Prints bytes per second through WM_USB_RECEIVE blocks of kUsbReadBlock bytes as a ratio to USB 2.0 high
// speed (kUsb2HighSpeed), and the CPU the process uses while the link is idle and during a 5-second ReadMsg
// wait.
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

#include "bench/bench_clock.h"
#include "tests/win/support/message_pump.h"
#include "vcilink/uart_comm_hox.h"
#include "bench/vcilink/vci_message_stream.h"
#include "tests/win/vcilink/vcilink_test_support.h"
#include "tests/win/support/vcisim_process.h"

using namespace vcilink;

namespace {

constexpr double kUsb2HighSpeed = 60e6;

// CPU time (user + kernel) of this process in seconds.
double CpuSeconds() {
    FILETIME c, e, k, u;
    ::GetProcessTimes(::GetCurrentProcess(), &c, &e, &k, &u);
    auto s = [](FILETIME f) { return (double(f.dwHighDateTime) * 4294967296.0 + f.dwLowDateTime) / 1e7; };
    return s(k) + s(u);
}

std::vector<uint8_t> MessageStream(size_t messages) {
    return bench::VciMessageStream(messages);
}

void Drain(CUartCommHox& link, size_t& messages) {
    static uint8_t dest[kVciMaxMessage];
    while (link.Receiver().MessageCount() > 0 && link.ReadMsg(dest, 0))
        ++messages;
}

// The protocol handler alone, fed 1400-byte blocks on the window's thread.
void HandlerOnly(CUartCommHox& link) {
    const auto stream = MessageStream(256);
    size_t bytes = 0;
    const uint32_t lost0 = link.Receiver().Ring().Overwritten();
    const int kept0 = link.Receiver().MessageCount();
    const double c0 = CpuSeconds();
    const double t0 = bench::NowSeconds();
    // The ring is not read here: the oldest messages are overwritten, which costs the same as reading.
    for (int round = 0; round < 20; ++round) {
        for (size_t pos = 0; pos < stream.size(); pos += kUsbReadBlock) {
            const size_t n = std::min<size_t>(kUsbReadBlock, stream.size() - pos);
            link.ReceiveBlock(stream.data() + pos, static_cast<int>(n));
            bytes += n;
        }
    }
    const double s = bench::NowSeconds() - t0;
    const size_t messages = (link.Receiver().Ring().Overwritten() - lost0) +
                            static_cast<size_t>(link.Receiver().MessageCount() - kept0);
    std::printf("handler, 1400-byte blocks on the UI thread: %.1f MB/s = %.2f x USB 2.0 (%zu messages, %.0f "
                "%% of one core)\n",
                bytes / s / 1e6, bytes / s / kUsb2HighSpeed, messages, (CpuSeconds() - c0) / s * 100);
    link.ResetCommData();
}

// A window of the bench's own that hands every WM_USB_RECEIVE to the link's protocol, so that a second
// thread can send blocks the way the reader does (the link itself takes them only from its own reader).
class CForwardWnd : public CWnd {
  public:
    explicit CForwardWnd(CUartCommHox& link) : m_Link(link) {}
    CUartCommHox& m_Link;

  protected:
    afx_msg LRESULT OnBlock(WPARAM w, LPARAM l) {
        m_Link.ReceiveBlock(reinterpret_cast<const BYTE*>(w), static_cast<int>(l));
        return 1;
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CForwardWnd, CWnd)
ON_MESSAGE(WM_USB_RECEIVE, OnBlock)
END_MESSAGE_MAP()

void CrossThreadBlocks(CUartCommHox& link, wintest::CHostWnd& host) {
    CForwardWnd fwd(link);
    fwd.Create(nullptr, nullptr, 0, CRect(0, 0, 0, 0), &host, 1327);
    const auto stream = MessageStream(256);
    const int rounds = 8;
    std::atomic<bool> done{false};
    const HWND target = fwd.m_hWnd;
    const double t0 = bench::NowSeconds();
    std::thread sender([&] {
        for (int r = 0; r < rounds; ++r)
            for (size_t pos = 0; pos < stream.size(); pos += kUsbReadBlock) {
                const size_t n = std::min<size_t>(kUsbReadBlock, stream.size() - pos);
                ::SendMessageA(target, WM_USB_RECEIVE, reinterpret_cast<WPARAM>(stream.data() + pos),
                               static_cast<LPARAM>(n));
            }
        done = true;
    });
    size_t messages = 0;
    const uint32_t lost0 = link.Receiver().Ring().Overwritten();
    while (!done) {
        link.PumpMessages();
        Drain(link, messages);
        ::MsgWaitForMultipleObjectsEx(0, nullptr, 1, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    }
    sender.join();
    link.PumpMessages();
    Drain(link, messages);
    const double s = bench::NowSeconds() - t0;
    const double bytes = double(stream.size()) * rounds;
    messages += link.Receiver().Ring().Overwritten() - lost0;
    std::printf("0x721 from a second thread, 1400-byte blocks: %.1f MB/s = %.2f x USB 2.0 (%zu messages)\n",
                bytes / s / 1e6, bytes / s / kUsb2HighSpeed, messages);
    fwd.DestroyWindow();
}

// The whole road: simulator, pipe, reader thread, WM_USB_RECEIVE, handler, ring.
void ThroughThePipe(CUartCommHox& link, wintest::VciSimProcess& sim, size_t total) {
    const size_t perMessage = MessageStream(1).size(); // a 3008-byte message in 1500-byte frames
    const size_t expected = (total + perMessage - 1) / perMessage;
    size_t messages = 0;
    const uint32_t lost0 = link.Receiver().Ring().Overwritten();
    auto received = [&] { return messages + (link.Receiver().Ring().Overwritten() - lost0); };
    const double t0 = bench::NowSeconds();
    sim.Command("flood " + std::to_string(total) + " 3008");
    wintest::PumpUntil(
        [&] {
            Drain(link, messages);
            return received() >= expected;
        },
        120000);
    const double s = bench::NowSeconds() - t0;
    messages = received();
    const double bytes = double(messages) * double(perMessage);
    std::printf(
        "simulator -> pipe -> reader -> 0x721 -> handler: %.1f MB/s = %.2f x USB 2.0 (%zu of %zu messages)\n",
        bytes / s / 1e6, bytes / s / kUsb2HighSpeed, messages, expected);
    const VciReceiveStats& st = link.Receiver().Stats();
    std::printf("  receiver: checksum %u, time-outs %u, length %u, overruns %u, repeated %u, oversized %u, "
                "empty %u\n",
                st.checksumErrors, st.byteTimeouts, st.badLength, st.bufferOverruns, st.repeatedFrames,
                st.oversizedMessages, st.emptyMessages);
    std::printf("  simulator: %s", sim.Command("stats").c_str());
}

void IdleAndWaitCpu(CUartCommHox& link) {
    // As the dialog's modal loop does: sleep in GetMessage until something happens.
    const double t0 = bench::NowSeconds();
    const double c0 = CpuSeconds();
    const UINT_PTR done = ::SetTimer(nullptr, 0, 5000, nullptr);
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (msg.message == WM_TIMER && msg.hwnd == nullptr && msg.wParam == done) break;
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    ::KillTimer(nullptr, done);
    const double idle = (CpuSeconds() - c0) / (bench::NowSeconds() - t0);
    std::printf("idle connected link (5 s in a message loop): %.2f %% of one core\n", idle * 100);

    uint8_t dest[kVciMaxMessage];
    const double t1 = bench::NowSeconds();
    const double c1 = CpuSeconds();
    const BOOL got = link.ReadMsg(dest, 5000);
    const double wait = (CpuSeconds() - c1) / (bench::NowSeconds() - t1);
    std::printf("ReadMsg waiting 5 s for nothing (%s): %.2f %% of one core\n",
                got ? "got a message?" : "timed out", wait * 100);
}

} // namespace

// What one round trip to the Wine server costs right now: every figure above is made of these.
void ServerCallCost() {
    MSG msg;
    const double t0 = bench::NowSeconds();
    for (int i = 0; i < 2000; ++i)
        ::PeekMessageW(&msg, nullptr, WM_APP + 99, WM_APP + 99, PM_NOREMOVE);
    std::printf("one empty PeekMessage (a Wine server round trip): %.1f us\n",
                (bench::NowSeconds() - t0) / 2000 * 1e6);
}

int main(int argc, char** argv) {
    // The first argument: megabytes sent through the simulator (default 16).
    const size_t megabytes = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 16;
    ServerCallCost();
    wintest::CHostWnd host;
    CUartCommHox link;
    link.Create(nullptr, nullptr, 0, CRect(0, 0, 0, 0), &host, 1326);
    link.m_nMaxFrameData = kVciDialogMaxFrameData;

    HandlerOnly(link);
    CrossThreadBlocks(link, host);

    wintest::VciSimProcess sim;
    if (!sim.Start()) {
        std::printf("vcisim did not start\n");
        return 1;
    }
    link.OpenComm();
    if (!wintest::PumpUntil([&] { return link.m_bUsbConnected != FALSE; }, 5000)) {
        std::printf("the link did not connect\n");
        return 1;
    }
    IdleAndWaitCpu(link);
    ThroughThePipe(link, sim, megabytes << 20);
    link.DestroyWindow();
    return 0;
}

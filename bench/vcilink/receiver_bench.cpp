// Bytes per second through the VCI frame receiver, fed in 1400-byte blocks as the reader delivers them.
#include <cstdio>
#include <memory>
#include <vector>

#include "bench/bench_clock.h"
#include "vcilink/core/frame_receiver.h"
#include "bench/vcilink/vci_message_stream.h"

using namespace vcilink;

int main() {
    // One stream of full-size messages, repeated.
    const std::vector<uint8_t> stream = bench::VciMessageStream(64);

    auto rx = std::make_unique<VciFrameReceiver>();
    std::vector<uint8_t> out(kVciMaxMessage);
    const int rounds = 200;
    size_t bytes = 0, messages = 0;
    const double t0 = bench::NowSeconds();
    for (int r = 0; r < rounds; ++r) {
        for (size_t pos = 0; pos < stream.size(); pos += 1400) {
            const size_t n = std::min<size_t>(1400, stream.size() - pos);
            rx->OnReceiveFrameData({stream.data() + pos, n});
            bytes += n;
        }
        while (rx->TakeMessage(out) >= 0)
            ++messages;
    }
    const double s = bench::NowSeconds() - t0;
    std::printf("%zu bytes, %zu messages in %.3f s: %.1f MB/s\n", bytes, messages, s, bytes / s / 1e6);
    return messages == 64u * rounds ? 0 : 1;
}

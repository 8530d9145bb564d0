// Bytes per second through the VCI frame receiver, fed in 1400-byte blocks as the reader delivers them.
#include <chrono>
#include <cstdio>
#include <memory>
#include <vector>

#include "frame_receiver.h"

using namespace vcilink;

int main() {
    // One stream of 3008-byte messages in 1500-byte frames, repeated.
    std::vector<uint8_t> msg(kVciMaxMessage, 0x5A);
    VciPutLe16(msg.data(), static_cast<uint16_t>(msg.size()));
    VciFrameEncoder enc;
    enc.m_nMaxFrameData = 1500;
    std::vector<uint8_t> stream;
    for (int m = 0; m < 64; ++m) {
        enc.BeginMessage(msg);
        for (auto f = enc.SendNextFrame(); !f.empty(); f = enc.SendNextFrame())
            stream.insert(stream.end(), f.begin(), f.end());
    }

    auto rx = std::make_unique<VciFrameReceiver>();
    std::vector<uint8_t> out(kVciMaxMessage);
    const int rounds = 200;
    size_t bytes = 0, messages = 0;
    const auto t0 = std::chrono::steady_clock::now();
    for (int r = 0; r < rounds; ++r) {
        for (size_t pos = 0; pos < stream.size(); pos += 1400) {
            const size_t n = std::min<size_t>(1400, stream.size() - pos);
            rx->OnReceiveFrameData({stream.data() + pos, n});
            bytes += n;
        }
        while (rx->TakeMessage(out) >= 0)
            ++messages;
    }
    const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    std::printf("%zu bytes, %zu messages in %.3f s: %.1f MB/s\n", bytes, messages, s, bytes / s / 1e6);
    return messages == 64u * rounds ? 0 : 1;
}

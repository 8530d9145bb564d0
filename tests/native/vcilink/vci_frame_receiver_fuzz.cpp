// Fuzz target: arbitrary bytes in arbitrary block sizes through the VCI frame receiver and reassembly.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdlib>
#include <new>
#include <vector>

#include "vcilink/core/frame_receiver.h"

using namespace vcilink;

namespace {

struct AckCounter : VciLinkEvents {
    uint64_t acks = 0;
    void OnSendAck(uint8_t b) override {
        if (b != kVciAck) std::abort();
        ++acks;
    }
};

void Check(bool ok) {
    if (!ok) std::abort();
}

// A receiver with its 300 KB ring, built fresh for each use in storage that stays: a heap object per
// input would spend most of the run in the allocator.
class FreshReceiver {
  public:
    FreshReceiver(int slot, VciLinkEvents* events) : m_p(new (Storage(slot)) VciFrameReceiver(events)) {}
    ~FreshReceiver() { m_p->~VciFrameReceiver(); }
    VciFrameReceiver* operator->() { return m_p; }

  private:
    static void* Storage(int slot) {
        alignas(VciFrameReceiver) static unsigned char storage[2][sizeof(VciFrameReceiver)];
        return storage[slot];
    }
    VciFrameReceiver* m_p;
};

// A message sent by our own encoder must come out of a fresh receiver unchanged, however it is cut up.
void RoundTrip(FuzzedDataProvider& in) {
    std::vector<uint8_t> msg = in.ConsumeBytes<uint8_t>(in.ConsumeIntegralInRange<size_t>(2, kVciMaxMessage));
    if (msg.size() < 2) return;
    msg[0] = static_cast<uint8_t>(msg.size()), msg[1] = static_cast<uint8_t>(msg.size() >> 8);
    VciFrameEncoder enc;
    enc.m_nMaxFrameData = in.ConsumeIntegralInRange<int>(-5, 3100);
    Check(enc.BeginMessage(msg));
    std::vector<uint8_t> stream;
    for (auto f = enc.SendNextFrame(); !f.empty(); f = enc.SendNextFrame())
        stream.insert(stream.end(), f.begin(), f.end());
    FreshReceiver rx(1, nullptr);
    for (size_t pos = 0; pos < stream.size();) {
        const size_t n = std::min(in.ConsumeIntegralInRange<size_t>(1, 1400), stream.size() - pos);
        rx->OnReceiveFrameData({stream.data() + pos, n});
        pos += n;
    }
    std::vector<uint8_t> out(kVciMaxMessage);
    Check(rx->TakeMessage(out) == static_cast<int>(msg.size()));
    Check(std::equal(msg.begin(), msg.end(), out.begin()));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    AckCounter events;
    FreshReceiver rx(0, &events);
    uint64_t taken = 0;
    while (in.remaining_bytes() > 0) {
        switch (in.ConsumeIntegralInRange<int>(0, 10)) {
        case 10:
            rx->DiscardMessages();
            break;
        case 7:
            if (rx->IsByteTimeoutArmed()) rx->OnByteTimeout();
            break;
        case 8: {
            // An exactly sized destination, so that any copy past its end is caught.
            std::vector<uint8_t> dest(in.ConsumeIntegralInRange<size_t>(0, kVciMaxMessage));
            const int n = rx->TakeMessage(dest);
            Check(n <= static_cast<int>(dest.size()));
            // Only whole messages are kept: each says at least as much as was copied of it.
            if (n >= 2) Check(VciGetLe16(dest.data()) >= static_cast<size_t>(n));
            if (n >= 0) ++taken;
            break;
        }
        case 9:
            RoundTrip(in);
            break;
        default: {
            const auto block = in.ConsumeBytes<uint8_t>(in.ConsumeIntegralInRange<size_t>(1, 1400));
            rx->OnReceiveFrameData(block);
            break;
        }
        }
        const int mode = rx->CommMode();
        Check(mode == kVciCommIdle || mode == kVciCommInFrame || mode == kVciCommChecksum);
        Check(rx->FrameBytes() >= 0 && static_cast<size_t>(rx->FrameBytes()) <= kVciFrameBuffer);
        Check(rx->MessageBytes() >= 0 && static_cast<size_t>(rx->MessageBytes()) <= kVciMaxMessage);
        Check(rx->MessageCount() >= 0 && rx->MessageCount() <= kVciRingSlots);
        // Every acknowledged message was either kept, read, pushed out of a full ring, or dropped for a
        // reason.
        const VciReceiveStats& s = rx->Stats();
        Check(events.acks == rx->MessageCount() + taken + rx->Ring().Overwritten() + s.oversizedMessages +
                                 s.emptyMessages + s.lengthMismatches + s.discardedMessages);
    }
    return 0;
}

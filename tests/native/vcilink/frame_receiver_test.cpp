// Tests of the byte-fed VCI frame receiver: states, drops, duplicates, reassembly, chunking, timer reports.
#include "vcilink/core/frame_receiver.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

using namespace vcilink;

using Bytes = std::vector<uint8_t>;

namespace {

struct Recorder : VciLinkEvents {
    int arms = 0, cancels = 0;
    Bytes acks;
    std::vector<std::string> traces;
    void OnArmByteTimeout() override { ++arms; }
    void OnCancelByteTimeout() override { ++cancels; }
    void OnSendAck(uint8_t b) override { acks.push_back(b); }
    void OnTrace(const char* line) override { traces.emplace_back(line); }
};

// Built here byte by byte, independently of the encoder.
Bytes Frame(uint8_t mode, uint8_t seq, const Bytes& data) {
    const size_t len = data.size() + 5;
    Bytes f{0x02, static_cast<uint8_t>(len), static_cast<uint8_t>(len >> 8), mode, 0x00, seq};
    f.insert(f.end(), data.begin(), data.end());
    f.push_back(0x03);
    uint8_t sum = 0;
    for (size_t i = 1; i < f.size(); ++i)
        sum += f[i];
    f.push_back(sum);
    return f;
}

Bytes operator+(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

struct Receiver : ::testing::Test {
    Recorder ev;
    std::unique_ptr<VciFrameReceiver> rx = std::make_unique<VciFrameReceiver>(&ev);
    void Feed(const Bytes& b) { rx->OnReceiveFrameData(b); }
    Bytes Take() {
        Bytes out(kVciMaxMessage);
        const int n = rx->TakeMessage(out);
        out.resize(n < 0 ? 0 : n);
        return out;
    }
};

} // namespace

TEST_F(Receiver, ReassemblesAcksAndReportsTheTimerOncePerBlock) {
    const Bytes f1 = Frame(0x00, 1, {0x07, 0x00, 0x01, 0x03}); // 0x03 in the data does not end the frame
    const Bytes f2 = Frame(0x80, 2, {0x02, 0x03, 0xEE});
    Feed(Bytes(f1.begin(), f1.begin() + 5));
    EXPECT_EQ(rx->CommMode(), kVciCommInFrame);
    EXPECT_EQ(ev.arms, 1);
    Feed(Bytes(f1.begin() + 5, f1.end()) + f2);
    EXPECT_EQ(ev.cancels, 1);
    EXPECT_EQ(ev.acks, Bytes{0x08});
    EXPECT_EQ(Take(), (Bytes{0x07, 0x00, 0x01, 0x03, 0x02, 0x03, 0xEE}));
    Feed({0x55, 0x03}); // idle junk: no timer calls
    EXPECT_EQ(ev.arms + ev.cancels, 2);
}

TEST_F(Receiver, RandomChunksOfManyMessagesArriveWhole) {
    std::mt19937 rng(20240605);
    VciFrameEncoder enc;
    Bytes stream;
    std::vector<Bytes> sent;
    for (int m = 0; m < 60; ++m) {
        Bytes msg(4 + rng() % 3004);
        for (auto& b : msg)
            b = static_cast<uint8_t>(rng());
        msg[0] = msg.size() & 0xFF, msg[1] = msg.size() >> 8;
        enc.m_nMaxFrameData = 1 + rng() % 1500;
        ASSERT_TRUE(enc.BeginMessage(msg));
        for (auto f = enc.SendNextFrame(); !f.empty(); f = enc.SendNextFrame())
            stream.insert(stream.end(), f.begin(), f.end());
        stream.push_back(0x03); // idle noise between messages
        sent.push_back(msg);
    }
    for (size_t pos = 0; pos < stream.size();) {
        const size_t n = std::min<size_t>(1 + rng() % 1400, stream.size() - pos);
        Feed(Bytes(stream.begin() + pos, stream.begin() + pos + n));
        pos += n;
    }
    ASSERT_EQ(rx->MessageCount(), 60);
    for (const auto& msg : sent)
        EXPECT_EQ(Take(), msg);
    EXPECT_EQ(ev.acks.size(), 60u);
}

TEST_F(Receiver, RepeatedFramesAddNoDataButCompleteTheMessage) {
    Feed(Frame(0x00, 255, {0x03}) + Frame(0x40, 255, {0x03}) + Frame(0x40, 0, {0x00}) +
         Frame(0x00, 0, {0xC3}));
    Feed(Frame(0xC0, 0, {0xC3}));
    EXPECT_EQ(Take(), (Bytes{0x03, 0x00, 0xC3}));
    EXPECT_EQ(rx->Stats().repeatedFrames, 2u);
    Feed(Frame(0xC0, 0, {0xC3})); // the last frame again: acknowledged, but no empty message to read
    EXPECT_EQ(ev.acks.size(), 2u);
    EXPECT_EQ(rx->MessageCount(), 0);
}

TEST_F(Receiver, ADroppedFrameTakesItsWholeMessageAndNeverSplicesTwo) {
    // The middle frame of three fails its sum: the message is gone, and its last frame does not pass as
    // a message of its own, nor join the next one.
    Bytes bad = Frame(0x00, 2, {0x22});
    bad.back() = 0x02;
    Feed(Frame(0x00, 1, {0x04, 0x00}) + bad + Frame(0x80, 3, {0x33, 0x44}));
    EXPECT_EQ(rx->MessageCount(), 0);
    ASSERT_EQ(ev.traces.size(), 3u);
    EXPECT_EQ(ev.traces[0], "          Hox2534DLL -> 수신데이터 CheckSum 틀림 : 02 2D \r\n");
    EXPECT_EQ(ev.traces[1], "          Hox2534DLL -> NAK응답1 \r\n");
    EXPECT_EQ(ev.traces[2], "          Hox2534DLL -> Message of 2 bytes says 17459, dropped \r\n");
    EXPECT_EQ(ev.acks.size(), 1u); // the VCI finished its message; it is acknowledged, not kept
    EXPECT_EQ(rx->Stats().lengthMismatches, 1u);

    // The first frame of a message, then silence: the byte time-out drops what was reassembled.
    Feed(Frame(0x00, 4, {0x05, 0x00, 0x11}) + Bytes{0x02, 0x06});
    rx->OnByteTimeout();
    EXPECT_EQ(rx->MessageBytes(), 0);
    Feed(Frame(0x80, 5, {0x03, 0x00, 0x22}));
    EXPECT_EQ(Take(), (Bytes{0x03, 0x00, 0x22}));
    EXPECT_EQ(rx->MessageCount(), 0);

    // A lone byte cannot carry its length.
    Feed(Frame(0x80, 6, {0x01}));
    EXPECT_EQ(rx->MessageCount(), 0);
    EXPECT_EQ(rx->Stats().lengthMismatches, 2u);
}

TEST_F(Receiver, DiscardDropsWhatWaitedAndTheFrameOnTheWay) {
    Feed(Frame(0x80, 1, {0x02, 0x00}) + Frame(0x80, 2, {0x02, 0x00}) + Frame(0x00, 3, {0x04, 0x00}));
    Bytes next = Frame(0x80, 4, {0x02, 0x00});
    Feed(Bytes(next.begin(), next.begin() + 4));
    rx->DiscardMessages();
    EXPECT_EQ(rx->MessageCount(), 0);
    EXPECT_EQ(rx->MessageBytes(), 0);
    EXPECT_EQ(rx->Stats().discardedMessages, 2u);
    EXPECT_EQ(rx->CommMode(), kVciCommIdle);
    EXPECT_FALSE(rx->IsByteTimeoutArmed());
    // The next whole frame is the next message.
    Feed(Frame(0x80, 5, {0x03, 0x00, 0x77}));
    EXPECT_EQ(Take(), (Bytes{0x03, 0x00, 0x77}));
}

TEST_F(Receiver, MisplacedEtxWaitsForTheTimeoutThenResyncs) {
    Bytes f = Frame(0x80, 1, {0x01, 0x02});
    f[1] += 1; // ETX now one place early
    Feed(f);
    EXPECT_EQ(rx->CommMode(), kVciCommInFrame);
    EXPECT_TRUE(rx->IsByteTimeoutArmed());
    rx->OnByteTimeout();
    EXPECT_EQ(ev.traces.back(), "          Hox2534DLL -> Byte Timeout \r\n");
    Feed(Frame(0x80, 2, {0x02, 0x00}));
    EXPECT_EQ(Take(), (Bytes{0x02, 0x00}));
}

TEST_F(Receiver, ImpossibleLengthsAndOverrunsDropTheFrameAtOnce) {
    Feed({0x02, 0xCA, 0x0B}); // LEN 3018
    Feed({0x02, 0x04, 0x00}); // LEN 4: no room for the fixed bytes
    EXPECT_EQ(rx->Stats().badLength, 2u);
    EXPECT_EQ(rx->CommMode(), kVciCommIdle);
    Bytes longest = Frame(0x00, 1, Bytes(3012, 0x11)); // LEN 3017 with ETX missing at 3018
    longest[3018] = 0x04;
    Feed(longest + Frame(0x80, 2, {0x02, 0x00})); // the byte past the buffer starts the next frame
    EXPECT_EQ(rx->Stats().bufferOverruns, 1u);
    EXPECT_EQ(Take(), (Bytes{0x02, 0x00}));
}

TEST_F(Receiver, MessagesPast3008BytesAreDropped) {
    Bytes head(3000, 0x01);
    head[0] = 0xC0, head[1] = 0x0B; // DataLength 3008
    Feed(Frame(0x00, 1, head) + Frame(0x80, 2, Bytes(8, 0x02)));
    EXPECT_EQ(Take().size(), 3008u);
    Feed(Frame(0x00, 3, Bytes(3000, 0x01)) + Frame(0x00, 4, Bytes(9, 0x02)) + Frame(0x80, 5, {0x03}));
    EXPECT_EQ(rx->MessageCount(), 0);
    EXPECT_EQ(rx->Stats().oversizedMessages, 1u);
    Feed(Frame(0x80, 6, {0x02, 0x00}));
    EXPECT_EQ(Take(), (Bytes{0x02, 0x00}));
}

TEST_F(Receiver, ResetDropsPartialStateAndUnreadMessages) {
    Feed(Frame(0x80, 9, {0x02, 0x00}) + Frame(0x00, 10, {0x02}) + Bytes{0x02, 0x07});
    rx->ResetCommData();
    EXPECT_EQ(rx->MessageCount(), 0);
    EXPECT_EQ(rx->MessageBytes(), 0);
    EXPECT_EQ(rx->FrameBytes(), 0);
    EXPECT_EQ(rx->PrevSeqNum(), 0);
    Feed(Frame(0x80, 1, {0x02, 0x00}));
    EXPECT_EQ(Take(), (Bytes{0x02, 0x00}));
}

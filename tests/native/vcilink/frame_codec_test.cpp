// Tests of the VCI frame encoder: byte-exact frames, segmentation, sequence numbers, refused messages.
#include "vcilink/core/frame_codec.h"

#include <gtest/gtest.h>

#include <vector>

using namespace vcilink;

using Bytes = std::vector<uint8_t>;

static std::vector<Bytes> SendAll(VciFrameEncoder& enc, const Bytes& msg) {
    std::vector<Bytes> frames;
    if (!enc.BeginMessage(msg)) return frames;
    for (auto f = enc.SendNextFrame(); !f.empty(); f = enc.SendNextFrame())
        frames.emplace_back(f.begin(), f.end());
    return frames;
}

static Bytes Message(size_t length) {
    Bytes m(length);
    for (size_t i = 0; i < length; ++i)
        m[i] = static_cast<uint8_t>(i * 7 + 3);
    m[0] = static_cast<uint8_t>(length & 0xFF);
    m[1] = static_cast<uint8_t>(length >> 8);
    return m;
}

TEST(VciFrameEncoder, FirstFrameAfterResetIsByteExact) {
    VciFrameEncoder enc;
    enc.m_nMaxFrameData = 1500;
    const auto frames = SendAll(enc, {0x08, 0x00, 0x00, 0x21, 0x00, 0x00, 0x29, 0x00});
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0], (Bytes{0x02, 0x0D, 0x00, 0x80, 0x00, 0x01, 0x08, 0x00, 0x00, 0x21, 0x00, 0x00, 0x29,
                                0x00, 0x03, 0xE3}));
}

TEST(VciFrameEncoder, SegmentsAtMaxFrameData) {
    VciFrameEncoder enc;
    enc.m_nMaxFrameData = 1500;
    EXPECT_EQ(SendAll(enc, Message(1500)).size(), 1u); // a full-size remainder is the last frame itself
    const Bytes msg = Message(1501);
    const auto frames = SendAll(enc, msg);
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0].size(), 1508u);
    EXPECT_EQ(frames[0][3], 0x00);
    EXPECT_EQ(frames[1][3], 0x80);
    EXPECT_EQ(frames[1].size(), 9u);
    Bytes joined;
    for (const auto& f : frames) {
        EXPECT_EQ(f.size(), VciGetLe16(&f[1]) + 3u);
        EXPECT_EQ(f[f.size() - 2], 0x03);
        EXPECT_EQ(f.back(), VciFrameCheckSum(f));
        joined.insert(joined.end(), f.begin() + 6, f.end() - 2);
    }
    EXPECT_EQ(joined, msg);
}

TEST(VciFrameEncoder, SequenceCountsAcrossMessagesWrapsAndRestartsOnReset) {
    VciFrameEncoder enc;
    enc.m_nMaxFrameData = 4;
    const auto first = SendAll(enc, Message(10)); // 4 + 4 + 2
    ASSERT_EQ(first.size(), 3u);
    EXPECT_EQ(first[2][5], 3);
    for (int i = 4; i <= 255; ++i)
        SendAll(enc, Message(2));
    EXPECT_EQ(enc.SendSeqNum(), 255);
    EXPECT_EQ(SendAll(enc, Message(2))[0][5], 0);
    enc.ResetCommData();
    EXPECT_EQ(SendAll(enc, Message(2))[0][5], 1);
}

TEST(VciFrameEncoder, RefusesMessagesItCannotHoldAndClampsFrameSize) {
    VciFrameEncoder enc;
    Bytes big = Message(3009);
    EXPECT_FALSE(enc.BeginMessage(big));
    EXPECT_FALSE(enc.BeginMessage(Bytes{0x20, 0x00, 0x01})); // claims 32 bytes, has 3
    EXPECT_FALSE(enc.IsSending());
    EXPECT_TRUE(SendAll(enc, Bytes{0x00, 0x00}).empty());

    enc.m_nMaxFrameData = 0; // would never finish unclamped
    EXPECT_EQ(SendAll(enc, Message(5)).size(), 5u);
    enc.m_nMaxFrameData = 100000; // would overrun the frame buffer unclamped
    const auto frames = SendAll(enc, Message(3008));
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].size(), 3016u);
}

TEST(VciFrameCheckSum, NeverReadsPastTheFrame) {
    const Bytes lying{0x02, 0xFF, 0xFF, 0x01, 0x02};
    EXPECT_EQ(VciFrameCheckSum(lying), 0x01);
    EXPECT_EQ(VciFrameCheckSum(Bytes{0x02}), 0);
}

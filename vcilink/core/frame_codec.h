// VCI frame layout constants, the frame checksum and the encoder that cuts a message into frames.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace vcilink {

// Sizes shared by the sender, the receiver and the message ring.
inline constexpr size_t kVciMaxMessage = 3008;  // one message, DataLength included
inline constexpr size_t kVciFrameBuffer = 3020; // one frame, STX through checksum
inline constexpr size_t kVciFrameOverhead = 8;  // STX, LEN(2), mode, mode 2, sequence, ETX, checksum
inline constexpr size_t kVciLenOverhead =
    5; // LEN counts mode, mode 2, sequence, ETX and checksum besides the data
inline constexpr size_t kVciMaxLen = kVciFrameBuffer - 3;                       // 3017
inline constexpr size_t kVciMaxFrameData = kVciFrameBuffer - kVciFrameOverhead; // 3012
// Data bytes a frame sent carries at most: a new link window's, and what the main dialog sets on its link.
inline constexpr int kVciInitialMaxFrameData = 1100;
inline constexpr int kVciDialogMaxFrameData = 1500;

inline constexpr uint8_t kVciStx = 0x02;
inline constexpr uint8_t kVciEtx = 0x03;
inline constexpr uint8_t kVciAck = 0x08; // sent, unframed, for every complete message received
inline constexpr uint8_t kVciModeLastFrame = 0x80;
inline constexpr uint8_t kVciModeRepeated = 0x40;

// Frame byte positions.
inline constexpr size_t kVciIdxLen = 1;
inline constexpr size_t kVciIdxMode = 3;
inline constexpr size_t kVciIdxMode2 = 4;
inline constexpr size_t kVciIdxSeq = 5;
inline constexpr size_t kVciIdxData = 6;

static_assert(kVciMaxLen == 3017);
static_assert(kVciMaxFrameData + kVciLenOverhead == kVciMaxLen);
static_assert(kVciMaxFrameData >= kVciMaxMessage, "one frame must be able to carry a whole message");

inline uint16_t VciGetLe16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
inline void VciPutLe16(uint8_t* p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v & 0xFF);
    p[1] = static_cast<uint8_t>(v >> 8);
}

// Byte sum of indices 1 through LEN + 1 (LEN from indices 1 and 2). Never reads past `frame`:
// a LEN that does not fit sums only the bytes that are there.
uint8_t VciFrameCheckSum(std::span<const uint8_t> frame);

// The sending half of the link: holds the message being sent and builds its frames one after the other.
// The link window writes each frame and asks for the next until none is left.
class VciFrameEncoder {
  public:
    // Largest data part of a frame. The owner may set it directly; values outside 1..kVciMaxFrameData are
    // clamped when a frame is built, so a frame always fits its buffer and a message always ends.
    int m_nMaxFrameData = kVciInitialMaxFrameData;

    // Takes a message (its DataLength from bytes 0-1) for sending. Refuses (false, nothing queued) a
    // message whose DataLength is above kVciMaxMessage or above the bytes the caller actually has.
    bool BeginMessage(std::span<const uint8_t> msg);

    // Builds the next frame of the message being sent into the send frame buffer and returns it;
    // an empty span when the whole message has gone out.
    std::span<const uint8_t> SendNextFrame();

    // Drops the message being sent; the sequence number of the next frame becomes 1 again.
    void ResetCommData();

    // Checksum over the send frame buffer, as written into the last frame built.
    uint8_t CalcCheckSum() const { return VciFrameCheckSum(m_SendFrame); }

    bool IsSending() const { return m_SendFrameDataCounter < m_SendTotalDataLength; }
    uint8_t SendSeqNum() const { return m_SendSeqNum; }

  private:
    uint8_t m_CommDataBuff[kVciMaxMessage] = {};
    int m_SendTotalDataLength = 0;
    int m_SendFrameDataCounter = 0;
    uint8_t m_SendSeqNum = 0;
    uint8_t m_SendFrame[kVciFrameBuffer] = {};
};

} // namespace vcilink

// VCI frame checksum and the encoder that cuts outgoing messages into frames.
#include "vcilink/core/frame_codec.h"

#include <algorithm>
#include <cstring>

namespace vcilink {

uint8_t VciFrameCheckSum(std::span<const uint8_t> frame) {
    if (frame.size() < 3) return 0;
    const size_t len = VciGetLe16(&frame[kVciIdxLen]);
    const size_t last = std::min(len + 1, frame.size() - 1);
    uint8_t sum = 0;
    for (size_t i = 1; i <= last; ++i)
        sum = static_cast<uint8_t>(sum + frame[i]);
    return sum;
}

bool VciFrameEncoder::BeginMessage(std::span<const uint8_t> msg) {
    if (msg.size() < 2) return false;
    const size_t length = VciGetLe16(msg.data());
    if (length > kVciMaxMessage || length > msg.size()) return false;
    m_SendFrameDataCounter = 0;
    m_SendTotalDataLength = static_cast<int>(length);
    std::memcpy(m_CommDataBuff, msg.data(), length);
    return true;
}

std::span<const uint8_t> VciFrameEncoder::SendNextFrame() {
    std::memset(m_SendFrame, 0, sizeof m_SendFrame);
    if (m_SendFrameDataCounter >= m_SendTotalDataLength) return {};

    int n = std::clamp(m_nMaxFrameData, 1, static_cast<int>(kVciMaxFrameData));
    uint8_t mode = 0x00;
    // A remainder of exactly one full frame goes out as the last frame, not as a full frame plus an empty
    // one.
    if (m_SendFrameDataCounter + n >= m_SendTotalDataLength) {
        mode = kVciModeLastFrame;
        n = m_SendTotalDataLength - m_SendFrameDataCounter;
    }
    const size_t count = static_cast<size_t>(n);
    std::memcpy(&m_SendFrame[kVciIdxData], &m_CommDataBuff[m_SendFrameDataCounter], count);
    m_SendFrameDataCounter += n;
    ++m_SendSeqNum; // wraps 255 -> 0

    m_SendFrame[0] = kVciStx;
    VciPutLe16(&m_SendFrame[kVciIdxLen], static_cast<uint16_t>(count + kVciLenOverhead));
    m_SendFrame[kVciIdxMode] = mode;
    m_SendFrame[kVciIdxMode2] = 0x00;
    m_SendFrame[kVciIdxSeq] = m_SendSeqNum;
    m_SendFrame[kVciIdxData + count] = kVciEtx;
    m_SendFrame[kVciIdxData + count + 1] = CalcCheckSum();
    return {m_SendFrame, count + kVciFrameOverhead};
}

void VciFrameEncoder::ResetCommData() {
    m_SendTotalDataLength = 0;
    m_SendFrameDataCounter = 0;
    m_SendSeqNum = 0;
    std::memset(m_SendFrame, 0, sizeof m_SendFrame);
}

} // namespace vcilink

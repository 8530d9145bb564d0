// The ring of complete received VCI messages.
#include "vcilink/core/message_ring.h"

#include <algorithm>
#include <cstring>

namespace vcilink {

bool VciMessageRing::Push(std::span<const uint8_t> msg) {
    if (msg.size() > kVciMaxMessage) return false;
    std::memcpy(m_CommDataTemp[m_nWriteIndex], msg.data(), msg.size());
    m_SlotLength[m_nWriteIndex] = static_cast<uint16_t>(msg.size());
    m_nWriteIndex = (m_nWriteIndex + 1) % kVciRingSlots;
    if (m_nCount == kVciRingSlots) {
        // The slot just written held the oldest unread message: reading starts at the next oldest.
        m_nReadIndex = m_nWriteIndex;
        ++m_nOverwritten;
    } else {
        ++m_nCount;
    }
    return true;
}

int VciMessageRing::Pop(std::span<uint8_t> dest) {
    if (m_nCount == 0) return -1;
    const uint8_t* slot = m_CommDataTemp[m_nReadIndex];
    const size_t stored = m_SlotLength[m_nReadIndex];
    // DataLength is the VCI's claim; the slot length is what actually arrived.
    const size_t claimed = stored >= 2 ? VciGetLe16(slot) : stored;
    const size_t n = std::min({claimed, stored, dest.size()});
    if (n > 0) std::memcpy(dest.data(), slot, n);
    m_nReadIndex = (m_nReadIndex + 1) % kVciRingSlots;
    --m_nCount;
    return static_cast<int>(n);
}

void VciMessageRing::ResetCommData() {
    m_nCount = 0;
    m_nReadIndex = 0;
    m_nWriteIndex = 0;
}

} // namespace vcilink

// The ring of complete messages received from the VCI, waiting to be read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "vcilink/core/frame_codec.h"

namespace vcilink {

inline constexpr int kVciRingSlots = 100;

// Keeps the last kVciRingSlots unread messages. When all slots hold unread messages, the next one replaces
// the oldest unread message, which is then lost; the count never passes kVciRingSlots, so no message is
// read twice.
class VciMessageRing {
  public:
    // Stores a message of at most kVciMaxMessage bytes; longer input is refused (false).
    bool Push(std::span<const uint8_t> msg);

    // Copies the oldest unread message into `dest` and frees its slot: as many bytes as its DataLength
    // says, but never more than the slot received, nor more than `dest` holds. Returns the number of
    // bytes copied, or -1 when no message is waiting.
    int Pop(std::span<uint8_t> dest);

    int Count() const { return m_nCount; }
    int ReadIndex() const { return m_nReadIndex; }
    int WriteIndex() const { return m_nWriteIndex; }
    // Unread messages lost because the ring was full.
    uint32_t Overwritten() const { return m_nOverwritten; }

    void ResetCommData();
    // Drops every unread message; the indices go on where they are.
    void Discard() { m_nReadIndex = m_nWriteIndex, m_nCount = 0; }

  private:
    uint8_t m_CommDataTemp[kVciRingSlots][kVciMaxMessage] = {};
    uint16_t m_SlotLength[kVciRingSlots] = {};
    int m_nCount = 0;
    int m_nReadIndex = 0;
    int m_nWriteIndex = 0;
    uint32_t m_nOverwritten = 0;
};

} // namespace vcilink

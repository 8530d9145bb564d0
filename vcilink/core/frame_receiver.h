// The byte-fed VCI frame receiver: frame states, checksum, reassembly of messages into the message ring.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "vcilink/core/frame_codec.h"
#include "vcilink/core/link_events.h"
#include "vcilink/core/message_ring.h"
#include "vcilink/core/vci_timings.h"

namespace vcilink {

// Receive states of m_CommMode, with the link's own numbers.
enum class VciCommMode : int { Idle = 1, InFrame = 5, Checksum = 6 };

// The states as CommMode() reports them, for code that compares numbers.
inline constexpr int kVciCommIdle = static_cast<int>(VciCommMode::Idle);
inline constexpr int kVciCommInFrame = static_cast<int>(VciCommMode::InFrame);
inline constexpr int kVciCommChecksum = static_cast<int>(VciCommMode::Checksum);

// Frames and messages the receiver threw away, by reason.
struct VciReceiveStats {
    uint32_t checksumErrors = 0;    // frame complete but its sum did not match
    uint32_t byteTimeouts = 0;      // frame left unfinished for kVciByteTimeoutMs
    uint32_t badLength = 0;         // LEN below kVciLenOverhead or above kVciMaxLen
    uint32_t bufferOverruns = 0;    // bytes kept coming past the frame buffer (ETX missing at LEN + 1)
    uint32_t repeatedFrames = 0;    // flagged 0x40 with the previous sequence number: data not taken
    uint32_t oversizedMessages = 0; // reassembled message would pass kVciMaxMessage
    uint32_t emptyMessages = 0;     // a last frame completed a message that had no bytes
    uint32_t lengthMismatches = 0;  // reassembled bytes differ from the message's own DataLength
    uint32_t discardedMessages = 0; // unread messages dropped by DiscardMessages
};

// Owned by the link window, which feeds it every block the reader delivers and forwards its own timer.
// All of it runs on one thread.
class VciFrameReceiver {
  public:
    explicit VciFrameReceiver(VciLinkEvents* events = nullptr) : m_pEvents(events) {}

    void SetEvents(VciLinkEvents* events) { m_pEvents = events; }

    // One block as delivered by the reader (any size). Complete messages go to the ring, each answered
    // with the ack byte; the byte time-out is re-armed or cancelled once, at the end of the block.
    void OnReceiveFrameData(std::span<const uint8_t> bytes);

    // One byte through the state machine. The timer wish it leaves is reported by the next
    // OnReceiveFrameData, or read with IsByteTimeoutArmed.
    void ProcessByteData(uint8_t b);

    // The link window's byte time-out fired: the unfinished frame is dropped, and with it the bytes
    // reassembled from earlier frames of its message. The window shows its box after this.
    void OnByteTimeout();

    // A request is about to go out: what is waiting now (unread messages, a half reassembled one, the
    // frame being received) did not answer it.
    void DiscardMessages();

    // Clears the receive state and the ring (unread messages are dropped). The byte time-out is the
    // window's: if it is running it still fires.
    void ResetCommData();

    // The copy-out of a read: the oldest unread message into `dest` (see VciMessageRing::Pop).
    int TakeMessage(std::span<uint8_t> dest) { return m_Ring.Pop(dest); }
    int MessageCount() const { return m_Ring.Count(); }

    // Checksum over the receive frame buffer.
    uint8_t CalcCheckSum() const { return VciFrameCheckSum(m_RecvFrame); }

    int CommMode() const { return static_cast<int>(m_CommMode); }
    int FrameBytes() const { return m_RecveDataCouunter; }
    int MessageBytes() const { return m_ReceiveFrameDataCounter; }
    uint8_t PrevSeqNum() const { return m_PrevSeqNum; }
    bool IsByteTimeoutArmed() const { return m_bByteTimerArmed; }
    const VciReceiveStats& Stats() const { return m_Stats; }
    const VciMessageRing& Ring() const { return m_Ring; }

  private:
    void StoreByte(uint8_t b);
    void DropFrame();
    void DropMessageBytes();
    void StoreFrameData();
    void FinishMessage();
    void ArmTimer();
    void KillTimer();
    void Trace(const char* line);

    VciLinkEvents* m_pEvents; // not owned: the link window

    VciCommMode m_CommMode = VciCommMode::Idle;
    int m_RecveDataCouunter = 0;
    uint8_t m_RecvFrame[kVciFrameBuffer] = {};
    uint8_t m_PrevSeqNum = 0;

    int m_ReceiveFrameDataCounter = 0;
    uint8_t m_RecvMessage[kVciMaxMessage] = {};
    bool m_bMessageTooLong = false; // the current message passed kVciMaxMessage: drop it at its last frame

    bool m_bByteTimerArmed = false;
    bool m_bByteStored = false; // a byte was stored since the last timer report

    VciMessageRing m_Ring;
    VciReceiveStats m_Stats;
};

} // namespace vcilink

// What the portable VCI receiver asks of the link window: the byte time-out timer, the ack byte, trace lines.
#pragma once

#include <cstdint>

namespace vcilink {

// Every trace line of the VCI link, the receiver's and the window's alike, begins with this.
inline constexpr char kVciTracePrefix[] = "          Hox2534DLL -> ";

// The link window implements these; every default does nothing, so tests override only what they watch.
class VciLinkEvents {
  public:
    virtual ~VciLinkEvents() = default;

    // (Re)start the byte time-out (kVciByteTimeoutMs): a byte of an unfinished frame was stored just now.
    virtual void OnArmByteTimeout() {}
    // Stop the byte time-out: no frame is open any more.
    virtual void OnCancelByteTimeout() {}
    // Write this one unframed byte to the VCI; the receiver goes on whatever becomes of it.
    virtual void OnSendAck(uint8_t /*b*/) {}
    // One finished trace line for the debugger output, UTF-8, with its own line end.
    virtual void OnTrace(const char* /*line*/) {}
};

} // namespace vcilink

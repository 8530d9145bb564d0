// The simulated VCI's side of the protocol: requests in, framed replies out, with fault shaping.
//
// Portable: the pipe server feeds it what the program wrote and performs the writes it returns.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "vcilink/core/frame_codec.h"
#include "vcilink/core/frame_receiver.h"

namespace vcisim {

inline constexpr size_t kSettingsBlockSize = 512;
inline constexpr size_t kMacOffset = 0x24;
inline constexpr uint16_t kReplyId = 0x2101;
inline constexpr uint16_t kUnsolicitedId = 0x2200;
inline constexpr size_t kFrameLogLimit = 200;
inline constexpr int kDefaultFrameData = 1500; // data bytes per reply frame unless split

// One write on the VCI-to-PC pipe, after a pause.
struct SimWrite {
    std::vector<uint8_t> bytes;
    uint32_t delayMs = 0; // before the write
};

struct Faults {
    int noReply = 0;          // next N setting reads get no answer
    int badSum = 0;           // next N replies: every frame's checksum is off by one
    int repeat = 0;           // next N replies: every frame is followed by a copy flagged 0x40
    int twice = 0;            // next N replies are written twice in one block
    int stall = 0;            // next N replies stop in the middle of their first frame ...
    uint32_t stallMs = 1500;  // ... for this long,
    bool stallResume = false; // then send the rest (true) or nothing more (false)
    int trickle = 0;          // next N replies are written trickleBytes at a time
    size_t trickleBytes = 3;
    uint32_t trickleGapMs = 20;
    int split = 0; // next N replies go out in frames of at most splitData data bytes
    int splitData = 16;
    uint32_t delayMs = 0; // pause before every reply
};

struct Counters {
    uint32_t enter = 0, read = 0, leave = 0, other = 0; // requests by ID
    uint32_t acks = 0;                                  // unframed 0x08 bytes received
    uint32_t frames = 0;                                // frames received with a good checksum
    uint32_t badFrames = 0;                             // frames dropped: checksum, length, overrun
    uint32_t badRequests = 0; // messages whose 16-bit message checksum did not match
    uint32_t replies = 0;     // setting replies sent
    uint32_t unsolicited = 0; // messages sent on command
    uint64_t bytesIn = 0, bytesOut = 0;
};

class Engine {
  public:
    Engine();

    // What the program wrote; returns the writes that answer it (possibly none).
    std::vector<SimWrite> OnBytes(std::span<const uint8_t> bytes);

    // A message sent on command, ID 0x2200, carrying `text`.
    std::vector<SimWrite> Unsolicited(std::string_view text);
    // A stream of well-formed messages of `messageSize` bytes (at least `total` bytes of frames).
    std::vector<SimWrite> Flood(size_t total, size_t messageSize);

    // Settings block access.
    void SetMac(const uint8_t (&mac)[6]);
    bool SetBytes(size_t offset, std::span<const uint8_t> bytes);
    std::span<const uint8_t> Settings() const { return m_Settings; }

    // The reply message to a setting read of `length` bytes at `offset` (not framed).
    std::vector<uint8_t> BuildSettingReply(uint16_t offset, uint8_t length) const;
    // Frames a message with the engine's sequence numbers.
    std::vector<std::vector<uint8_t>> FrameMessage(std::span<const uint8_t> msg, int maxData);

    Faults& faults() { return m_Faults; }
    const Counters& counters() const { return m_Counters; }
    // The last frames received and sent, as "rx 02 0D 00 ..." / "tx ..." lines, oldest first.
    const std::deque<std::string>& FrameLog() const { return m_FrameLog; }
    // Also called with every frame line as it is logged (the run log).
    std::function<void(const std::string&)> onFrame;
    void ResetCounters();
    void ClearFaults() { m_Faults = Faults{}; }
    // A new connection: a half-received frame of the old one is forgotten.
    void OnNewSession();

  private:
    std::vector<SimWrite> HandleRequest(std::span<const uint8_t> msg);
    std::vector<SimWrite> ShapeReply(std::span<const uint8_t> msg);
    void LogFrame(const char* dir, std::span<const uint8_t> frame);

    std::unique_ptr<vcilink::VciFrameReceiver> m_pReceiver;
    vcilink::VciFrameEncoder m_Encoder;
    std::vector<uint8_t> m_CurrentFrame; // raw bytes of the frame being received, for the log
    std::vector<uint8_t> m_Settings;
    Faults m_Faults;
    Counters m_Counters;
    std::deque<std::string> m_FrameLog;
};

// "001A2B3C4D5E", "00:1A:2B:3C:4D:5E", "00 1a 2b 3c 4d 5e": twelve hexadecimal digits.
std::optional<std::vector<uint8_t>> ParseHexBytes(std::string_view text);
std::string HexLine(std::span<const uint8_t> bytes); // "02 0D 00"

} // namespace vcisim

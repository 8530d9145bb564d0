// Every wait and bound of the VCI link in one place (the README's Timings table lists them); no Windows
// header.
#pragma once

#include <cstdint>

// The link window's device polling (CUartCommHox's timers).
inline constexpr std::uint32_t kPollAbsentMs = 1000;    // device absent: look again
inline constexpr std::uint32_t kPollAfterBreakMs = 100; // link broken: first look
inline constexpr std::uint32_t kPollAtStartMs = 10;
inline constexpr std::uint32_t kOpenPipesDelayMs = 10;  // device found: open its pipes
inline constexpr std::uint32_t kConnectedDelayMs = 500; // pipes open: the link counts as connected

// The longest one write to the VCI may take: the longest silence the link allows inside a frame. On
// Windows a USB bulk write lasts as long as the device holds it off, so a VCI that stops taking data
// would otherwise hold the user-interface thread for good.
inline constexpr std::uint32_t kVciWriteTimeoutMs = 1000;
// How long a cancelled transfer (a write here, a read in the reader) is given to end.
inline constexpr std::uint32_t kVciCancelWaitMs = 500;
// Before a request: how long a frame part-way through is given to finish before it is dropped with what
// came before it (CUartCommHox::DiscardReceived).
inline constexpr std::uint32_t kVciDiscardBoundMs = 200;

namespace vcilink {

// Silence inside a frame after which the unfinished frame is given up. The receiver asks for the timer
// through VciLinkEvents; the link window runs it.
inline constexpr std::uint32_t kVciByteTimeoutMs = 1000;
// The VCI's WLAN module needs this long to enter configuration.
inline constexpr std::uint32_t kEnterConfigPauseMs = 2000;
// The longest wait for the answer to a WLAN setting request.
inline constexpr std::uint32_t kSettingReplyTimeoutMs = 5000;

} // namespace vcilink

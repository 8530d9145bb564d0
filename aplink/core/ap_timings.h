// Every wait and bound of the AP conversation in one place (the README's Timings table lists them); no
// Windows header.
#pragma once

#include <cstddef>
#include <cstdint>

namespace aplink {

// Every command but the filter-on command waits this long before it goes out.
inline constexpr unsigned kCommandWaitMs = 1000;
// The filter-on command goes out at once.
inline constexpr unsigned kNoWait = 0;
// Automatic configuration gives the AP this long after its filter command.
inline constexpr unsigned kAutoFilterWaitMs = 2000;
// An awaited answer that has not come (or, for a list, not moved on) for this long ends its operation.
inline constexpr std::uint64_t kApAnswerTimeoutMs = 10000;
// Bytes held for the stream while they cannot be taken (a box of the conversation is open). Past this the
// stream counts as out of step: no answer of the AP comes near it.
inline constexpr std::size_t kApMaxHeldBytes = 64 * 1024;

} // namespace aplink

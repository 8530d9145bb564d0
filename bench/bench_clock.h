// The benchmarks' one clock; no Windows header.
#pragma once

#include <chrono>

namespace bench {

// Seconds on the steady clock (the performance counter under Windows), from an arbitrary start.
inline double NowSeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

} // namespace bench

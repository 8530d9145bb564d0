// The VCI's message stream as both VCI link benchmarks feed it; no Windows header.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "vcilink/core/frame_codec.h"

namespace bench {

// `messages` full-size messages as the VCI sends them, in frames of the size the dialog sets.
inline std::vector<std::uint8_t> VciMessageStream(std::size_t messages) {
    std::vector<std::uint8_t> msg(vcilink::kVciMaxMessage, 0x5A);
    vcilink::VciPutLe16(msg.data(), static_cast<std::uint16_t>(msg.size()));
    vcilink::VciFrameEncoder enc;
    enc.m_nMaxFrameData = vcilink::kVciDialogMaxFrameData;
    std::vector<std::uint8_t> stream;
    for (std::size_t m = 0; m < messages; ++m) {
        enc.BeginMessage(msg);
        for (auto f = enc.SendNextFrame(); !f.empty(); f = enc.SendNextFrame())
            stream.insert(stream.end(), f.begin(), f.end());
    }
    return stream;
}

} // namespace bench

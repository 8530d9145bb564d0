// The simulated VCI: request decoding, setting replies, fault shaping of the reply frames.
#include "tools/vcisim/vcisim_engine.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <utility>

#include "common/core/mac_text.h"
#include "vcilink/core/wlan_settings.h"

using namespace vcilink;

namespace vcisim {

namespace {

constexpr size_t kFloodWrite = 64 * 1024;

uint32_t DropErrors(const VciReceiveStats& s) {
    return s.checksumErrors + s.badLength + s.bufferOverruns;
}

// A message: DataLength, ID, two zero bytes, the 16-bit message checksum, then the body.
std::vector<uint8_t> BuildMessage(uint16_t id, std::span<const uint8_t> body) {
    std::vector<uint8_t> msg(kWlanReplyTextOffset + body.size());
    VciPutLe16(&msg[0], static_cast<uint16_t>(msg.size()));
    VciPutLe16(&msg[2], id);
    if (!body.empty()) std::memcpy(&msg[kWlanReplyTextOffset], body.data(), body.size());
    StoreMsgChecksum(msg);
    return msg;
}

} // namespace

std::optional<std::vector<uint8_t>> ParseHexBytes(std::string_view text) {
    std::vector<uint8_t> out;
    int high = -1;
    for (char c : text) {
        if (c == ' ' || c == ':' || c == '-') {
            if (high >= 0) return std::nullopt; // a lone digit
            continue;
        }
        const int d = common::HexDigitValue(c);
        if (d < 0) return std::nullopt;
        if (high < 0) {
            high = d;
        } else {
            out.push_back(static_cast<uint8_t>(high * 16 + d));
            high = -1;
        }
    }
    if (high >= 0) return std::nullopt;
    return out;
}

std::string HexLine(std::span<const uint8_t> bytes) {
    std::string s;
    char b[4];
    for (size_t i = 0; i < bytes.size(); ++i) {
        std::snprintf(b, sizeof b, i ? " %02X" : "%02X", bytes[i]);
        s += b;
    }
    return s;
}

Engine::Engine() : m_pReceiver(std::make_unique<VciFrameReceiver>()), m_Settings(kSettingsBlockSize, 0) {
    // A plausible block: MAC, local IP, net mask, baud rate, ports and an SSID.
    const uint8_t mac[6] = {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E};
    SetMac(mac);
    const uint8_t ip[4] = {192, 168, 10, 20}, mask[4] = {255, 255, 255, 0},
                  baud[4] = {0x00, 0xC2, 0x01, 0x00};
    SetBytes(0x44, ip);
    SetBytes(0x48, mask);
    SetBytes(0x78, baud);
    const uint8_t port[2] = {0xE1, 0x10};
    SetBytes(0x88, port);
    const char ssid[] = "ORVANE-VCI";
    SetBytes(0xB0, {reinterpret_cast<const uint8_t*>(ssid), sizeof ssid - 1});
}

void Engine::SetMac(const uint8_t (&mac)[6]) {
    SetBytes(kMacOffset, mac);
}

bool Engine::SetBytes(size_t offset, std::span<const uint8_t> bytes) {
    if (offset > m_Settings.size() || bytes.size() > m_Settings.size() - offset) return false;
    std::copy(bytes.begin(), bytes.end(), m_Settings.begin() + static_cast<std::ptrdiff_t>(offset));
    return true;
}

void Engine::ResetCounters() {
    m_Counters = Counters{};
    m_FrameLog.clear();
}

void Engine::OnNewSession() {
    m_pReceiver->ResetCommData();
    m_CurrentFrame.clear();
}

void Engine::LogFrame(const char* dir, std::span<const uint8_t> frame) {
    if (m_FrameLog.size() >= kFrameLogLimit) m_FrameLog.pop_front();
    m_FrameLog.push_back(std::string(dir) + " " + HexLine(frame));
    if (onFrame) onFrame(m_FrameLog.back());
}

std::vector<SimWrite> Engine::OnBytes(std::span<const uint8_t> bytes) {
    std::vector<SimWrite> out;
    std::vector<uint8_t> msg(kVciMaxMessage);
    for (uint8_t b : bytes) {
        ++m_Counters.bytesIn;
        const int before = m_pReceiver->CommMode();
        if (before == kVciCommIdle && b == kVciAck) {
            ++m_Counters.acks;
            continue;
        }
        if (before == kVciCommIdle && b == kVciStx) m_CurrentFrame.clear();
        if (before != kVciCommIdle || b == kVciStx) m_CurrentFrame.push_back(b);
        const uint32_t errorsBefore = DropErrors(m_pReceiver->Stats());
        m_pReceiver->ProcessByteData(b);
        if (before != kVciCommIdle && m_pReceiver->CommMode() == kVciCommIdle) {
            const bool bad = DropErrors(m_pReceiver->Stats()) != errorsBefore;
            ++(bad ? m_Counters.badFrames : m_Counters.frames);
            LogFrame(bad ? "rx-bad" : "rx", m_CurrentFrame);
            m_CurrentFrame.clear();
        }
        for (int n; (n = m_pReceiver->TakeMessage(msg)) >= 0;) {
            auto writes = HandleRequest({msg.data(), static_cast<size_t>(n)});
            out.insert(out.end(), writes.begin(), writes.end());
        }
    }
    return out;
}

std::vector<SimWrite> Engine::HandleRequest(std::span<const uint8_t> msg) {
    if (msg.size() < 4) {
        ++m_Counters.other;
        return {};
    }
    if (msg.size() >= kWlanMsgChecksumOffset + 2) {
        std::vector<uint8_t> copy(msg.begin(), msg.end());
        const uint16_t stored = VciGetLe16(&copy[kWlanMsgChecksumOffset]);
        VciPutLe16(&copy[kWlanMsgChecksumOffset], 0);
        if (MsgChecksum(copy) != stored) ++m_Counters.badRequests;
    }
    switch (VciGetLe16(&msg[2])) {
    case kWlanEnterConfigId:
        ++m_Counters.enter;
        return {};
    case kWlanLeaveConfigId:
        ++m_Counters.leave;
        return {};
    case kWlanReadSettingId: {
        ++m_Counters.read;
        if (msg.size() < kWlanReadRequestLength) return {};
        if (m_Faults.noReply > 0) {
            --m_Faults.noReply;
            return {};
        }
        ++m_Counters.replies;
        return ShapeReply(BuildSettingReply(VciGetLe16(&msg[8]), msg[10]));
    }
    default:
        ++m_Counters.other;
        return {};
    }
}

std::vector<uint8_t> Engine::BuildSettingReply(uint16_t offset, uint8_t length) const {
    char head[96];
    const int n = std::snprintf(head, sizeof head, "VCI WLAN SETTING\r\nOFFSET 0x%04X LENGTH %u\r\n", offset,
                                static_cast<unsigned>(length));
    std::string text(head, static_cast<size_t>(n));
    for (size_t i = 0; i < length; ++i) {
        const size_t at = offset + i;
        char pair[4];
        std::snprintf(pair, sizeof pair, i ? " %02X" : "%02X", at < m_Settings.size() ? m_Settings[at] : 0);
        text += pair;
    }
    return BuildMessage(kReplyId, {reinterpret_cast<const uint8_t*>(text.data()), text.size()});
}

std::vector<std::vector<uint8_t>> Engine::FrameMessage(std::span<const uint8_t> msg, int maxData) {
    std::vector<std::vector<uint8_t>> frames;
    m_Encoder.m_nMaxFrameData = maxData;
    if (!m_Encoder.BeginMessage(msg)) return frames;
    for (auto f = m_Encoder.SendNextFrame(); !f.empty(); f = m_Encoder.SendNextFrame())
        frames.emplace_back(f.begin(), f.end());
    return frames;
}

std::vector<SimWrite> Engine::ShapeReply(std::span<const uint8_t> msg) {
    int maxData = kDefaultFrameData;
    if (m_Faults.split > 0) {
        --m_Faults.split;
        maxData = m_Faults.splitData;
    }
    auto frames = FrameMessage(msg, maxData);
    if (m_Faults.twice > 0) {
        --m_Faults.twice;
        auto again = FrameMessage(msg, maxData);
        frames.insert(frames.end(), again.begin(), again.end());
    }
    if (m_Faults.repeat > 0) {
        --m_Faults.repeat;
        std::vector<std::vector<uint8_t>> doubled;
        for (auto& f : frames) {
            doubled.push_back(f);
            auto copy = f;
            copy[kVciIdxMode] |= kVciModeRepeated;
            copy.back() = VciFrameCheckSum(copy);
            doubled.push_back(std::move(copy));
        }
        frames = std::move(doubled);
    }
    if (m_Faults.badSum > 0) {
        --m_Faults.badSum;
        for (auto& f : frames)
            f.back() = static_cast<uint8_t>(f.back() + 1);
    }

    std::vector<uint8_t> stream;
    for (auto& f : frames) {
        LogFrame("tx", f);
        stream.insert(stream.end(), f.begin(), f.end());
    }

    std::vector<SimWrite> writes;
    if (m_Faults.stall > 0 && !frames.empty()) {
        --m_Faults.stall;
        const size_t half = frames.front().size() / 2;
        writes.push_back(
            {{stream.begin(), stream.begin() + static_cast<std::ptrdiff_t>(half)}, m_Faults.delayMs});
        if (m_Faults.stallResume)
            writes.push_back(
                {{stream.begin() + static_cast<std::ptrdiff_t>(half), stream.end()}, m_Faults.stallMs});
        else
            writes.push_back({{}, m_Faults.stallMs}); // the pause still happens before anything else goes
    } else if (m_Faults.trickle > 0) {
        --m_Faults.trickle;
        const size_t step = std::max<size_t>(1, m_Faults.trickleBytes);
        for (size_t pos = 0; pos < stream.size(); pos += step) {
            const size_t n = std::min(step, stream.size() - pos);
            writes.push_back({{stream.begin() + static_cast<std::ptrdiff_t>(pos),
                               stream.begin() + static_cast<std::ptrdiff_t>(pos + n)},
                              pos == 0 ? m_Faults.delayMs : m_Faults.trickleGapMs});
        }
    } else {
        writes.push_back({std::move(stream), m_Faults.delayMs});
    }
    return writes;
}

std::vector<SimWrite> Engine::Unsolicited(std::string_view text) {
    const size_t n = std::min(text.size(), kVciMaxMessage - kWlanReplyTextOffset);
    auto msg = BuildMessage(kUnsolicitedId, {reinterpret_cast<const uint8_t*>(text.data()), n});
    ++m_Counters.unsolicited;
    std::vector<uint8_t> stream;
    for (auto& f : FrameMessage(msg, kDefaultFrameData)) {
        LogFrame("tx", f);
        stream.insert(stream.end(), f.begin(), f.end());
    }
    return {{std::move(stream), 0}};
}

std::vector<SimWrite> Engine::Flood(size_t total, size_t messageSize) {
    messageSize = std::clamp<size_t>(messageSize, kWlanReplyTextOffset, kVciMaxMessage);
    std::vector<uint8_t> body(messageSize - kWlanReplyTextOffset, 0x5A);
    const auto msg = BuildMessage(kUnsolicitedId, body);
    std::vector<SimWrite> writes;
    std::vector<uint8_t> chunk;
    size_t produced = 0;
    while (produced < total) {
        for (auto& f : FrameMessage(msg, kDefaultFrameData)) {
            chunk.insert(chunk.end(), f.begin(), f.end());
            produced += f.size();
        }
        ++m_Counters.unsolicited;
        if (chunk.size() >= kFloodWrite) writes.push_back({std::exchange(chunk, {}), 0});
    }
    if (!chunk.empty()) writes.push_back({std::move(chunk), 0});
    return writes;
}

} // namespace vcisim

// WLAN configuration requests to the VCI and the decoding of its setting replies.
#include "vcilink/core/wlan_settings.h"

#include <algorithm>
#include <cstring>

#include "vcilink/core/frame_codec.h"

namespace vcilink {

namespace {

#define WLAN_FIELD(member) static_cast<uint8_t>(offsetof(WlanSettingRecord, member))

using K = WlanFieldKind;
constexpr WlanSettingType kTable[kWlanSettingCount] = {
    {1, "WLAN_SET_MAC_ADDRESS ", 0x24, 6, 6, K::Bytes, WLAN_FIELD(MacAddress), 6},
    {2, "WLAN_SET_NET_OPTION ", 0x40, 2, 2, K::Bytes, WLAN_FIELD(NetOption), 2},
    {3, "WLAN_SET_PAD ", 0x42, 2, 2, K::Bytes, WLAN_FIELD(Pad), 2},
    {4, "WLAN_SET_LOCAL_IP ", 0x44, 4, 4, K::Bytes, WLAN_FIELD(LocalIp), 4},
    {5, "WLAN_SET_NET_MASK ", 0x48, 4, 4, K::Bytes, WLAN_FIELD(NetMask), 4},
    {6, "WLAN_SET_GATEWAY ", 0x4C, 4, 4, K::Bytes, WLAN_FIELD(Gateway), 4},
    {7, "WLAN_SET_PASSWORD ", 0x68, 12, 12, K::Bytes, WLAN_FIELD(Password), 12},
    {8, "WLAN_SET_OPTION ", 0x74, 2, 2, K::Bytes, WLAN_FIELD(Option), 2},
    {9, "WLAN_SET_BAUDRATE ", 0x78, 4, 4, K::Le32, WLAN_FIELD(BaudRate), 4},
    {10, "WLAN_SET_TIMEOUT ", 0x7C, 2, 2, K::Le16, WLAN_FIELD(Timeout), 2},
    {11, "WLAN_SET_MUX ", 0x7E, 1, 1, K::Bytes, WLAN_FIELD(Mux), 1},
    {12, "WLAN_SET_WATER_MARK ", 0x80, 2, 2, K::Le16, WLAN_FIELD(WaterMark), 2},
    {13, "WLAN_SET_REMOTE_IP ", 0x84, 4, 4, K::Bytes, WLAN_FIELD(RemoteIp), 4},
    {14, "WLAN_SET_REMOTE_PORT ", 0x88, 2, 2, K::Le16, WLAN_FIELD(RemotePort), 2},
    {15, "WLAN_SET_LOCAL_PORT ", 0x8A, 2, 2, K::Le16, WLAN_FIELD(LocalPort), 2},
    {16, "WLAN_SET_WLAN ", 0xA0, 2, 2, K::Bytes, WLAN_FIELD(Wlan), 2},
    {17, "WLAN_SET_TARGET_SSID ", 0xB0, 32, 32, K::Bytes, WLAN_FIELD(TargetSsid), 32},
    {18, "WLAN_SET_CREATE_SSID ", 0xD0, 32, 32, K::Bytes, WLAN_FIELD(CreateSsid), 32},
    // The VCI keeps 24 and 56 bytes for the web ids; the reply's value fills only the first 5 and 13.
    {19, "WLAN_SET_64WEB_ID ", 0xF0, 24, 5, K::Bytes, WLAN_FIELD(WebId64), 24},
    {20, "WLAN_SET_126WEBID", 0x108, 56, 13, K::Bytes, WLAN_FIELD(WebId126), 56},
    {21, "WLAN_SET_ARP", 0x40, 1, 1, K::None, 0, 0},
};

#undef WLAN_FIELD

constexpr bool TableIsSound() {
    for (int i = 0; i < kWlanSettingCount; ++i) {
        const WlanSettingType& t = kTable[i];
        if (t.type != i + 1) return false;
        if (t.kind != K::None &&
            (t.numbers > t.fieldWidth || t.fieldOffset + t.fieldWidth > sizeof(WlanSettingRecord)))
            return false;
    }
    return true;
}
static_assert(TableIsSound(), "every setting's numbers must fit its field of the record");

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// The numbers of a "%02X %02X ..." value: blanks before each, one or two hexadecimal digits each.
// Stops at the first place that holds no number.
int ScanHexPairs(std::string_view text, uint8_t* out, int wanted) {
    size_t pos = 0;
    int got = 0;
    while (got < wanted) {
        while (pos < text.size() && IsBlank(text[pos]))
            ++pos;
        int value = -1;
        for (int digits = 0; digits < 2 && pos < text.size(); ++digits) {
            const int d = common::HexDigitValue(text[pos]);
            if (d < 0) break;
            value = (value < 0 ? 0 : value * 16) + d;
            ++pos;
        }
        if (value < 0) break;
        out[got++] = static_cast<uint8_t>(value);
    }
    return got;
}

std::array<uint8_t, kWlanConfigRequestLength> BuildConfigRequest(uint16_t id) {
    std::array<uint8_t, kWlanConfigRequestLength> msg{};
    VciPutLe16(&msg[0], static_cast<uint16_t>(msg.size()));
    VciPutLe16(&msg[2], id);
    StoreMsgChecksum(msg);
    return msg;
}

} // namespace

std::span<const WlanSettingType> WlanSettingTable() {
    return kTable;
}

const WlanSettingType* FindWlanSettingType(int type) {
    if (type < 1 || type > kWlanSettingCount) return nullptr;
    return &kTable[type - 1];
}

uint16_t MsgChecksum(std::span<const uint8_t> msg) {
    if (msg.size() < 2) return 0;
    const size_t length = std::min<size_t>(VciGetLe16(msg.data()), msg.size());
    uint16_t sum = 0;
    for (size_t i = 0; i < length; ++i)
        sum = static_cast<uint16_t>(sum + msg[i]);
    return sum;
}

void StoreMsgChecksum(std::span<uint8_t> msg) {
    if (msg.size() < kWlanMsgChecksumOffset + 2) return;
    VciPutLe16(&msg[kWlanMsgChecksumOffset], 0);
    VciPutLe16(&msg[kWlanMsgChecksumOffset], MsgChecksum(msg));
}

std::array<uint8_t, kWlanConfigRequestLength> BuildEnterWlanConfig() {
    return BuildConfigRequest(kWlanEnterConfigId);
}
std::array<uint8_t, kWlanConfigRequestLength> BuildLeaveWlanConfig() {
    return BuildConfigRequest(kWlanLeaveConfigId);
}

bool BuildReadWlanSetting(int type, std::array<uint8_t, kWlanReadRequestLength>& msg) {
    const WlanSettingType* t = FindWlanSettingType(type);
    if (!t) return false;
    msg.fill(0);
    VciPutLe16(&msg[0], static_cast<uint16_t>(msg.size()));
    VciPutLe16(&msg[2], kWlanReadSettingId);
    VciPutLe16(&msg[8], t->offset);
    msg[10] = t->length;
    StoreMsgChecksum(msg); // last: it covers offset and length
    return true;
}

std::string_view WlanReplyValueText(std::span<const uint8_t> reply) {
    if (reply.size() < kWlanReplyTextOffset) return {};
    const size_t end = std::min<size_t>(VciGetLe16(reply.data()), reply.size());
    if (end <= kWlanReplyTextOffset) return {};
    const std::string_view text(reinterpret_cast<const char*>(reply.data()) + kWlanReplyTextOffset,
                                end - kWlanReplyTextOffset);
    size_t pos = 0;
    for (int pairs = 0; pairs < 2; ++pairs) {
        const size_t crlf = text.find("\r\n", pos);
        if (crlf == std::string_view::npos) return {};
        pos = crlf + 2;
    }
    std::string_view value = text.substr(pos);
    value = value.substr(0, std::min(value.find('\0'), kWlanReplyValueMax));
    return value;
}

int ParseWlanSettingReply(int type, std::span<const uint8_t> reply, WlanSettingRecord& rec) {
    const WlanSettingType* t = FindWlanSettingType(type);
    if (!t) return -1;
    uint8_t numbers[kWlanMaxReplyNumbers];
    const int got =
        ScanHexPairs(WlanReplyValueText(reply), numbers, std::min<int>(t->numbers, sizeof numbers));

    auto* base = reinterpret_cast<uint8_t*>(&rec);
    switch (t->kind) {
    case K::Bytes:
        std::memcpy(base + t->fieldOffset, numbers, static_cast<size_t>(got));
        break;
    case K::Le16: {
        uint16_t v;
        std::memcpy(&v, base + t->fieldOffset, sizeof v);
        for (int i = 0; i < got; ++i)
            v = static_cast<uint16_t>((v & ~(0xFFu << (8 * i))) | (unsigned{numbers[i]} << (8 * i)));
        std::memcpy(base + t->fieldOffset, &v, sizeof v);
        break;
    }
    case K::Le32: {
        uint32_t v;
        std::memcpy(&v, base + t->fieldOffset, sizeof v);
        for (int i = 0; i < got; ++i)
            v = (v & ~(0xFFu << (8 * i))) | (uint32_t{numbers[i]} << (8 * i));
        std::memcpy(base + t->fieldOffset, &v, sizeof v);
        break;
    }
    case K::None:
        break;
    }
    return got;
}

int CountWlanReplyNumbers(std::span<const uint8_t> reply) {
    uint8_t numbers[kWlanMaxReplyNumbers + 1];
    return ScanHexPairs(WlanReplyValueText(reply), numbers, static_cast<int>(sizeof numbers));
}

std::string VciMacText(const WlanSettingRecord& rec) {
    return common::FormatMac12(rec.MacAddress);
}

void CopyVciMacAddress(const WlanSettingRecord& rec, uint8_t (&mac)[common::kMacAddressBufferBytes]) {
    std::memset(mac, 0, sizeof mac);
    std::memcpy(mac, rec.MacAddress, common::kMacBytes);
}

} // namespace vcilink

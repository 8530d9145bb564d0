// The VCI's WLAN configuration requests, the setting table, the setting record and the reply decoding.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "common/core/mac_text.h"

namespace vcilink {

inline constexpr uint16_t kWlanEnterConfigId = 0x2100;
inline constexpr uint16_t kWlanReadSettingId = 0x2101;
inline constexpr uint16_t kWlanLeaveConfigId = 0x2102;

inline constexpr size_t kWlanConfigRequestLength = 8; // enter and leave
inline constexpr size_t kWlanReadRequestLength = 11;
inline constexpr size_t kWlanMsgChecksumOffset = 6;
inline constexpr size_t kWlanReplyTextOffset = 8; // DataLength, ID and four bytes come first
inline constexpr size_t kWlanReplyValueMax = 999; // the value text is taken into a 1000-byte text buffer
inline constexpr int kWlanSettingCount = 21;
inline constexpr int kWlanTypeMacAddress = 1;

// The settings as the dialog keeps them. Each byte array is one byte longer than its value; that byte stays
// 0.
struct WlanSettingRecord {
    uint8_t MacAddress[common::kMacBytes + 1];
    uint8_t NetOption[2 + 1];
    uint8_t Pad[2 + 1];
    uint8_t LocalIp[4 + 1];
    uint8_t NetMask[4 + 1];
    uint8_t Gateway[4 + 1];
    uint8_t Password[12 + 1];
    uint8_t Option[2 + 1];
    uint32_t BaudRate;
    uint16_t Timeout;
    uint8_t Mux;
    uint16_t WaterMark;
    uint8_t RemoteIp[4 + 1];
    uint16_t RemotePort;
    uint16_t LocalPort;
    uint8_t Wlan[2 + 1];
    uint8_t TargetSsid[32 + 1];
    uint8_t CreateSsid[32 + 1];
    uint8_t WebId64[24 + 1];
    uint8_t WebId126[56 + 1];
};

static_assert(sizeof(WlanSettingRecord) == 216);
static_assert(offsetof(WlanSettingRecord, MacAddress) == 0);
static_assert(offsetof(WlanSettingRecord, NetOption) == 7);
static_assert(offsetof(WlanSettingRecord, Pad) == 10);
static_assert(offsetof(WlanSettingRecord, LocalIp) == 13);
static_assert(offsetof(WlanSettingRecord, NetMask) == 18);
static_assert(offsetof(WlanSettingRecord, Gateway) == 23);
static_assert(offsetof(WlanSettingRecord, Password) == 28);
static_assert(offsetof(WlanSettingRecord, Option) == 41);
static_assert(offsetof(WlanSettingRecord, BaudRate) == 44);
static_assert(offsetof(WlanSettingRecord, Timeout) == 48);
static_assert(offsetof(WlanSettingRecord, Mux) == 50);
static_assert(offsetof(WlanSettingRecord, WaterMark) == 52);
static_assert(offsetof(WlanSettingRecord, RemoteIp) == 54);
static_assert(offsetof(WlanSettingRecord, RemotePort) == 60);
static_assert(offsetof(WlanSettingRecord, LocalPort) == 62);
static_assert(offsetof(WlanSettingRecord, Wlan) == 64);
static_assert(offsetof(WlanSettingRecord, TargetSsid) == 67);
static_assert(offsetof(WlanSettingRecord, CreateSsid) == 100);
static_assert(offsetof(WlanSettingRecord, WebId64) == 133);
static_assert(offsetof(WlanSettingRecord, WebId126) == 158);

// How the numbers of a reply land in the record.
enum class WlanFieldKind : uint8_t {
    Bytes, // one byte per number, in order
    Le16,  // the numbers are the bytes of the value, the first the lowest
    Le32,
    None, // parsed, kept nowhere
};

struct WlanSettingType {
    int type;
    const char* name; // this program's label; not sent
    uint16_t offset;  // in the VCI's setting block
    uint8_t length;   // bytes requested
    uint8_t numbers;  // two-digit numbers read from the reply's value text
    WlanFieldKind kind;
    uint8_t fieldOffset; // in WlanSettingRecord
    uint8_t fieldWidth;  // bytes of the field that numbers may fill
};

std::span<const WlanSettingType> WlanSettingTable();
const WlanSettingType* FindWlanSettingType(int type); // null for a type outside 1..kWlanSettingCount

// 16-bit sum, carry dropped, of the DataLength bytes of `msg` (bounded by its size).
uint16_t MsgChecksum(std::span<const uint8_t> msg);
// Zeroes the checksum field, sums the message and stores the sum there (little-endian).
void StoreMsgChecksum(std::span<uint8_t> msg);

std::array<uint8_t, kWlanConfigRequestLength> BuildEnterWlanConfig();
std::array<uint8_t, kWlanConfigRequestLength> BuildLeaveWlanConfig();
// False for an unknown type; `msg` is then left as it was.
bool BuildReadWlanSetting(int type, std::array<uint8_t, kWlanReadRequestLength>& msg);

// The value text of a setting reply: what follows the second CR LF within the text bytes from
// kWlanReplyTextOffset to DataLength, bounded by the bytes received, ending at a zero byte, at most
// kWlanReplyValueMax characters. Empty when the text has fewer than two CR LF pairs or DataLength is
// below kWlanReplyTextOffset.
std::string_view WlanReplyValueText(std::span<const uint8_t> reply);

// The longest value has this many numbers.
inline constexpr int kWlanMaxReplyNumbers = 32;

// Decodes a setting reply into `rec` for `type`. Only the type's field is written, and only with the
// numbers the text supplies; the rest keeps its content. Returns how many numbers were taken, -1 for an
// unknown type.
int ParseWlanSettingReply(int type, std::span<const uint8_t> reply, WlanSettingRecord& rec);
// How many two-digit numbers the reply's value text holds (at most kWlanMaxReplyNumbers + 1).
int CountWlanReplyNumbers(std::span<const uint8_t> reply);

// The MAC of the record as twelve upper-case hexadecimal digits.
std::string VciMacText(const WlanSettingRecord& rec);
// The MAC for the next add command as the dialog holds it: the MAC bytes, then zero.
void CopyVciMacAddress(const WlanSettingRecord& rec, uint8_t (&mac)[common::kMacAddressBufferBytes]);

} // namespace vcilink

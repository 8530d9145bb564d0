// Fuzz target: arbitrary setting replies through the WLAN reply decoding, for every setting type.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "vcilink/core/wlan_settings.h"

using namespace vcilink;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    const int type = in.ConsumeIntegralInRange<int>(-1, kWlanSettingCount + 2);
    const uint8_t fill = in.ConsumeIntegral<uint8_t>();
    const std::vector<uint8_t> reply =
        in.ConsumeRemainingBytes<uint8_t>(); // exactly sized: over-reads are caught

    WlanSettingRecord before;
    std::memset(&before, fill, sizeof before);
    WlanSettingRecord rec = before;
    const int got = ParseWlanSettingReply(type, reply, rec);

    const std::string_view value = WlanReplyValueText(reply);
    if (value.size() > kWlanReplyValueMax) std::abort();
    if (!value.empty() &&
        (value.data() < reinterpret_cast<const char*>(reply.data()) ||
         value.data() + value.size() > reinterpret_cast<const char*>(reply.data()) + reply.size()))
        std::abort();

    const WlanSettingType* t = FindWlanSettingType(type);
    if (!t) {
        if (got != -1 || std::memcmp(&before, &rec, sizeof rec) != 0) std::abort();
        return 0;
    }
    if (got < 0 || got > t->numbers) std::abort();
    // Nothing outside the numbers the type may fill changes: neighbours and the spare zero byte stay.
    const auto* a = reinterpret_cast<const uint8_t*>(&before);
    const auto* b = reinterpret_cast<const uint8_t*>(&rec);
    const size_t first = t->fieldOffset,
                 end = t->kind == WlanFieldKind::None ? first : first + static_cast<size_t>(got);
    for (size_t i = 0; i < sizeof rec; ++i)
        if ((i < first || i >= end) && a[i] != b[i]) std::abort();
    return 0;
}

// MAC pairs as the AP protocol's lines carry them.
#include "common/core/ap_wire.h"

namespace common {

int HexDigit(char c, HexCase digits) {
    if (c >= '0' && c <= '9') return c - '0';
    if (digits != HexCase::Upper && c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (digits != HexCase::Lower && c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::optional<WireMac> ParseMacPairs(std::string_view text, char separator, HexCase digits) {
    WireMac mac{};
    if (text.size() != 3 * mac.size() - 1) return std::nullopt;
    for (std::size_t i = 0; i < mac.size(); ++i) {
        const int hi = HexDigit(text[3 * i], digits), lo = HexDigit(text[3 * i + 1], digits);
        if (hi < 0 || lo < 0 || (i + 1 < mac.size() && text[3 * i + 2] != separator)) return std::nullopt;
        mac[i] = static_cast<std::uint8_t>(hi << 4 | lo);
    }
    return mac;
}

} // namespace common

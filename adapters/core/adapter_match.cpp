// Wireless adapter test by description keywords.
#include "adapters/core/adapter_match.h"

namespace adapters {

std::string UpperAscii(std::string_view text) {
    std::string upper(text);
    for (char& c : upper) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return upper;
}

int FindWirelessKeyword(std::string_view description) {
    const std::string upper = UpperAscii(description);
    for (std::size_t i = 0; i < kWirelessKeywords.size(); ++i) {
        if (upper.find(kWirelessKeywords[i]) != std::string::npos) return static_cast<int>(i);
    }
    return -1;
}

bool IsWirelessByTypeOrName(std::string_view description, unsigned type) {
    const std::string upper = UpperAscii(description);
    if (upper.find(kVirtualMark) != std::string::npos) return false;
    return type == kIfTypeIeee80211 || upper.find(kWiFiMark) != std::string::npos;
}

} // namespace adapters

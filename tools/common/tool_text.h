// The words and numbers of the tools' command lines (apsim's and vcisim's control ports, uidriver's
// scripts and options); no Windows header.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace tooltext {

// The words of a line, separated by blanks and tabs.
std::vector<std::string_view> Words(std::string_view line);

// A whole number from min to max (min at least 0): decimal digits, or hexadecimal ones after "0x" when
// hex is allowed. Nothing else: no sign, no blank, no other character; nullopt for any other text.
std::optional<std::int64_t> ParseNumber(std::string_view text, std::int64_t min, std::int64_t max,
                                        bool hex = true);

} // namespace tooltext

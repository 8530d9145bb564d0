// The tools' word splitter and number parser: the numbers every control port and script takes.
#include <gtest/gtest.h>

#include <optional>

#include "tools/common/tool_text.h"

namespace {

TEST(ToolText, WordsAndNumbers) {
    EXPECT_EQ(tooltext::Words(" \tstall  1500\t3 "), (std::vector<std::string_view>{"stall", "1500", "3"}));
    EXPECT_TRUE(tooltext::Words(" \t ").empty());
    struct Row {
        const char* text;
        std::int64_t min, max;
        bool hex;
        std::optional<std::int64_t> value;
    };
    const Row rows[] = {
        {"0", 0, 9, true, 0},
        {"9", 0, 9, true, 9},
        {"10", 0, 9, true, std::nullopt},
        {"3", 0, 2, true, std::nullopt},
        {"0x1F", 0, 255, true, 31},
        {"0X1f", 0, 255, true, 31},
        {"0x1F", 0, 255, false, std::nullopt},
        {"0x", 0, 9, true, std::nullopt},
        {"", 0, 9, true, std::nullopt},
        {"-1", 0, 9, true, std::nullopt},
        {"+1", 0, 9, true, std::nullopt},
        {"1 ", 0, 9, true, std::nullopt},
        {"4", 5, 9, true, std::nullopt},
        {"9223372036854775807", 0, INT64_MAX, false, INT64_MAX},
        {"9223372036854775808", 0, INT64_MAX, false, std::nullopt},
    };
    for (const Row& r : rows)
        EXPECT_EQ(tooltext::ParseNumber(r.text, r.min, r.max, r.hex), r.value) << r.text;
}

} // namespace

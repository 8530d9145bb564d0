// Tests of the AP protocol's wire side: the strict reading of command lines and the line framer.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "apd/core/ap_lines.h"

using namespace apd;

namespace {

const Mac kMacA = {0x02, 0x11, 0x22, 0x33, 0x44, 0x55};
const Mac kMacB = {0x0a, 0x0b, 0x0c, 0x0d, 0x0e, 0x0f};

std::vector<LineFramer::Line> FeedAll(LineFramer& framer, std::string_view bytes) {
    std::vector<LineFramer::Line> lines;
    framer.Feed(bytes, lines);
    return lines;
}

} // namespace

TEST(ApSimLines, TheProgramsCommands) {
    const Command add = ParseCommandLine("w fff0 0a 0b 0c 0d 0e 0f");
    EXPECT_EQ(add.kind, CommandKind::Add);
    EXPECT_EQ(add.mac, kMacB);
    const Command del = ParseCommandLine("w fff1 0A 0B 0C 0D 0E 0F");
    EXPECT_EQ(del.kind, CommandKind::Delete);
    EXPECT_EQ(del.mac, kMacB);
    EXPECT_EQ(ParseCommandLine("w fff1 02 11 22 33 44 55").mac, kMacA);
    EXPECT_EQ(ParseCommandLine("w fff3 ").kind, CommandKind::List);
    EXPECT_EQ(ParseCommandLine("w fff4 ").kind, CommandKind::CloseRequest);
    EXPECT_EQ(ParseCommandLine("w fff6 ").kind, CommandKind::Apply);
    const Command on = ParseCommandLine("w fff5 00"), off = ParseCommandLine("w fff5 01");
    EXPECT_EQ(on.kind, CommandKind::Filter);
    EXPECT_TRUE(on.filterOn);
    EXPECT_EQ(off.kind, CommandKind::Filter);
    EXPECT_FALSE(off.filterOn);
    EXPECT_EQ(ParseCommandLine("w fff2 ").kind, CommandKind::UnknownCode);
    EXPECT_EQ(static_cast<unsigned>(ParseCommandLine("w 0000 ").code), 0u);
}

// Everything a MAC argument can be instead of six pairs: refused, never cut down to something that parses.
TEST(ApSimLines, HostileArgumentsAreRefused) {
    const std::vector<std::string> bad = {
        "w fff0 0A 0B 0C 0D 0E 0F",    // the add command takes lower case
        "w fff1 0a 0b 0c 0d 0e 0f",    // the delete command takes the listed (upper case) form
        "w fff0 0a 0b 0c 0d 0e",       // short
        "w fff0 0a 0b 0c 0d 0e 0f 10", // long
        "w fff0 0a 0b 0c 0d 0e 0f ",   // trailing blank
        "w fff0  0a 0b 0c 0d 0e 0f",   // leading blank
        "w fff0 0a 0b  0c 0d 0e0f",    // blanks moved
        "w fff0 0a:0b:0c:0d:0e:0f",    // another separator
        "w fff0 0a\t0b 0c 0d 0e 0f",   // a tab
        "w fff0 0a 0b 0c 0d 0e 0g",    // not hex
        "w fff0 0a 0b 0c 0d 0e 0\r",   // a carriage return inside
        std::string("w fff0 0a 0b 0c 0d 0e") + '\0' + "0f", // a zero byte
        "w fff0 0a 0b 0c 0d 0e \xff\xfe",                   // binary
        "w fff0 00 00 00 00 00 00",                         // the list's end entry
        "w fff1 00 00 00 00 00 00",
        "w fff0 0a 0b 0c 0d 0e 0f\nw fff6 ", // a second command smuggled into the argument
        "w fff3 x",                          // commands without an argument take none
        "w fff6 now",
        "w fff4 \r",
        "w fff5 1",
        "w fff5 00 ",
        "w fff5 02",
    };
    for (const std::string& line : bad) {
        EXPECT_EQ(ParseCommandLine(line).kind, CommandKind::BadArgument) << line;
    }
    for (const char* line : {"", "w", "w fff3", "W fff3 ", "w FFF3 ", "w  fff3 ", "w fff3\t", "w ff3 ",
                             "wxfff3 ", "hello world"}) {
        EXPECT_EQ(ParseCommandLine(line).kind, CommandKind::Malformed) << line;
    }
}

TEST(ApSimLines, FramerCutsAtCrOrLfAndSkipsEmptyLines) {
    LineFramer framer;
    auto lines = FeedAll(framer, "w fff3 \r\nw fff5 00\r\rw ff");
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].text, "w fff3 ");
    EXPECT_EQ(lines[1].text, "w fff5 00");
    EXPECT_EQ(framer.Pending(), 4u);
    lines = FeedAll(framer, "f6 \r");
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].text, "w fff6 ");
    EXPECT_FALSE(lines[0].overlong);
}

TEST(ApSimLines, ManyCommandsInOneSegmentAndInRandomChunks) {
    std::string stream;
    std::vector<std::string> sent;
    for (int i = 0; i < 300; ++i) {
        char line[32];
        std::snprintf(line, sizeof line, "w fff0 0a 0b 0c 0d %02x %02x", i >> 8, i & 0xff);
        sent.emplace_back(line);
        stream += std::string(line) + "\r";
    }
    LineFramer whole;
    const auto lines = FeedAll(whole, stream);
    ASSERT_EQ(lines.size(), sent.size());
    for (std::size_t i = 0; i < sent.size(); ++i)
        EXPECT_EQ(lines[i].text, sent[i]);

    std::mt19937 random(7);
    LineFramer chunked;
    std::vector<LineFramer::Line> got;
    for (std::size_t at = 0; at < stream.size();) {
        const std::size_t n = std::min<std::size_t>(random() % 40 + 1, stream.size() - at);
        chunked.Feed(std::string_view(stream).substr(at, n), got);
        at += n;
    }
    ASSERT_EQ(got.size(), sent.size());
    EXPECT_EQ(got.back().text, sent.back());
}

TEST(ApSimLines, OverlongLineIsHandedOnOnceCutAndTheRestDropped) {
    for (const std::size_t chunk : {std::size_t{1}, std::size_t{7}, std::size_t{4096}}) {
        // An apply command followed by more than a line's worth: never an apply.
        const std::string stream = "w fff6 " + std::string(3000, 'x') + "\rw fff3 \r";
        LineFramer framer;
        std::vector<LineFramer::Line> lines;
        for (std::size_t at = 0; at < stream.size(); at += chunk)
            framer.Feed(std::string_view(stream).substr(at, chunk), lines);
        ASSERT_EQ(lines.size(), 2u) << chunk;
        EXPECT_TRUE(lines[0].overlong);
        EXPECT_EQ(lines[0].text.size(), kMaxCommandLine);
        EXPECT_EQ(lines[1].text, "w fff3 ");
        EXPECT_FALSE(lines[1].overlong);
        EXPECT_EQ(framer.Pending(), 0u);
    }
    // A line of exactly the limit is a line.
    LineFramer framer;
    const auto lines = FeedAll(framer, std::string(kMaxCommandLine, 'y') + "\n");
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_FALSE(lines[0].overlong);
}

TEST(ApSimLines, ResetDropsALineCutByADisconnect) {
    LineFramer framer;
    EXPECT_TRUE(FeedAll(framer, "w fff0 0a 0b 0c").empty());
    framer.Reset(); // the client went away mid-line
    const auto lines = FeedAll(framer, " 0d 0e 0f\rw fff3 \r");
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].text, " 0d 0e 0f");
    EXPECT_EQ(ParseCommandLine(lines[0].text).kind, CommandKind::Malformed);

    // Reset also ends the skipping of an overlong line.
    EXPECT_EQ(FeedAll(framer, std::string(2000, 'z')).size(), 1u);
    framer.Reset();
    EXPECT_EQ(FeedAll(framer, "w fff3 \r").size(), 1u);
}

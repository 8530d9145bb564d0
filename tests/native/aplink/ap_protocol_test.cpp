// Tests of the AP command texts, status replies and the list-reply scanner.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "aplink/core/ap_protocol.h"

using namespace aplink;

namespace {

std::string Entry(std::string_view mac, std::string_view filler = "LIST") {
    return "701" + std::string(filler) + std::string(mac);
}

struct PlainScan {
    std::vector<std::string> entries;
    bool endSeen = false;
};

// Scans text held in a heap block of exactly its size, so that AddressSanitizer sees any read past it.
// The entries are views of the block: they are copied out before it goes.
PlainScan Scan(std::string_view bytes) {
    std::vector<char> block(bytes.begin(), bytes.end());
    const ApListScan scan = ScanListReply(block.data(), static_cast<int>(block.size()));
    PlainScan out{{scan.entries.begin(), scan.entries.end()}, scan.endSeen};
    EXPECT_TRUE(scan.entries == out.entries);
    return out;
}

// A random read put together from parts whose outcome is known as they are chosen, so the entries it
// must yield are known without scanning it.
struct BuiltRead {
    std::string bytes;
    PlainScan expected;
};

std::string RandomMac(std::mt19937& rng) {
    static const char digits[] = "0123456789ABCDEFabcdef";
    std::string mac;
    for (int i = 0; i < 6; ++i) {
        if (i) mac += ' ';
        mac += digits[rng() % 22];
        mac += digits[rng() % 22];
    }
    return mac;
}

// No part begins with "1" or "01", and a MAC text has a blank every third character, so "701" stands
// only where a part puts it.
BuiltRead RandomRead(std::mt19937& rng) {
    static const char* const fillers[] = {"LIST", "    ", "abcd"};
    static const std::string between[] = {"", "\r\n", " ", std::string(1, '\0'), "200", "7", "70", "OK\x7e"};
    BuiltRead read;
    auto keep = [&](std::string text) {
        if (!read.expected.endSeen) read.expected.entries.push_back(std::move(text));
    };
    const int parts = static_cast<int>(rng() % 30);
    for (int i = 0; i < parts; ++i) {
        const std::string filler = fillers[rng() % std::size(fillers)];
        std::string mac = RandomMac(rng);
        const unsigned kind = rng() % 5;
        // An acceptance read together with the list, just before a whole entry, makes no row.
        if (kind != 3 && rng() % 4 == 0) read.bytes += "701";
        if (kind == 0) {
            read.bytes += Entry("00 00 00 00 00 00", filler);
            read.expected.endSeen = true; // nothing after it counts
        } else if (kind == 3) {
            // A control or non-ASCII byte ends the text where it stands.
            const std::size_t at = rng() % 17;
            keep(mac.substr(0, at));
            mac[at] = "\r\n\0\xC1"[rng() % 4];
            read.bytes += Entry(mac, filler);
        } else if (kind == 4) {
            std::string foreign(17, ' '); // seventeen characters that are no MAC text: not an entry
            for (char& c : foreign)
                c = "GHIJKLMNOPQRSTUVWXYZ "[rng() % 21];
            read.bytes += Entry(foreign, filler);
        } else {
            read.bytes += Entry(mac, filler);
            keep(mac);
        }
        read.bytes += between[rng() % std::size(between)];
    }
    // The read may end inside one more entry, the end entry too: its text ends at the cut, and a mark
    // in the last three characters is not tested.
    const std::string mac = rng() % 2 ? RandomMac(rng) : "00 00 00 00 00 00";
    const std::size_t cut = rng() % 24;
    read.bytes += Entry(mac, fillers[rng() % std::size(fillers)]).substr(0, cut);
    if (cut > 3) keep(mac.substr(0, cut > 7 ? cut - 7 : 0));
    return read;
}

} // namespace

TEST(ApCommands, TextsAreByteExact) {
    const std::uint8_t mac[6] = {0x00, 0x1a, 0xFF, 0x0b, 0xC0, 0x7e};
    EXPECT_EQ(MakeAddCommand(mac), "w fff0 00 1a ff 0b c0 7e\r");
    EXPECT_EQ(MakeDeleteCommand("02 11 22 33 44 55"), "w fff1 02 11 22 33 44 55\r");
    EXPECT_EQ(MakeDeleteCommand(L"0A 0B 0C 0D 0E 0F"), "w fff1 0A 0B 0C 0D 0E 0F\r");
    EXPECT_EQ(MakeReadListCommand(), "w fff3 \r");
    EXPECT_EQ(MakeCloseRequestCommand(), "w fff4 \r");
    EXPECT_EQ(MakeFilterCommand(true), "w fff5 00\r");
    EXPECT_EQ(MakeFilterCommand(false), "w fff5 01\r");
    EXPECT_EQ(MakeApplyCommand(), "w fff6 \r");
}

TEST(ApCommands, DeleteRepeatsAListedTextButNeverBreaksTheLine) {
    // A text cut short by a read is still sent as listed.
    EXPECT_EQ(MakeDeleteCommand("02 11 2"), "w fff1 02 11 2\r");
    EXPECT_EQ(MakeDeleteCommand(""), "w fff1 \r");
    EXPECT_EQ(MakeDeleteCommand("02 11 22\r33 44 55"), "");
    EXPECT_EQ(MakeDeleteCommand("02 11 22\n33 44 55"), "");
    EXPECT_EQ(MakeDeleteCommand(std::string_view("02 11\0 22", 9)), "");
    EXPECT_EQ(MakeDeleteCommand("02 11 22 33 44 55 66"), "");
    EXPECT_EQ(MakeDeleteCommand(L"02 11 22 33 44 5\xFF15"), "");
    EXPECT_EQ(MakeDeleteCommand(L"02 11 22 33 44 \x0135"), "");
}

TEST(ApCommands, BuildersFillAZeroedCommandBuffer) {
    char buffer[kApCommandBufferSize];
    std::memset(buffer, 'X', sizeof buffer);
    const std::uint8_t mac[6] = {0x02, 0x11, 0x22, 0x33, 0x44, 0x55};
    ASSERT_EQ(MakeMacDataToAdd(mac, buffer, sizeof buffer), 25u);
    EXPECT_STREQ(buffer, "w fff0 02 11 22 33 44 55\r");
    for (std::size_t i = 25; i < sizeof buffer; ++i)
        ASSERT_EQ(buffer[i], '\0') << i;

    ASSERT_EQ(MakeMacDataToDelete("02 11 22 33 44 55", buffer, sizeof buffer), 25u);
    EXPECT_STREQ(buffer, "w fff1 02 11 22 33 44 55\r");
    ASSERT_EQ(MakeMacDataToDelete(L"02 11 22 33 44 55", buffer, sizeof buffer), 25u);
    EXPECT_STREQ(buffer, "w fff1 02 11 22 33 44 55\r");
    ASSERT_EQ(MakeMacDataToRead(buffer, sizeof buffer), 8u);
    EXPECT_STREQ(buffer, "w fff3 \r");
}

TEST(ApCommands, CopyIsBoundedByTheBuffer) {
    char small[9];
    std::memset(small, 'X', sizeof small);
    EXPECT_EQ(CopyCommand("w fff3 \r", small, 9), 8u); // exactly fits with its NUL
    EXPECT_STREQ(small, "w fff3 \r");

    std::memset(small, 'X', sizeof small);
    EXPECT_EQ(CopyCommand("w fff3 \r", small, 8), 0u); // no room for the NUL
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(small[i], '\0');
    EXPECT_EQ(small[8], 'X'); // never written past the size given

    char buffer[16];
    std::memset(buffer, 'X', sizeof buffer);
    EXPECT_EQ(MakeMacDataToDelete("02\r", buffer, sizeof buffer), 0u);
    EXPECT_EQ(buffer[0], '\0');
    EXPECT_EQ(CopyCommand("abc", nullptr, 10), 0u);
}

TEST(ApReplies, TextEndsAtNulOrCount) {
    EXPECT_EQ(ReplyText("701", -1), "");
    EXPECT_EQ(ReplyText("701", 0), "");
    EXPECT_EQ(ReplyText("701xyz", 3), "701");
    EXPECT_EQ(ReplyText("70\0"
                        "1",
                        4),
              "70");
}

TEST(ApReplies, StatusByFirstThreeCharacters) {
    EXPECT_EQ(ClassifyStatusReply("701"), ApStatus::Accepted);
    EXPECT_EQ(ClassifyStatusReply("701 whatever follows"), ApStatus::Accepted);
    EXPECT_EQ(ClassifyStatusReply("701701"), ApStatus::Accepted);
    EXPECT_EQ(ClassifyStatusReply("200"), ApStatus::Refused);
    EXPECT_EQ(ClassifyStatusReply("2001"), ApStatus::Refused);
    EXPECT_EQ(ClassifyStatusReply("70"), ApStatus::Unexpected);
    EXPECT_EQ(ClassifyStatusReply(""), ApStatus::Unexpected);
    EXPECT_EQ(ClassifyStatusReply(" 701"), ApStatus::Unexpected);
    EXPECT_EQ(ClassifyStatusReply("OK"), ApStatus::Unexpected);
    EXPECT_EQ(ClassifyStatusReply(ReplyText("70\0"
                                            "1",
                                            4)),
              ApStatus::Unexpected);
}

TEST(ApListScan, SeveralEntriesInOrderThenTheEnd) {
    const std::string reply = Entry("02 11 22 33 44 55") + Entry("0A 0B 0C 0D 0E 0F", "    ") +
                              Entry("00 00 00 00 00 00") + Entry("AA AA AA AA AA AA");
    const PlainScan scan = Scan(reply);
    EXPECT_TRUE(scan.endSeen);
    EXPECT_EQ(scan.entries, (std::vector<std::string>{"02 11 22 33 44 55", "0A 0B 0C 0D 0E 0F"}));
}

TEST(ApListScan, ListWithoutItsEndInThisRead) {
    const PlainScan scan = Scan(Entry("02 11 22 33 44 55") + "\r\n" + Entry("0A 0B 0C 0D 0E 0F") + "\r\n");
    EXPECT_FALSE(scan.endSeen);
    EXPECT_EQ(scan.entries.size(), 2u);
}

TEST(ApListScan, EntryCutByTheReadEndsAtTheCut) {
    const std::string whole =
        Entry("02 11 22 33 44 55") + Entry("0A 0B 0C 0D 0E 0F") + Entry("00 00 00 00 00 00");
    const std::size_t cut = 24 + 12; // inside the second entry's MAC text
    const PlainScan first = Scan(std::string_view(whole).substr(0, cut));
    EXPECT_EQ(first.entries, (std::vector<std::string>{"02 11 22 33 44 55", "0A 0B"}));
    EXPECT_FALSE(first.endSeen);
    // The rest is not rejoined: only the entry that begins with "701" counts.
    const PlainScan second = Scan(std::string_view(whole).substr(cut));
    EXPECT_TRUE(second.entries.empty());
    EXPECT_TRUE(second.endSeen);
}

TEST(ApListScan, AcceptedMarkAtTheVeryEnd) {
    // "701" as the last three characters is not tested at all.
    EXPECT_TRUE(Scan("701").entries.empty());
    EXPECT_TRUE(Scan("xx701").entries.empty());
    // One character more and the mark counts, with the little text there is.
    EXPECT_EQ(Scan("701L").entries, std::vector<std::string>{""});
    EXPECT_EQ(Scan("701LIST02 1").entries, std::vector<std::string>{"02 1"});
}

TEST(ApListScan, EndEntryCutShortIsNotTheEnd) {
    const PlainScan scan = Scan(Entry("00 00 00 00 00 0"));
    EXPECT_FALSE(scan.endSeen);
    EXPECT_EQ(scan.entries, std::vector<std::string>{"00 00 00 00 00 0"});
}

TEST(ApListScan, FullReadWithTheEndInItsLastBytes) {
    std::string reply(kApReplyReadSize - 2 * 24, ' ');
    reply += Entry("02 11 22 33 44 55") + Entry("00 00 00 00 00 00");
    ASSERT_EQ(reply.size(), static_cast<std::size_t>(kApReplyReadSize));
    const PlainScan scan = Scan(reply);
    EXPECT_TRUE(scan.endSeen);
    EXPECT_EQ(scan.entries, std::vector<std::string>{"02 11 22 33 44 55"});
}

TEST(ApListScan, FullReadOfEntriesEndingInACutOne) {
    std::string reply;
    for (int i = 0; i < 124; ++i)
        reply += Entry("02 11 22 33 44 55");
    reply += "    " + Entry("0A 0B 0C 0D 0E 0F").substr(0, 20); // starts 20 bytes before the end
    ASSERT_EQ(reply.size(), 3000u);
    const PlainScan scan = Scan(reply);
    ASSERT_EQ(scan.entries.size(), 125u);
    EXPECT_EQ(scan.entries[123], "02 11 22 33 44 55");
    EXPECT_EQ(scan.entries[124], "0A 0B 0C 0D 0");
    EXPECT_FALSE(scan.endSeen);
}

TEST(ApListScan, ControlBytesEndAnEntryText) {
    EXPECT_EQ(Scan(Entry("02 11\r22 33 44 55")).entries, std::vector<std::string>{"02 11"});
    EXPECT_EQ(Scan(Entry(std::string_view("02 11\0 22 33 44 55", 18))).entries,
              std::vector<std::string>{"02 11"});
    EXPECT_EQ(Scan(Entry("02 \xC1\xB1 22 33 44 55")).entries, std::vector<std::string>{"02 "});
}

TEST(ApListScan, AnEarlierAcceptanceReadWithTheListMakesNoRow) {
    // The "701" of an add and the list arrive in one read: the scan sees "701" + "701LIST0A 1B ...".
    const PlainScan scan =
        Scan("701" + Entry("0A 1B 2C 3D 4E 5F") + Entry("02 11 22 33 44 55") + Entry("00 00 00 00 00 00"));
    EXPECT_EQ(scan.entries, (std::vector<std::string>{"0A 1B 2C 3D 4E 5F", "02 11 22 33 44 55"}));
    EXPECT_TRUE(scan.endSeen);
    // Whatever four characters the AP puts before the MAC text.
    EXPECT_EQ(Scan("701" + Entry("0A 1B 2C 3D 4E 5F", "    ")).entries,
              std::vector<std::string>{"0A 1B 2C 3D 4E 5F"});
}

TEST(ApListScan, NothingToScan) {
    EXPECT_TRUE(ScanListReply(nullptr, 10).entries.empty());
    EXPECT_TRUE(ScanListReply("701LIST02 11 22 33 44 55", -1).entries.empty());
    EXPECT_TRUE(ScanListReply("701LIST02 11 22 33 44 55", 0).entries.empty());
    EXPECT_TRUE(Scan("200").entries.empty());
}

TEST(ApListScan, RandomReadsYieldTheEntriesTheyWereBuiltFrom) {
    std::mt19937 rng(4321);
    for (int round = 0; round < 3000; ++round) {
        const BuiltRead read = RandomRead(rng);
        const PlainScan got = Scan(read.bytes);
        ASSERT_EQ(got.endSeen, read.expected.endSeen) << read.bytes;
        ASSERT_EQ(got.entries, read.expected.entries) << read.bytes;
    }
}

TEST(ApReplyBuffer, FullReadKeepsItsTerminatingZero) {
    ApReplyBuffer buffer;
    std::memset(buffer.data, '7', sizeof buffer.data);
    buffer.SetReceived(kApReplyReadSize);
    EXPECT_EQ(buffer.data[kApReplyReadSize], '\0');
    EXPECT_EQ(buffer.Text().size(), static_cast<std::size_t>(kApReplyReadSize));

    buffer.SetReceived(kApReplyReadSize + 500); // more than one read can bring
    EXPECT_EQ(buffer.received, kApReplyReadSize);
}

TEST(ApReplyBuffer, FailedReadIsEmptyText) {
    ApReplyBuffer buffer;
    std::memcpy(buffer.data, "701", 3);
    buffer.SetReceived(-1);
    EXPECT_EQ(buffer.received, 0);
    EXPECT_EQ(buffer.Text(), "");
    EXPECT_EQ(ClassifyStatusReply(buffer.Text()), ApStatus::Unexpected);

    buffer.Clear();
    std::memcpy(buffer.data, "701LIST02 11 22 33 44 55", 24);
    buffer.SetReceived(24);
    EXPECT_EQ(buffer.ScanList().entries, std::vector<std::string>{"02 11 22 33 44 55"});
    buffer.Clear();
    EXPECT_EQ(buffer.data[0], '\0');
    EXPECT_EQ(buffer.received, 0);
}

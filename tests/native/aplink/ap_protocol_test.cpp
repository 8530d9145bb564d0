// Tests of the AP command texts, status replies and the receive buffer.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "aplink/core/ap_protocol.h"

using namespace aplink;

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
}

TEST(ApReplyBuffer, FullReadKeepsItsTerminatingZero) {
    ApReplyBuffer buffer;
    std::memset(buffer.data, '7', sizeof buffer.data);
    buffer.SetReceived(kApReplyReadSize);
    EXPECT_EQ(buffer.data[kApReplyReadSize], '\0');

    buffer.SetReceived(kApReplyReadSize + 500); // more than one read can bring
    EXPECT_EQ(buffer.received, kApReplyReadSize);
}

TEST(ApReplyBuffer, FailedReadIsEmptyText) {
    ApReplyBuffer buffer;
    std::memcpy(buffer.data, "701", 3);
    buffer.SetReceived(-1);
    EXPECT_EQ(buffer.received, 0);
    EXPECT_EQ(buffer.data[0], '\0');

    std::memcpy(buffer.data, "701", 3);
    buffer.Clear();
    EXPECT_EQ(buffer.data[0], '\0');
    EXPECT_EQ(buffer.received, 0);
}

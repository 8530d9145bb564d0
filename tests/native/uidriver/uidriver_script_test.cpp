// The script language: tokens, quoting, each step's arguments and the errors that stop a run before it
// starts.
#include <gtest/gtest.h>

#include "resources/resource.h"
#include "tools/uidriver/uidriver_script.h"

using namespace uidriver;

namespace {

std::vector<Token> Tokens(std::string_view line) {
    std::vector<Token> tokens;
    std::string error;
    EXPECT_TRUE(Tokenize(line, tokens, error)) << error;
    return tokens;
}

Step One(std::string_view line) {
    std::vector<Step> steps;
    std::string error;
    EXPECT_TRUE(ParseLine(line, "line 1", steps, error)) << error;
    EXPECT_EQ(steps.size(), 1u);
    return steps.empty() ? Step{} : steps[0];
}

std::string ErrorOf(std::string_view line) {
    std::vector<Step> steps;
    std::string error;
    EXPECT_FALSE(ParseLine(line, "line 3", steps, error)) << line;
    EXPECT_TRUE(steps.empty());
    return error;
}

} // namespace

TEST(Tokenize, BlanksQuotesEscapesAndComments) {
    auto t = Tokens("  wait-text\t1014 \"AP 연결\"  10   # until connected");
    ASSERT_EQ(t.size(), 4u);
    EXPECT_EQ(t[0].text, "wait-text");
    EXPECT_EQ(t[2].text, "AP 연결");
    EXPECT_TRUE(t[2].quoted);
    EXPECT_FALSE(t[3].quoted);

    t = Tokens(R"(read "a \"b\" \\ \n\t\r" "" "# not a comment")");
    ASSERT_EQ(t.size(), 4u);
    EXPECT_EQ(t[1].text, "a \"b\" \\ \n\t\r");
    EXPECT_EQ(t[2].text, "");
    EXPECT_TRUE(t[2].quoted);
    EXPECT_EQ(t[3].text, "# not a comment");

    // Windows paths need no doubling outside quotes; a # inside a word is part of it.
    t = Tokens(R"(boxes-log C:\tmp\boxes#1.tsv)");
    ASSERT_EQ(t.size(), 2u);
    EXPECT_EQ(t[1].text, R"(C:\tmp\boxes#1.tsv)");

    EXPECT_TRUE(Tokens("   # only a comment").empty());
    EXPECT_TRUE(Tokens("\r").empty());
}

TEST(Tokenize, MalformedQuotingIsAnError) {
    for (const char* line :
         {"read \"open", "read \"x\\q\"", "read \"a\"b", "read a\"b\"", "read \"ends in \\"}) {
        std::vector<Token> tokens;
        std::string error;
        EXPECT_FALSE(Tokenize(line, tokens, error)) << line;
        EXPECT_TRUE(tokens.empty());
        EXPECT_FALSE(error.empty());
    }
}

TEST(ParseSeconds, WholeAndDecimalSeconds) {
    int64_t ms = -1;
    EXPECT_TRUE(ParseSeconds("10", ms));
    EXPECT_EQ(ms, 10000);
    EXPECT_TRUE(ParseSeconds("0.5", ms));
    EXPECT_EQ(ms, 500);
    EXPECT_TRUE(ParseSeconds(".25", ms));
    EXPECT_EQ(ms, 250);
    EXPECT_TRUE(ParseSeconds("2.125", ms));
    EXPECT_EQ(ms, 2125);
    EXPECT_TRUE(ParseSeconds("3600", ms));
    EXPECT_EQ(ms, 3600000);
    for (const char* bad : {"", ".", "1.", "1.2345", "-1", "3601", "3600.001", "0x10", "1e3", "ten", "1.x"}) {
        EXPECT_FALSE(ParseSeconds(bad, ms)) << bad;
    }
}

TEST(ParseStep, WindowAndTextSteps) {
    Step s = One("wait-window 10");
    EXPECT_EQ(s.kind, StepKind::WaitWindow);
    EXPECT_EQ(s.timeoutMs, 10000);
    EXPECT_EQ(s.origin, "line 1");

    s = One("expect-title \"Orvane(Ver : 0.64)\" or \"Orvane Version 0.64 (USB - NOT Connected)\"");
    EXPECT_EQ(s.kind, StepKind::ExpectTitle);
    EXPECT_EQ(s.texts, (std::vector<std::u16string>{u"Orvane(Ver : 0.64)",
                                                    u"Orvane Version 0.64 (USB - NOT Connected)"}));

    s = One("expect-title-prefix Orvane");
    EXPECT_EQ(s.texts, std::vector<std::u16string>{u"Orvane"});

    s = One("wait-title \"Orvane Version 0.64 (USB - Connected)\" 2.5");
    EXPECT_EQ(s.kind, StepKind::WaitTitle);
    EXPECT_EQ(s.timeoutMs, 2500);
    ASSERT_EQ(s.texts.size(), 1u);

    s = One("wait-text 1014 \"AP 연결\" or \"AP 미연결\" 10");
    EXPECT_EQ(s.kind, StepKind::WaitText);
    EXPECT_EQ(s.id, 1014);
    EXPECT_EQ(s.texts, (std::vector<std::u16string>{u"AP 연결", u"AP 미연결"}));
    EXPECT_EQ(s.timeoutMs, 10000);

    // A quoted "or" is a text, not the separator.
    s = One("expect-text 0x3f6 \"or\"");
    EXPECT_EQ(s.id, 1014);
    EXPECT_EQ(s.texts, std::vector<std::u16string>{u"or"});

    s = One("read 1019");
    EXPECT_EQ(s.kind, StepKind::Read);
    EXPECT_EQ(s.source, "read 1019");
    EXPECT_EQ(One("read-title").kind, StepKind::ReadTitle);
}

TEST(ParseStep, ClicksChecksAndRows) {
    Step s = One("click IDC_AUTO_SETTING");
    EXPECT_EQ(s.kind, StepKind::Click);
    EXPECT_EQ(s.id, IDC_AUTO_SETTING);
    s = One("syscommand IDM_ABOUTBOX");
    EXPECT_EQ(s.kind, StepKind::SysCommand);
    EXPECT_EQ(s.value, IDM_ABOUTBOX);
    s = One("expect-check 1023 1");
    EXPECT_EQ(s.kind, StepKind::ExpectCheck);
    EXPECT_EQ(s.id, 1023);
    EXPECT_EQ(s.value, 1);
    EXPECT_EQ(One("read-check 1024").kind, StepKind::ReadCheck);
    s = One("click-row 2 check");
    EXPECT_EQ(s.kind, StepKind::ClickRow);
    EXPECT_EQ(s.value, 2);
    EXPECT_EQ(s.part, RowPart::Check);
    EXPECT_EQ(One("click-row 0 text").part, RowPart::Text);
    EXPECT_EQ(One("click-row 7").part, RowPart::Check);
}

TEST(ParseStep, BoxesAndTheRestOfTheRun) {
    Step s = One("expect-box \"AP와 PC가 연결되지 않았습니다.PC와 AP사이의 랜선을 확인하여 주십시오.\" "
                 "answer retry timeout 15");
    EXPECT_EQ(s.kind, StepKind::ExpectBox);
    EXPECT_EQ(s.texts, std::vector<std::u16string>{
                           u"AP와 PC가 연결되지 않았습니다.PC와 AP사이의 랜선을 확인하여 주십시오."});
    EXPECT_EQ(s.button, kButtonRetry);
    EXPECT_EQ(s.timeoutMs, 15000);
    EXPECT_FALSE(s.optional);
    EXPECT_FALSE(s.anyText);

    s = One("expect-box * caption \"AP MAC Setting\" optional answer YES");
    EXPECT_TRUE(s.anyText);
    EXPECT_TRUE(s.hasCaption);
    EXPECT_EQ(s.caption, u"AP MAC Setting");
    EXPECT_TRUE(s.optional);
    EXPECT_EQ(s.button, kButtonYes);
    EXPECT_EQ(s.timeoutMs, kDefaultBoxTimeoutMs);
    // Quoted, the star is the text "*".
    s = One("expect-box \"*\" answer ok");
    EXPECT_FALSE(s.anyText);
    EXPECT_EQ(s.texts, std::vector<std::u16string>{u"*"});

    EXPECT_EQ(One("answer-all no").button, kButtonNo);
    EXPECT_EQ(One("answer-all off").button, 0);
    EXPECT_EQ(One("boxes-log out/boxes.tsv").path, "out/boxes.tsv");
    EXPECT_EQ(One("sleep 500").timeoutMs, 500);
    EXPECT_EQ(One("close").timeoutMs, kDefaultCloseTimeoutMs);
    EXPECT_EQ(One("close 3").timeoutMs, 3000);
    EXPECT_EQ(One("wait-exit 4").kind, StepKind::WaitExit);
}

TEST(ParseStep, ErrorsNameTheLineAndTheReason) {
    EXPECT_EQ(ErrorOf("frobnicate 3"), "line 3: unknown step \"frobnicate\"");
    EXPECT_NE(ErrorOf("click").find("too few"), std::string::npos);
    EXPECT_NE(ErrorOf("click 1 2").find("too many"), std::string::npos);
    EXPECT_NE(ErrorOf("click 65536").find("control id"), std::string::npos);
    EXPECT_NE(ErrorOf("click IDC_AUTO_SETING").find("control id"), std::string::npos);
    EXPECT_NE(ErrorOf("wait-window soon").find("seconds"), std::string::npos);
    EXPECT_NE(ErrorOf("wait-text 1014 AP 연결 10").find("\"or\""), std::string::npos);
    EXPECT_NE(ErrorOf("expect-title a or").find("missing after"), std::string::npos);
    EXPECT_NE(ErrorOf("expect-title a \"or\" b").find("\"or\""), std::string::npos);
    EXPECT_NE(ErrorOf("wait-title 10").find("too few"), std::string::npos);
    EXPECT_NE(ErrorOf("expect-check 1023 3").find("0, 1 or 2"), std::string::npos);
    EXPECT_NE(ErrorOf("click-row 1 box").find("check"), std::string::npos);
    EXPECT_NE(ErrorOf("click-row -1").find("row"), std::string::npos);
    EXPECT_NE(ErrorOf("expect-box \"x\"").find("answer"), std::string::npos);
    EXPECT_NE(ErrorOf("expect-box \"x\" answer maybe").find("unknown button"), std::string::npos);
    EXPECT_NE(ErrorOf("expect-box \"x\" answer ok timeout").find("unexpected"), std::string::npos);
    EXPECT_NE(ErrorOf("expect-box \"x\" answer ok later").find("unexpected"), std::string::npos);
    EXPECT_NE(ErrorOf("answer-all sometimes").find("unknown button"), std::string::npos);
    EXPECT_NE(ErrorOf("sleep 1.5").find("milliseconds"), std::string::npos);
    EXPECT_NE(ErrorOf("expect-title \"\xC0\x80\"").find("UTF-8"), std::string::npos);
    EXPECT_NE(ErrorOf("read \"unclosed").find("line 3: "), std::string::npos);
}

TEST(ParseScript, OneStepPerLineWithCommentsBlankLinesAndWindowsLineEnds) {
    const char* script =
        "\xEF\xBB\xBF# start\r\n"
        "wait-window 10            # seconds\r\n"
        "\r\n"
        "expect-title-prefix Orvane\r\n"
        "click 1016\n"
        "expect-box \"AP와 PC가 연결되지 않았습니다.PC와 AP사이의 랜선을 확인하여 주십시오.\" answer retry "
        "timeout 15\n"
        "wait-text 1014 \"AP 연결\" 10\n"
        "click-row 2 check\n"
        "read 1019\n"
        "boxes-log FILE            # every box\n"
        "sleep 500\n"
        "close                     # ends the program";
    std::vector<Step> steps;
    std::string error;
    ASSERT_TRUE(ParseScript(script, steps, error)) << error;
    ASSERT_EQ(steps.size(), 10u);
    EXPECT_EQ(steps[0].origin, "line 2");
    EXPECT_EQ(steps[0].source, "wait-window 10            # seconds");
    EXPECT_EQ(steps[1].origin, "line 4");
    EXPECT_EQ(steps[9].origin, "line 12");
    EXPECT_EQ(steps[9].kind, StepKind::Close);
}

TEST(ParseScript, StopsAtTheFirstBadLine) {
    std::vector<Step> steps;
    std::string error;
    EXPECT_FALSE(ParseScript("wait-window 1\nclick 1\nclick x\nclick 2\n", steps, error));
    EXPECT_EQ(error.rfind("line 3: ", 0), 0u) << error;
}

TEST(ButtonNames, RoundTrip) {
    for (int b = kButtonOk; b <= kButtonNo; ++b)
        EXPECT_EQ(ButtonFromName(ButtonName(b)), b);
    EXPECT_EQ(ButtonFromName("Retry"), kButtonRetry);
    EXPECT_EQ(ButtonFromName("okay"), 0);
    EXPECT_EQ(ButtonName(11), "button 11");
}

// UTF-8 <-> UTF-16 conversion and the printed and logged forms of window texts.
#include <gtest/gtest.h>

#include "tools/uidriver/uidriver_text.h"

using namespace uidriver;

TEST(Utf8ToUtf16, KoreanTextsBecomeTheCodeUnitsTheWindowsHold) {
    std::u16string out;
    ASSERT_TRUE(Utf8ToUtf16("AP 미연결", out));
    EXPECT_EQ(out, (std::u16string{u'A', u'P', u' ', 0xBBF8, 0xC5F0, 0xACB0}));
    ASSERT_TRUE(Utf8ToUtf16("\xEC\xA2\x85\xEB\xA3\x8C", out)); // "종료"
    EXPECT_EQ(out, u"종료");
    ASSERT_TRUE(Utf8ToUtf16("", out));
    EXPECT_TRUE(out.empty());
}

TEST(Utf8ToUtf16, CodePointsPastTheBasicPlaneBecomeSurrogatePairs) {
    std::u16string out;
    ASSERT_TRUE(Utf8ToUtf16("\xF0\x9F\x98\x80", out)); // U+1F600
    EXPECT_EQ(out, (std::u16string{0xD83D, 0xDE00}));
    ASSERT_TRUE(Utf8ToUtf16("\xF4\x8F\xBF\xBF", out)); // U+10FFFF
    EXPECT_EQ(out, (std::u16string{0xDBFF, 0xDFFF}));
}

TEST(Utf8ToUtf16, MalformedInputIsRefusedAndLeavesNothing) {
    const char* bad[] = {
        "\xC0\x80",         // overlong NUL
        "\xE0\x80\xAF",     // overlong '/'
        "\xED\xA0\x80",     // a surrogate written as UTF-8
        "\xF4\x90\x80\x80", // past U+10FFFF
        "\xF8\x88\x80\x80\x80",
        "\x80",         // continuation without a lead byte
        "ab\xEB\xAF",   // cut at the end
        "\xEB\x41\x41", // lead byte followed by ASCII
    };
    for (const char* s : bad) {
        std::u16string out = u"left over";
        EXPECT_FALSE(Utf8ToUtf16(s, out)) << s;
        EXPECT_TRUE(out.empty());
    }
}

TEST(Utf16ToUtf8, RoundTripsAndReplacesLoneSurrogates) {
    std::u16string korean = u"AP와 PC가 연결되지 않았습니다.";
    std::u16string back;
    ASSERT_TRUE(Utf8ToUtf16(Utf16ToUtf8(korean), back));
    EXPECT_EQ(back, korean);
    EXPECT_EQ(Utf16ToUtf8(std::u16string{0xD83D, 0xDE00}), "\xF0\x9F\x98\x80");
    EXPECT_EQ(Utf16ToUtf8(std::u16string{u'a', 0xD800, u'b'}), "a\xEF\xBF\xBD"
                                                               "b");
    EXPECT_EQ(Utf16ToUtf8(std::u16string{0xDC00}), "\xEF\xBF\xBD");
    EXPECT_EQ(Utf16ToUtf8(std::u16string{u'x', 0xD800}), "x\xEF\xBF\xBD");
}

TEST(QuotedForms, KeepOneLinePerTextWhateverItHolds) {
    EXPECT_EQ(Quoted(u"GetCount = 0"), "\"GetCount = 0\"");
    EXPECT_EQ(Quoted(u"상\n\n태"), "\"상\\n\\n태\"");
    EXPECT_EQ(Quoted(u"a\"b\\c\td\r"), "\"a\\\"b\\\\c\\td\\r\"");
    // The log is tab-separated: a tab inside a text must not start a new field.
    EXPECT_EQ(LogField(u"a\tb\nc"), "a\\tb\\nc");
    EXPECT_EQ(LogField(u"say \"hi\""), "say \"hi\"");
}

// Tests of the check-list on a display at 150 %: run in a Wine prefix whose system DPI is 144.
#include <string>

#include "tests/win/checklist/checklist_fixture.h"

namespace {

constexpr int kDpi = 144;
// At 144 DPI: margin 8, images 20 x 18, cells 29 x 27, rows 27 (18 x 1.5), font 21, line step 15.
constexpr int kMargin = 8;
constexpr int kCellWidth = 29;
constexpr int kCellHeight = 27;
constexpr int kRowHeight = 27;

constexpr COLORREF kDark = RGB(0x80, 0x80, 0x80);
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kWhite = RGB(0xFF, 0xFF, 0xFF);
constexpr COLORREF kSilver = RGB(0xC0, 0xC0, 0xC0);

int ScreenDpi() {
    HDC screen = ::GetDC(nullptr);
    int dpi = ::GetDeviceCaps(screen, LOGPIXELSY);
    ::ReleaseDC(nullptr, screen);
    return dpi;
}

class CheckListAt144 : public CheckListWindowTest {
  protected:
    void SetUp() override {
        // Everything below assumes the prefix's LogPixels took effect.
        ASSERT_EQ(kDpi, ScreenDpi()) << "the test prefix is not at 144 DPI";
        CheckListWindowTest::SetUp();
    }
    static int Top(int row) { return kMargin + row * kRowHeight; }
    static int Middle(int row) { return Top(row) + kRowHeight / 2; }
};

TEST_F(CheckListAt144, RowsAreHalfAsHighAgainWithTheFontAndImagesScaled) {
    ASSERT_TRUE(CreateList());
    EXPECT_EQ(kDpi, m_pList->GetDpi());
    EXPECT_EQ(kCellWidth, m_pList->GetCellWidth());
    EXPECT_EQ(kCellHeight, m_pList->GetCellHeight());
    EXPECT_EQ(kRowHeight, m_pList->GetRowHeight()); // 18 at 96 DPI
    for (int state : {0, 1, 2}) {
        CSize size = m_pList->GetCheckBitmap(state)->GetSize();
        EXPECT_EQ(20, size.cx);
        EXPECT_EQ(18, size.cy);
    }
    LOGFONTW lf{};
    ASSERT_EQ(static_cast<int>(sizeof(lf)), ::GetObjectW(m_pList->GetItemFont()->m_hObject, sizeof(lf), &lf));
    EXPECT_EQ(21, lf.lfHeight);
    TEXTMETRICW tm{};
    {
        CWindowDC dc(m_pList.get());
        CFont* old = dc.SelectObject(m_pList->GetItemFont());
        dc.GetTextMetrics(&tm);
        dc.SelectObject(old);
    }
    EXPECT_LE(tm.tmHeight + tm.tmDescent, kRowHeight) << "the font's row would be taller than the cell";
    // As a tool pressing on rows from outside asks for it: row, cell width and height, margin (5 at 96 DPI).
    const auto layout = static_cast<uint64_t>(View()->SendMessage(checklist::kGetRowLayoutMessage));
    EXPECT_EQ(layout,
              kRowHeight | uint64_t{kCellWidth} << 16 | uint64_t{kCellHeight} << 32 | uint64_t{8} << 48);

    // Ten full rows of the view sized for ten and a half; a row's width carries the scaled cell and tail.
    EXPECT_EQ(10, View()->GetVisibleRows());
    checklist::CheckListItem* item = Add(L"00 1A 2B 3C 4D 5E");
    EXPECT_EQ(kCellWidth + item->m_nTextWidth + 8, item->m_nWidth);
}

TEST_F(CheckListAt144, AClickInTheScaledCellTogglesAndBesideItOnlySelects) {
    ASSERT_TRUE(CreateList());
    Fill(30);
    // 30 lies beside the cell of 96 DPI (5..23) and inside the scaled one (8..36).
    Press(30, Middle(2));
    EXPECT_EQ(2, View()->GetSelectedIndex());
    EXPECT_EQ(1, m_pList->GetCheck(2));
    Press(kMargin, Top(3));
    EXPECT_EQ(1, m_pList->GetCheck(3));
    Press(kMargin + kCellWidth - 1, Top(4) + kCellHeight - 1);
    EXPECT_EQ(1, m_pList->GetCheck(4));

    // Just right of the cell, and in the margin left of it: selected, not toggled.
    Press(kMargin + kCellWidth, Middle(5));
    EXPECT_EQ(5, View()->GetSelectedIndex());
    EXPECT_EQ(0, m_pList->GetCheck(5));
    Press(kMargin - 1, Middle(6));
    EXPECT_EQ(6, View()->GetSelectedIndex());
    EXPECT_EQ(0, m_pList->GetCheck(6));

    // Rows are found by the scaled height: the last pixel of row 7 and the first of row 8.
    Press(100, Top(8) - 1);
    EXPECT_EQ(7, View()->GetSelectedIndex());
    Press(100, Top(8));
    EXPECT_EQ(8, View()->GetSelectedIndex());
    for (int i : {0, 1, 7, 8, 9})
        EXPECT_EQ(0, m_pList->GetCheck(i)) << i;
}

TEST_F(CheckListAt144, ImagesAndTheSelectionArePaintedAtTheScaledPlaces) {
    ASSERT_TRUE(CreateList());
    Add(L"00 11 22 33 44 55", nullptr, 1);
    Add(L"00 11 22 33 44 66", nullptr, 0);
    Add(L"00 11 22 33 44 77", nullptr, 2);
    Press(200, Middle(1));

    CRect client;
    View()->GetClientRect(&client);
    Canvas c(client.right, client.bottom, RGB(10, 20, 30));
    View()->PaintRows(c.dc());
    for (int row = 0; row < 3; ++row) {
        SCOPED_TRACE("row " + std::to_string(row));
        // A 20 x 18 image at the cell's corner, its frame one-pixel lines: dark, then black, at the top
        // and left; silver, then white, at the bottom and right.
        const int x = kMargin, y = Top(row);
        EXPECT_EQ(kDark, c.At(x, y));
        EXPECT_EQ(kDark, c.At(x + 19, y));
        EXPECT_EQ(kBlack, c.At(x + 1, y + 1));
        EXPECT_EQ(kBlack, c.At(x + 18, y + 1));
        EXPECT_EQ(kWhite, c.At(x + 19, y + 1));
        EXPECT_EQ(kWhite, c.At(x + 1, y + 17));
        EXPECT_EQ(kSilver, c.At(x + 2, y + 16));
        EXPECT_EQ(m_crBackground, c.At(x + 20, y + 5)) << "the image ends after 20 pixels";
        EXPECT_EQ(m_crBackground, c.At(x + 5, y + 18)) << "and after 18 rows";
        // Inside, 16 x 14: the tick in black on white, white only, or the tick in dark grey on silver.
        int black = 0, white = 0, dark = 0;
        for (int py = y + 2; py < y + 16; ++py)
            for (int px = x + 2; px < x + 18; ++px) {
                black += c.At(px, py) == kBlack;
                white += c.At(px, py) == kWhite;
                dark += c.At(px, py) == kDark;
            }
        if (row == 0) {
            EXPECT_GT(black, 2 * 21) << "the 96-DPI tick has 21 pixels";
        } else if (row == 1) {
            EXPECT_EQ(16 * 14, white);
        } else {
            EXPECT_EQ(0, black);
            EXPECT_GT(dark, 2 * 21);
        }
    }
    // The selected row's box starts 6 pixels left of the text (4 at 96 DPI), filled with the highlight.
    const int boxLeft = kMargin + kCellWidth - 6, top = Top(1);
    const COLORREF highlight = ::GetSysColor(COLOR_HIGHLIGHT);
    EXPECT_EQ(highlight, c.At(boxLeft + 1, top + 1));
    EXPECT_EQ(m_crBackground, c.At(boxLeft - 1, top + 3));
    int dotted = 0;
    for (int y = top; y < top + 8; ++y)
        dotted += c.At(boxLeft, y) != m_crBackground && c.At(boxLeft, y) != highlight;
    EXPECT_GT(dotted, 0) << "focus rectangle on the box's left edge";
}

TEST_F(CheckListAt144, ALineStepScrollsFifteenPixels) {
    ASSERT_TRUE(CreateList());
    Fill(3);
    Add(L"a text long enough to need the horizontal scroll bar of this narrow view");
    ASSERT_TRUE(BarShown(SB_HORZ));
    HScroll(SB_LINERIGHT);
    EXPECT_EQ(15, View()->GetOffset());
    // Shifted by 15 the cell spans -7..21: 25 lies beside it now, 0 inside.
    Press(25, Middle(0));
    EXPECT_EQ(0, m_pList->GetCheck(0));
    Press(0, Middle(0));
    EXPECT_EQ(1, m_pList->GetCheck(0));
}

} // namespace

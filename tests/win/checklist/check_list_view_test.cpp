// Tests of CCheckListView in a real window: clicks, scroll messages and bars, and painted pixels.
#include "tests/win/checklist/checklist_fixture.h"

namespace {

using CheckListView = CheckListWindowTest;

constexpr COLORREF kDark = RGB(0x80, 0x80, 0x80);
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kWhite = RGB(0xFF, 0xFF, 0xFF);
constexpr COLORREF kSilver = RGB(0xC0, 0xC0, 0xC0);

TEST_F(CheckListView, AClickOnTheTextSelectsWithoutToggling) {
    ASSERT_TRUE(CreateList());
    Fill(30);
    Press(TextX(), RowY(3));
    EXPECT_EQ(3, View()->GetSelectedIndex());
    EXPECT_EQ(0, m_pList->GetCheck(3));
    Press(TextX(), RowY(4));
    EXPECT_EQ(4, View()->GetSelectedIndex());
    EXPECT_EQ(0, m_pList->GetCheck(4));
    EXPECT_FALSE(m_pList->GetTree().FindItem(3)->m_bSelected);
    EXPECT_TRUE(m_pList->GetTree().FindItem(4)->m_bSelected);
}

TEST_F(CheckListView, AClickInTheCellTogglesAndAMiddleBoxUnchecks) {
    ASSERT_TRUE(CreateList());
    Add(L"off", nullptr, 0);
    Add(L"on", nullptr, 1);
    Add(L"middle", nullptr, 2);
    for (int row = 0; row < 3; ++row)
        Press(CellX(), RowY(row));
    EXPECT_EQ(1, m_pList->GetCheck(0));
    EXPECT_EQ(0, m_pList->GetCheck(1));
    EXPECT_EQ(0, m_pList->GetCheck(2));
    EXPECT_EQ(2, View()->GetSelectedIndex());
}

TEST_F(CheckListView, ADoubleClickTogglesOnce) {
    ASSERT_TRUE(CreateList());
    Fill(2);
    // Only for a class with CS_DBLCLKS does the system turn a second quick press into a double click.
    for (HWND w : {m_pList->m_hWnd, View()->m_hWnd})
        EXPECT_EQ(ULONG_PTR{CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW}, ::GetClassLongPtrW(w, GCL_STYLE));
    // Two real presses: posted button messages are never paired. Topmost, over other tests' windows.
    ::SetWindowPos(m_Host.m_hWnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    POINT at{CellX(), RowY(1)};
    ::ClientToScreen(View()->m_hWnd, &at);
    ASSERT_EQ(View()->m_hWnd, ::WindowFromPoint(at));
    ASSERT_TRUE(::SetCursorPos(at.x, at.y));
    INPUT presses[4] = {};
    for (int i = 0; i < 4; ++i) {
        presses[i].type = INPUT_MOUSE;
        presses[i].mi.dwFlags = i % 2 ? MOUSEEVENTF_LEFTUP : MOUSEEVENTF_LEFTDOWN;
    }
    ASSERT_EQ(4u, ::SendInput(4, presses, sizeof(INPUT)));
    for (int i = 0; i < 20; ++i, ::Sleep(10))
        wintest::PumpFor(0);
    EXPECT_EQ(1, View()->GetSelectedIndex());
    EXPECT_EQ(1, m_pList->GetCheck(1));
}

TEST_F(CheckListView, TheBottomPartialRowScrollsUpByOne) {
    ASSERT_TRUE(CreateList());
    ASSERT_EQ(10, View()->GetVisibleRows());
    Fill(30);
    Press(CellX(), RowY(10));
    EXPECT_EQ(1, View()->GetTopRow());
    EXPECT_EQ(1, View()->GetScrollPos(SB_VERT));
    EXPECT_EQ(10, View()->GetSelectedIndex());
    EXPECT_EQ(0, m_pList->GetCheck(10)); // selected, not toggled
    // Now in the last full row, its cell toggles it.
    Press(CellX(), RowY(9));
    EXPECT_EQ(1, m_pList->GetCheck(10));
    EXPECT_EQ(1, View()->GetTopRow());
}

TEST_F(CheckListView, AShortListHasNoBarAndIgnoresClicksBelowIt) {
    ASSERT_TRUE(CreateList());
    Fill(5);
    EXPECT_FALSE(BarShown(SB_VERT));
    Press(TextX(), RowY(1));
    Press(CellX(), RowY(10));
    Press(CellX(), RowY(6));
    EXPECT_EQ(0, View()->GetTopRow());
    EXPECT_EQ(1, View()->GetSelectedIndex());
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(0, m_pList->GetCheck(i));
    VScroll(SB_PAGEDOWN);
    VScroll(SB_LINEDOWN);
    EXPECT_EQ(0, View()->GetTopRow());
}

TEST_F(CheckListView, PagesLinesAndThumbMoveTheTopRowAndTheBar) {
    ASSERT_TRUE(CreateList());
    Fill(30);
    ASSERT_TRUE(BarShown(SB_VERT));
    EXPECT_EQ(std::make_pair(0, 20), BarRange(SB_VERT));
    for (int expected : {9, 18, 20, 20}) {
        VScroll(SB_PAGEDOWN);
        EXPECT_EQ(expected, View()->GetTopRow());
        EXPECT_EQ(expected, View()->GetScrollPos(SB_VERT));
    }
    VScroll(SB_LINEDOWN);
    EXPECT_EQ(20, View()->GetTopRow());
    VScroll(SB_PAGEUP);
    EXPECT_EQ(11, View()->GetTopRow());
    VScroll(SB_THUMBTRACK, 5);
    EXPECT_EQ(5, View()->GetTopRow());
    EXPECT_EQ(5, View()->GetScrollPos(SB_VERT));
    VScroll(SB_THUMBPOSITION, 12);
    EXPECT_EQ(5, View()->GetTopRow());
    VScroll(SB_PAGEUP);
    EXPECT_EQ(0, View()->GetTopRow());
    VScroll(SB_LINEUP);
    EXPECT_EQ(0, View()->GetTopRow());
    VScroll(SB_LINEDOWN);
    EXPECT_EQ(1, View()->GetTopRow());
    EXPECT_EQ(1, View()->GetScrollPos(SB_VERT));
    // A click after scrolling addresses the row on screen.
    Press(TextX(), RowY(0));
    EXPECT_EQ(1, View()->GetSelectedIndex());
}

TEST_F(CheckListView, AWideRowBringsTheHorizontalBarAndTheCellFollowsTheOffset) {
    ASSERT_TRUE(CreateList());
    Fill(3);
    EXPECT_FALSE(BarShown(SB_HORZ));
    Add(L"a text long enough to need the horizontal scroll bar of this narrow view");
    ASSERT_TRUE(BarShown(SB_HORZ));
    CRect client;
    View()->GetClientRect(&client);
    const int max = m_pList->GetWidestRow() - client.right;
    EXPECT_EQ(std::make_pair(0, max), BarRange(SB_HORZ));

    HScroll(SB_LINERIGHT);
    EXPECT_EQ(10, View()->GetOffset());
    EXPECT_EQ(10, View()->GetScrollPos(SB_HORZ));
    // Unshifted the cell spans 5..23; shifted by 10 it spans -5..13.
    Press(16, RowY(0));
    EXPECT_EQ(0, m_pList->GetCheck(0));
    Press(2, RowY(0));
    EXPECT_EQ(1, m_pList->GetCheck(0));

    HScroll(SB_PAGERIGHT);
    EXPECT_EQ(max, View()->GetOffset());
    HScroll(SB_LINERIGHT);
    EXPECT_EQ(max, View()->GetOffset()); // never past the end of the range
    HScroll(SB_THUMBTRACK, 3);
    EXPECT_EQ(3, View()->GetOffset());
    HScroll(SB_LINELEFT);
    EXPECT_EQ(0, View()->GetOffset()); // nor before its start
    HScroll(SB_PAGELEFT);
    EXPECT_EQ(0, View()->GetOffset());
}

TEST_F(CheckListView, TogglingAParentTicksEveryDescendant) {
    ASSERT_TRUE(CreateList());
    checklist::CheckListItem* parent = Add(L"parent");
    for (int i = 0; i < 14; ++i)
        Add(L"child", parent);
    Add(L"after");
    Press(CellX(1), RowY(0));
    for (int i = 0; i <= 14; ++i)
        EXPECT_EQ(1, m_pList->GetCheck(i)) << i; // also those below the visible rows
    EXPECT_EQ(0, m_pList->GetCheck(15));
    Press(CellX(2), RowY(2));
    EXPECT_EQ(0, m_pList->GetCheck(2));
    EXPECT_EQ(2, m_pList->GetCheck(0));
    Press(CellX(1), RowY(0)); // a middle parent unchecks with all its children
    for (int i = 0; i <= 14; ++i)
        EXPECT_EQ(0, m_pList->GetCheck(i)) << i;
}

// What the view's window shows now, as its last drawing left it.
class WindowPixels {
  public:
    explicit WindowPixels(HWND w) : m_hWnd(w), m_hDC(::GetDC(w)) {}
    ~WindowPixels() { ::ReleaseDC(m_hWnd, m_hDC); }
    COLORREF At(int x, int y) const { return ::GetPixel(m_hDC, x, y); }

  private:
    HWND m_hWnd;
    HDC m_hDC;
};

class CheckListPaint : public CheckListWindowTest {
  protected:
    int ImageTop(int row) const {
        int top = 5 + row * m_nRow;
        return m_nRow > 18 ? top + (m_nRow - 18) / 2 : top;
    }
    // Two pixels that tell the three images apart: the tick's tip and the box's inner corner.
    template <class Pixels> void ExpectImage(const Pixels& c, int row, int state, int level = 1) {
        int x = 5 + (level - 1) * 19, y = ImageTop(row);
        EXPECT_EQ(kDark, c.At(x, y)) << "row " << row;
        EXPECT_EQ(kBlack, c.At(x + 1, y + 1)) << "row " << row;
        COLORREF tip = state == 1 ? kBlack : state == 0 ? kWhite : kDark;
        COLORREF inner = state == 2 ? kSilver : kWhite;
        EXPECT_EQ(tip, c.At(x + 9, y + 3)) << "row " << row;
        EXPECT_EQ(inner, c.At(x + 2, y + 2)) << "row " << row;
    }
    // Pixels of the row's focus box (the 8 of its left edge) and fill that are not the background.
    template <class Pixels> int SelectionPixels(const Pixels& c, int row, int level = 1) {
        const int boxLeft = 5 + level * 19 - 4, top = 5 + row * m_nRow;
        int marked = c.At(boxLeft + 1, top + 1) != m_crBackground;
        for (int y = top; y < top + 8; ++y)
            marked += c.At(boxLeft, y) != m_crBackground;
        return marked;
    }
};

TEST_F(CheckListPaint, RowsShowTheirImagesAndTheSelectedRowItsBox) {
    ASSERT_TRUE(CreateList());
    Add(L"00 11 22 33 44 55", nullptr, 1);
    Add(L"00 11 22 33 44 66", nullptr, 0);
    Add(L"00 11 22 33 44 77", nullptr, 2);
    Press(TextX(), RowY(1));

    CRect client;
    View()->GetClientRect(&client);
    const COLORREF paper = RGB(10, 20, 30);
    Canvas c(client.right, client.bottom, paper);
    View()->PaintRows(c.dc());
    ExpectImage(c, 0, 1);
    ExpectImage(c, 1, 0);
    ExpectImage(c, 2, 2);

    // The painted band is erased to the background; the margin above the first row is not painted.
    EXPECT_EQ(m_crBackground, c.At(client.right - 1, 5));
    EXPECT_EQ(paper, c.At(client.right - 1, 2));

    // Selected row: a focus box from 4 pixels left of the text, filled inside with the highlight.
    const int textLeft = 5 + 19, boxLeft = textLeft - 4, top = 5 + m_nRow;
    const COLORREF highlight = ::GetSysColor(COLOR_HIGHLIGHT);
    EXPECT_EQ(highlight, c.At(boxLeft + 1, top + 1));
    EXPECT_EQ(highlight, c.At(boxLeft + 2, top + 3));
    EXPECT_EQ(m_crBackground, c.At(boxLeft - 1, top + 3));
    int dotted = 0;
    for (int y = top; y < top + 8; ++y)
        dotted += c.At(boxLeft, y) != m_crBackground && c.At(boxLeft, y) != highlight;
    EXPECT_GT(dotted, 0) << "focus rectangle on the box's left edge";
    int textPixels = 0;
    for (int x = textLeft; x < textLeft + 60; ++x)
        for (int y = top + 1; y < top + m_nRow - 1; ++y)
            textPixels += c.At(x, y) != highlight && c.At(x, y) != m_crBackground;
    EXPECT_GT(textPixels, 20) << "text drawn over the highlight";

    // Unselected rows carry no fill.
    EXPECT_EQ(m_crBackground, c.At(boxLeft + 1, 5 + 1));
    EXPECT_EQ(m_crBackground, c.At(boxLeft + 1, 5 + 2 * m_nRow + 1));
}

TEST_F(CheckListPaint, ARepaintStopsAfterThePartlyVisibleRow) {
    ASSERT_TRUE(CreateList());
    Fill(30, 1);
    VScroll(SB_THUMBTRACK, 4);
    const COLORREF paper = RGB(10, 20, 30);
    const int height = 5 + 14 * m_nRow;
    Canvas c(200, height, paper);
    View()->PaintRows(c.dc());
    for (int row = 0; row <= 10; ++row)
        ExpectImage(c, row, 1);
    EXPECT_EQ(paper, c.At(5, ImageTop(11)));
    EXPECT_EQ(paper, c.At(5, ImageTop(12)));
}

TEST_F(CheckListPaint, AClickRepaintsTheRowsItChangesAndNoFullRepaintIsLeft) {
    ASSERT_TRUE(CreateList());
    checklist::CheckListItem* parent = Add(L"parent");
    Add(L"one", parent);
    Add(L"two", parent);
    Add(L"other");
    ::RedrawWindow(View()->m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    Press(TextX(), RowY(3));
    ASSERT_GT(SelectionPixels(WindowPixels(View()->m_hWnd), 3), 0);
    // Whatever the rows show after the click is the click's own drawing: nothing is left to repaint.
    ::ValidateRect(View()->m_hWnd, nullptr);
    Press(CellX(2), RowY(1));
    ASSERT_FALSE(::GetUpdateRect(View()->m_hWnd, nullptr, FALSE));
    const WindowPixels shown(View()->m_hWnd);
    ExpectImage(shown, 0, 2);
    ExpectImage(shown, 1, 1, 2);
    ExpectImage(shown, 2, 0, 2);
    EXPECT_EQ(0, SelectionPixels(shown, 3)) << "the old row keeps its focus box or fill";
    EXPECT_GT(SelectionPixels(shown, 1, 2), 0);
}

} // namespace

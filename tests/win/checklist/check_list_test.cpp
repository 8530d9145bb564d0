// Tests of CCheckList, the frame window: creation, images, font, item operations and the border.
#include "tests/win/checklist/checklist_fixture.h"
#include "tests/win/checklist/checklist_test_images.h"

namespace {

using CheckList = CheckListWindowTest;

TEST_F(CheckList, CreatesTheFrameAndTheViewInsideItsBorder) {
    ASSERT_TRUE(CreateList());
    EXPECT_EQ(L"CLISTBOX", m_pList->GetWindowText());
    EXPECT_EQ(kListId, m_pList->GetDlgCtrlID());
    EXPECT_EQ(static_cast<DWORD>(WS_CHILD | WS_VISIBLE), m_pList->GetStyle() & 0xFFFF0000);
    ASSERT_NE(nullptr, View());
    EXPECT_EQ(L"Check Control", View()->GetWindowText());
    EXPECT_EQ(kListId + 1, View()->GetDlgCtrlID());
    EXPECT_EQ(m_pList->m_hWnd, ::GetParent(View()->m_hWnd));

    // The shipped 13 x 12 images make a 19 x 18 cell; the row is at least that high.
    EXPECT_EQ(19, m_pList->GetCellWidth());
    EXPECT_EQ(18, m_pList->GetCellHeight());
    EXPECT_GE(m_pList->GetRowHeight(), 18);
    TEXTMETRICW tm{};
    {
        CWindowDC dc(m_pList.get());
        CFont* old = dc.SelectObject(m_pList->GetItemFont());
        dc.GetTextMetrics(&tm);
        dc.SelectObject(old);
    }
    EXPECT_EQ(std::max(18, static_cast<int>(tm.tmHeight + tm.tmDescent)), m_pList->GetRowHeight());

    // The view fills the frame 2 pixels inside, also after a resize.
    CRect frame, view;
    m_pList->GetWindowRect(&frame);
    View()->GetWindowRect(&view);
    EXPECT_EQ(CRect(frame.left + 2, frame.top + 2, frame.right - 2, frame.bottom - 2), view);
    m_pList->MoveWindow(20, 30, 150, 90, TRUE);
    m_pList->GetWindowRect(&frame);
    View()->GetWindowRect(&view);
    EXPECT_EQ(CRect(frame.left + 2, frame.top + 2, frame.right - 2, frame.bottom - 2), view);
}

TEST_F(CheckList, TheRectangleIsTakenInTheParentsClientCoordinates) {
    m_pList = std::make_unique<CCheckList>();
    ASSERT_TRUE(m_pList->Create(CRect(33, 44, 133, 144), &m_Host, kListId, IDB_CHECK, IDB_UNCHECK, IDB_MIDDLE,
                                m_crBackground));
    CRect rc;
    m_pList->GetWindowRect(&rc);
    m_Host.ScreenToClient(&rc);
    EXPECT_EQ(CRect(33, 44, 133, 144), rc);
}

TEST_F(CheckList, UnequalImagesAreRefused) {
    wintest::BoxRecorder boxes;
    for (UINT uncheck : {IDB_TEST_UNCHECK, IDB_TEST_WIDE_UNCHECK}) {
        UINT middle = uncheck == IDB_TEST_UNCHECK ? IDB_TEST_TALL_MIDDLE : IDB_TEST_UNCHECK;
        CCheckList list;
        EXPECT_FALSE(list.Create(CRect(0, 0, 100, 100), &m_Host, kListId, IDB_TEST_CHECK, uncheck, middle,
                                 m_crBackground));
        EXPECT_EQ(nullptr, list.m_hWnd);
        EXPECT_EQ(nullptr, list.GetView());
        EXPECT_EQ(nullptr, ::GetDlgItem(m_Host.m_hWnd, kListId));
    }
    EXPECT_EQ((std::vector<CString>{L"Images must be the same size!", L"Images must be the same size!"}),
              boxes.Texts());
}

TEST_F(CheckList, AMissingImageNamesWhichOne) {
    wintest::BoxRecorder boxes;
    struct Case {
        UINT check, uncheck, middle;
    } cases[] = {{IDB_TEST_MISSING, IDB_UNCHECK, IDB_MIDDLE},
                 {IDB_CHECK, IDB_TEST_MISSING, IDB_MIDDLE},
                 {IDB_CHECK, IDB_UNCHECK, IDB_TEST_MISSING}};
    for (const Case& c : cases) {
        CCheckList list;
        EXPECT_FALSE(list.Create(CRect(0, 0, 100, 100), &m_Host, kListId, c.check, c.uncheck, c.middle,
                                 m_crBackground));
        EXPECT_EQ(nullptr, list.m_hWnd);
    }
    EXPECT_EQ((std::vector<CString>{L"Unable to load CHECK bitmap.", L"Unable to load UNCHECK bitmap.",
                                    L"Unable to load MIDDLE Check bitmap."}),
              boxes.Texts());
}

TEST_F(CheckList, AControlWhoseCreateFailedAnswersSafely) {
    wintest::BoxRecorder boxes;
    CCheckList list;
    ASSERT_FALSE(list.Create(CRect(0, 0, 100, 100), &m_Host, kListId, IDB_TEST_MISSING, IDB_UNCHECK,
                             IDB_MIDDLE, m_crBackground));
    CCheckList never; // Create never called
    for (CCheckList* l : {&list, &never}) {
        EXPECT_EQ(nullptr, l->AddItem(L"00 11 22 33 44 55", nullptr, 0, -1, 0, 0, 0));
        EXPECT_EQ(0, l->GetCount());
        EXPECT_EQ(-1, l->GetCheck(0));
        EXPECT_EQ(-1, l->SetCheck(0, 1));
        CString text = L"kept";
        EXPECT_EQ(-1, l->GetItemText(0, text));
        EXPECT_EQ(L"kept", text);
        l->DeleteAllItems();
    }
    // Create twice on one object: the second is refused and the first window stays.
    ASSERT_TRUE(CreateList());
    HWND first = m_pList->m_hWnd;
    EXPECT_FALSE(m_pList->Create(CRect(0, 0, 50, 50), &m_Host, kListId, IDB_CHECK, IDB_UNCHECK, IDB_MIDDLE,
                                 m_crBackground));
    EXPECT_EQ(first, m_pList->m_hWnd);
}

TEST_F(CheckList, ItemsAreAddressedInPreOrder) {
    ASSERT_TRUE(CreateList());
    checklist::CheckListItem* a = Add(L"A");
    Add(L"B");
    Add(L"C", nullptr, 2); // middle is accepted at top level
    Add(L"A1", a, 1);
    Add(L"A2", a);
    EXPECT_EQ(5, m_pList->GetCount());
    EXPECT_EQ(2, m_pList->GetCount(a));
    const wchar_t* order[] = {L"A", L"A1", L"A2", L"B", L"C"};
    for (int i = 0; i < 5; ++i) {
        CString text;
        EXPECT_EQ(0, m_pList->GetItemText(i, text));
        EXPECT_EQ(order[i], text);
    }
    EXPECT_EQ(1, m_pList->GetCheck(1));
    EXPECT_EQ(2, m_pList->GetCheck(4));
    EXPECT_EQ(-1, m_pList->GetCheck(-1));
    EXPECT_EQ(-1, m_pList->GetCheck(5));
    CString text = L"kept";
    EXPECT_EQ(-1, m_pList->GetItemText(5, text));
    EXPECT_EQ(L"kept", text);
}

TEST_F(CheckList, AddItemMeasuresTheTextAndRejectsBadStates) {
    ASSERT_TRUE(CreateList());
    const CString mac = L"00 1A 2B 3C 4D 5E";
    int textWidth = 0;
    {
        CWindowDC dc(m_pList.get());
        CFont* old = dc.SelectObject(m_pList->GetItemFont());
        textWidth = dc.GetTextExtent(mac).cx;
        dc.SelectObject(old);
    }
    ASSERT_GT(textWidth, 0);
    checklist::CheckListItem* top = Add(mac);
    ASSERT_NE(nullptr, top);
    EXPECT_EQ(textWidth, top->m_nTextWidth);
    EXPECT_EQ(19 + textWidth + 5, top->m_nWidth);
    EXPECT_EQ(-1, top->m_nItemData);
    EXPECT_EQ(::GetSysColor(COLOR_INFOTEXT), top->m_crText);
    checklist::CheckListItem* child = Add(mac, top);
    EXPECT_EQ(38 + textWidth + 5, child->m_nWidth);
    EXPECT_EQ(38 + textWidth + 5, m_pList->GetWidestRow());

    EXPECT_EQ(nullptr, Add(L"bad", nullptr, 3));
    EXPECT_EQ(nullptr, Add(L"bad", nullptr, -1));
    EXPECT_EQ(2, m_pList->GetCount());
}

TEST_F(CheckList, SetCheckValidatesAndLeavesChildrenAlone) {
    ASSERT_TRUE(CreateList());
    checklist::CheckListItem* parent = Add(L"parent");
    Add(L"one", parent);
    Add(L"two", parent);
    EXPECT_EQ(-1, m_pList->SetCheck(0, 3));
    EXPECT_EQ(-1, m_pList->SetCheck(-1, 1));
    EXPECT_EQ(-1, m_pList->SetCheck(3, 1));
    EXPECT_EQ(0, m_pList->GetCheck(0));

    EXPECT_EQ(0, m_pList->SetCheck(0, 1));
    EXPECT_EQ(1, m_pList->GetCheck(0));
    EXPECT_EQ(0, m_pList->GetCheck(1));
    EXPECT_EQ(0, m_pList->GetCheck(2));

    // A child's change recomputes the parent: one of two ticked is middle.
    EXPECT_EQ(0, m_pList->SetCheck(2, 1));
    EXPECT_EQ(2, m_pList->GetCheck(0));
    EXPECT_EQ(0, m_pList->SetCheck(1, 1));
    EXPECT_EQ(1, m_pList->GetCheck(0));
}

TEST_F(CheckList, DeleteAllItemsOnAScrolledListStartsOver) {
    ASSERT_TRUE(CreateList());
    Fill(30);
    Add(L"a text long enough to need the horizontal scroll bar of this narrow view");
    VScroll(SB_PAGEDOWN);
    HScroll(SB_LINERIGHT);
    Press(TextX(), RowY(2));
    // The horizontal bar takes height from the view, so a page is one row shorter than without it.
    ASSERT_EQ(View()->GetVisibleRows() - 1, View()->GetTopRow());
    ASSERT_GT(View()->GetTopRow(), 0);
    ASSERT_EQ(10, View()->GetOffset());
    ASSERT_TRUE(BarShown(SB_VERT));
    ASSERT_TRUE(BarShown(SB_HORZ));

    m_pList->DeleteAllItems();
    EXPECT_EQ(0, m_pList->GetCount());
    EXPECT_EQ(0, m_pList->GetWidestRow());
    EXPECT_EQ(0, View()->GetTopRow());
    EXPECT_EQ(0, View()->GetOffset());
    EXPECT_EQ(-1, View()->GetSelectedIndex());
    EXPECT_FALSE(BarShown(SB_VERT));
    EXPECT_FALSE(BarShown(SB_HORZ));

    Fill(3);
    Press(TextX(), RowY(0));
    EXPECT_EQ(0, View()->GetSelectedIndex());
    CString text;
    m_pList->GetItemText(0, text);
    EXPECT_EQ(L"00 1A 2B 3C 4D 00", text);
}

TEST_F(CheckList, AGivenFontIsBorrowedAndOutlivesTheControl) {
    CFont font;
    ASSERT_TRUE(font.CreateFont(-20, 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, OUT_TT_PRECIS, 0, 0,
                                VARIABLE_PITCH | FF_SWISS, L"TAHOMA"));
    ASSERT_TRUE(CreateList(10, 240, &font));
    EXPECT_EQ(&font, m_pList->GetItemFont());
    TEXTMETRICW tm{};
    {
        CWindowDC dc(&m_Host);
        CFont* old = dc.SelectObject(&font);
        dc.GetTextMetrics(&tm);
        dc.SelectObject(old);
    }
    EXPECT_EQ(std::max(18, static_cast<int>(tm.tmHeight + tm.tmDescent)), m_pList->GetRowHeight());
    Fill(2);
    m_pList.reset();
    LOGFONTW lf{};
    EXPECT_EQ(static_cast<int>(sizeof(lf)), ::GetObjectW(font.m_hObject, sizeof(lf), &lf));
    EXPECT_EQ(-20, lf.lfHeight);
}

TEST_F(CheckList, TheOwnFontIsTahomaFourteen) {
    ASSERT_TRUE(CreateList());
    LOGFONTW lf{};
    ASSERT_EQ(static_cast<int>(sizeof(lf)), ::GetObjectW(m_pList->GetItemFont()->m_hObject, sizeof(lf), &lf));
    EXPECT_EQ(14, lf.lfHeight);
    EXPECT_EQ(FW_NORMAL, lf.lfWeight);
    EXPECT_EQ(OUT_TT_PRECIS, lf.lfOutPrecision);
    EXPECT_EQ(VARIABLE_PITCH | FF_SWISS, lf.lfPitchAndFamily);
    EXPECT_STREQ(L"TAHOMA", lf.lfFaceName);
}

TEST_F(CheckList, TheBorderIsSunken) {
    ASSERT_TRUE(CreateList());
    const int w = 60, h = 40;
    const COLORREF bg = RGB(1, 2, 3);
    Canvas canvas(w, h, bg);
    m_pList->DrawBorder(canvas.dc(), CRect(0, 0, w, h));
    const COLORREF dark = RGB(0x80, 0x80, 0x80), black = 0, white = RGB(255, 255, 255),
                   silver = RGB(0xC0, 0xC0, 0xC0);
    EXPECT_EQ(dark, canvas.At(0, 0));
    EXPECT_EQ(dark, canvas.At(0, h - 1));
    EXPECT_EQ(dark, canvas.At(w - 1, 0));
    EXPECT_EQ(black, canvas.At(1, 1));
    EXPECT_EQ(black, canvas.At(1, h - 1)); // the white line stops short of it
    EXPECT_EQ(black, canvas.At(w - 2, 1));
    EXPECT_EQ(white, canvas.At(w - 1, 1));
    EXPECT_EQ(white, canvas.At(w - 1, h - 1));
    EXPECT_EQ(white, canvas.At(2, h - 1));
    EXPECT_EQ(silver, canvas.At(w - 2, 2));
    EXPECT_EQ(silver, canvas.At(w - 2, h - 2));
    EXPECT_EQ(silver, canvas.At(3, h - 2));
    EXPECT_EQ(bg, canvas.At(2, h - 2)); // the silver line's end point is left out
    EXPECT_EQ(bg, canvas.At(2, 2));
}

} // namespace

// Tests of the check-list view's behaviour: selection, toggling, propagation, repaint sets, scrolling.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "checklist/core/checklist_view_state.h"

namespace {

using namespace checklist;

constexpr RowMetrics kShipped{18, 19, 18};
constexpr int32_t kTextX = 60; // right of a top-level check-box cell

int32_t RowY(int32_t row) {
    return RowTop(row, kShipped) + 9;
}
int32_t CellX(int32_t level) {
    return 5 + (level - 1) * 19 + 4;
}

std::vector<int32_t> Indexes(const std::vector<CheckListRowPaint>& rows) {
    std::vector<int32_t> out;
    for (const auto& r : rows)
        out.push_back(r.index);
    return out;
}

class ViewCore : public ::testing::Test {
  protected:
    CheckListItem* Add(CheckListItem* parent = nullptr, int32_t state = kUnchecked) {
        return tree.AddItem(L"00 11 22 33 44 55", parent, state, -1, {}, 100, 19, 5);
    }
    void Fill(int n) {
        for (int i = 0; i < n; ++i)
            Add();
    }
    void SetUp() override {
        view.SetMetrics(kShipped);
        view.SetClientSize(250, 190); // 10 full rows and a part of an 11th
    }

    CheckListTree tree;
    CheckListViewState view{tree};
};

TEST_F(ViewCore, ClickOnTextSelectsWithoutToggling) {
    Fill(30);
    auto r = view.Click(kTextX, RowY(3));
    EXPECT_TRUE(r.hit);
    EXPECT_FALSE(r.toggled);
    EXPECT_EQ(3, view.SelectedIndex());
    EXPECT_TRUE(tree.FindItem(3)->m_bSelected);
    EXPECT_EQ(kUnchecked, tree.GetCheck(3));
    EXPECT_EQ(std::vector<int32_t>{3}, Indexes(r.repaint));

    // The previous row loses its selection and is repainted too; nothing else is.
    r = view.Click(kTextX, RowY(5));
    EXPECT_FALSE(tree.FindItem(3)->m_bSelected);
    EXPECT_TRUE(tree.FindItem(5)->m_bSelected);
    EXPECT_EQ((std::vector<int32_t>{3, 5}), Indexes(r.repaint));

    // Clicking the selected row again repaints it once.
    r = view.Click(kTextX, RowY(5));
    EXPECT_EQ(std::vector<int32_t>{5}, Indexes(r.repaint));
    EXPECT_TRUE(tree.FindItem(5)->m_bSelected);
}

TEST_F(ViewCore, ClickInTheCellTogglesAndAMiddleBoxUnchecks) {
    Add(nullptr, kUnchecked);
    Add(nullptr, kChecked);
    Add(nullptr, kMiddle);
    for (int32_t row = 0; row < 3; ++row) {
        auto r = view.Click(CellX(1), RowY(row));
        EXPECT_TRUE(r.toggled);
        EXPECT_EQ(row, view.SelectedIndex());
    }
    EXPECT_EQ(kChecked, tree.GetCheck(0));
    EXPECT_EQ(kUnchecked, tree.GetCheck(1));
    EXPECT_EQ(kUnchecked, tree.GetCheck(2));

    // The cell ends 19 pixels right of the image's left edge (right edge outside).
    EXPECT_TRUE(view.Click(5 + 18, RowY(0)).toggled);
    EXPECT_FALSE(view.Click(5 + 19, RowY(0)).toggled);
    EXPECT_FALSE(view.Click(4, RowY(0)).toggled);
    // The top margin belongs to row 0 but lies above its cell.
    auto r = view.Click(CellX(1), 2);
    EXPECT_TRUE(r.hit);
    EXPECT_FALSE(r.toggled);
}

TEST_F(ViewCore, ClickInThePartlyVisibleRowScrollsOneRowAndSelects) {
    Fill(30);
    auto r = view.Click(CellX(1), RowY(10));
    EXPECT_TRUE(r.scrolledOne);
    EXPECT_EQ(1, view.TopRow());
    EXPECT_EQ(10, view.SelectedIndex());
    // The point now lies a row below the item's cell: no toggle.
    EXPECT_FALSE(r.toggled);
    EXPECT_EQ(kUnchecked, tree.GetCheck(10));
    EXPECT_EQ(9, view.RowOf(10));
}

TEST_F(ViewCore, ClicksWhereNoItemIsChangeNothing) {
    Fill(5);
    view.Click(kTextX, RowY(1));
    for (int32_t row : {5, 9, 10}) {
        auto r = view.Click(CellX(1), RowY(row));
        EXPECT_FALSE(r.hit);
        EXPECT_FALSE(r.scrolledOne);
        EXPECT_TRUE(r.repaint.empty());
    }
    EXPECT_EQ(0, view.TopRow());
    EXPECT_EQ(1, view.SelectedIndex());
    EXPECT_FALSE(view.VerticalBar().shown);
}

TEST_F(ViewCore, PointsAboveTheClientAreaAddressNoRow) {
    Fill(30);
    view.VScroll(kThumbTrack, 5);
    EXPECT_FALSE(view.Click(kTextX, -30).hit); // would be the row above the top row
    EXPECT_EQ(kNoItem, view.SelectedIndex());
    EXPECT_EQ(5, view.Click(kTextX, 0).hit ? view.SelectedIndex() : -1);
}

TEST_F(ViewCore, AnOldSelectionInThePartlyVisibleRowIsRepainted) {
    Fill(30);
    view.VScroll(kThumbTrack, 1);
    view.Click(kTextX, RowY(9)); // selects item 10 in the last full row
    view.VScroll(kLineUp, 0);    // item 10 now shows in the partly visible row
    ASSERT_EQ(10, view.RowOf(10));
    auto r = view.Click(kTextX, RowY(0));
    EXPECT_EQ((std::vector<int32_t>{10, 0}), Indexes(r.repaint));
}

TEST_F(ViewCore, TogglingAParentReachesEveryDescendantButRepaintsOnlyDrawnRows) {
    CheckListItem* parent = Add();
    for (int i = 0; i < 14; ++i)
        Add(parent);
    CheckListItem* grandchild = Add(tree.FindItem(14));
    Add();
    ASSERT_EQ(17, tree.GetCount(nullptr));
    ASSERT_EQ(15, tree.IndexOf(grandchild));

    auto r = view.Click(CellX(1), RowY(0));
    EXPECT_TRUE(r.toggled);
    for (int32_t i = 0; i <= 15; ++i)
        EXPECT_EQ(kChecked, tree.GetCheck(i)) << i;
    EXPECT_EQ(kUnchecked, tree.GetCheck(16));
    // Rows 0 .. 10 are drawn (10 full and the partly visible one).
    std::vector<int32_t> expected;
    for (int32_t i = 0; i <= 10; ++i)
        expected.push_back(i);
    EXPECT_EQ(expected, Indexes(r.repaint));

    // Unchecking one child makes the parent middle; the repaint covers the child and the parent.
    r = view.Click(CellX(2), RowY(3));
    EXPECT_EQ(kUnchecked, tree.GetCheck(3));
    EXPECT_EQ(kMiddle, tree.GetCheck(0));
    EXPECT_EQ((std::vector<int32_t>{0, 3, 0}), Indexes(r.repaint)); // old selection, item, ancestor
}

TEST_F(ViewCore, AParentWhoseOnlyChildIsMiddleShowsChecked) {
    CheckListItem* top = Add();
    CheckListItem* mid = Add(top);
    CheckListItem* a = Add(mid);
    Add(mid);
    view.Click(CellX(3), RowY(2)); // tick a: mid mixed, top's only child middle
    EXPECT_EQ(kChecked, a->m_nState);
    EXPECT_EQ(kMiddle, mid->m_nState);
    EXPECT_EQ(kChecked, top->m_nState);
}

TEST_F(ViewCore, SetItemCheckChangesOneItemAndItsAncestors) {
    CheckListItem* parent = Add();
    Add(parent);
    Add(parent);
    Add();

    std::vector<CheckListRowPaint> repaint;
    EXPECT_EQ(0, view.SetItemCheck(0, kChecked, repaint));
    EXPECT_EQ(kChecked, tree.GetCheck(0));
    EXPECT_EQ(kUnchecked, tree.GetCheck(1)); // children keep theirs
    EXPECT_EQ(kUnchecked, tree.GetCheck(2));

    repaint.clear();
    EXPECT_EQ(0, view.SetItemCheck(2, kChecked, repaint));
    EXPECT_EQ(kMiddle, tree.GetCheck(0));
    EXPECT_EQ((std::vector<int32_t>{2, 0}), Indexes(repaint));

    repaint.clear();
    EXPECT_EQ(kNoItem, view.SetItemCheck(4, kChecked, repaint));
    EXPECT_EQ(kNoItem, view.SetItemCheck(-1, kChecked, repaint));
    EXPECT_EQ(kNoItem, view.SetItemCheck(3, 3, repaint));
    EXPECT_EQ(kUnchecked, tree.GetCheck(3));
    EXPECT_TRUE(repaint.empty());
}

TEST_F(ViewCore, SetItemCheckBelowTheDrawnRowsRepaintsNothing) {
    Fill(30);
    std::vector<CheckListRowPaint> repaint;
    EXPECT_EQ(0, view.SetItemCheck(10, kChecked, repaint)); // the partly visible row
    EXPECT_EQ(std::vector<int32_t>{10}, Indexes(repaint));
    repaint.clear();
    EXPECT_EQ(0, view.SetItemCheck(11, kChecked, repaint));
    EXPECT_TRUE(repaint.empty());
    EXPECT_EQ(kChecked, tree.GetCheck(11));
}

TEST_F(ViewCore, ScrollingMovesTheTopRowAndTheBarsFollowTheCounts) {
    Fill(30);
    EXPECT_TRUE(view.VerticalBar().shown);
    EXPECT_EQ(20, view.VerticalBar().max);
    EXPECT_EQ(ScrollAction::Move, view.VScroll(kPageDown, 0).action);
    EXPECT_EQ(9, view.TopRow());
    view.VScroll(kThumbTrack, 20);
    EXPECT_EQ(20, view.TopRow());
    EXPECT_EQ(ScrollAction::Stay, view.VScroll(kLineDown, 0).action);

    // The drawn rows are the top row through the partly visible one, clipped at the end.
    std::vector<int32_t> drawn;
    view.ForEachDrawnRow([&](CheckListItem&, int32_t i) { drawn.push_back(i); });
    EXPECT_EQ(10u, drawn.size());
    EXPECT_EQ(20, drawn.front());
    EXPECT_EQ(29, drawn.back());

    // A wide row brings the horizontal bar.
    EXPECT_FALSE(view.HorizontalBar().shown);
    tree.AddItem(L"wide", nullptr, 0, -1, {}, 400, 19, 5); // 19 + 400 + 5 = 424
    EXPECT_TRUE(view.HorizontalBar().shown);
    EXPECT_EQ(424 - 250, view.HorizontalBar().max);
    view.HScroll(kLineDown, 0);
    EXPECT_EQ(10, view.Offset());

    // With the offset the cell shifts left with the image.
    view.VScroll(kThumbTrack, 0);
    EXPECT_FALSE(view.Click(16, RowY(0)).toggled); // inside the unshifted cell 5..23 only
    EXPECT_TRUE(view.Click(0, RowY(0)).toggled);   // inside the shifted cell -5..13 only

    view.ResetPosition();
    EXPECT_EQ(0, view.TopRow());
    EXPECT_EQ(0, view.Offset());
}

TEST_F(ViewCore, AResizePullsPositionsBackIntoTheirRange) {
    Fill(30);
    view.VScroll(kThumbTrack, 20);
    EXPECT_FALSE(view.ClampPositions());
    view.SetClientSize(250, 400); // 22 full rows
    EXPECT_TRUE(view.ClampPositions());
    EXPECT_EQ(8, view.TopRow());
    view.SetClientSize(250, 1000);
    view.ClampPositions();
    EXPECT_EQ(0, view.TopRow());
    EXPECT_FALSE(view.VerticalBar().shown);
}

TEST_F(ViewCore, DeletingTheSelectedItemDropsTheSelection) {
    Fill(3);
    view.Click(kTextX, RowY(1));
    if (tree.DeleteAllItems()) view.ClearSelection();
    EXPECT_EQ(nullptr, view.SelectedItem());
    EXPECT_EQ(kNoItem, view.SelectedIndex());
    Fill(2);
    auto r = view.Click(kTextX, RowY(0));
    EXPECT_EQ(std::vector<int32_t>{0}, Indexes(r.repaint));
}

// The same view at 150 % display scaling (144 DPI): every length half as large again.
class ViewCoreAt144 : public ::testing::Test {
  protected:
    void SetUp() override {
        view.SetMetrics(m);
        view.SetClientSize(375, 285); // 10 full rows of 27 and a part of an 11th
        for (int i = 0; i < 30; ++i)
            tree.AddItem(L"00 11 22 33 44 55", nullptr, kUnchecked, -1, {}, 150, m.cellWidth, m.Px(kRowTail));
    }
    int32_t RowY(int32_t row) const { return RowTop(row, m) + 13; }

    const RowMetrics m = MetricsFor(13, 12, 144);
    CheckListTree tree;
    CheckListViewState view{tree};
};

TEST_F(ViewCoreAt144, ClicksAddressTheTallerRowsAndTheWiderCell) {
    EXPECT_EQ(10, view.VisibleRows());
    // The scaled cell spans 8..36: a point that lies beside the 96-DPI cell still toggles.
    auto r = view.Click(30, RowY(3));
    EXPECT_TRUE(r.toggled);
    EXPECT_EQ(3, view.SelectedIndex());
    EXPECT_EQ(kChecked, tree.GetCheck(3));
    EXPECT_TRUE(view.Click(36, RowY(3)).toggled);
    EXPECT_EQ(kUnchecked, tree.GetCheck(3));
    // Just beside the cell: selected only.
    r = view.Click(37, RowY(4));
    EXPECT_TRUE(r.hit);
    EXPECT_FALSE(r.toggled);
    EXPECT_EQ(4, view.SelectedIndex());
    EXPECT_EQ(kUnchecked, tree.GetCheck(4));
    // The last pixel of row 4 and the first of row 5.
    EXPECT_EQ(4, (view.Click(60, RowTop(5, m) - 1), view.SelectedIndex()));
    EXPECT_EQ(5, (view.Click(60, RowTop(5, m)), view.SelectedIndex()));
}

TEST_F(ViewCoreAt144, RowsAreWiderAndALineStepIsFifteenPixels) {
    // 29 + 150 + 8: the cell and the tail grew, the text width is the scaled font's already.
    EXPECT_EQ(187, tree.WidestRow());
    tree.AddItem(L"wide", nullptr, kUnchecked, -1, {}, 400, m.cellWidth, m.Px(kRowTail));
    EXPECT_EQ(29 + 400 + 8 - 375, view.HorizontalBar().max);
    view.HScroll(kLineDown, 0);
    EXPECT_EQ(15, view.Offset());
    view.HScroll(kLineDown, 0);
    EXPECT_EQ(30, view.Offset());
    view.HScroll(kLineUp, 0);
    EXPECT_EQ(15, view.Offset());
}

} // namespace

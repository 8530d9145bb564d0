// Tests of the check-list item tree: pre-order indexes, counts, widths, state rules, deletion.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "checklist/core/checklist_tree.h"

namespace {

using namespace checklist;

constexpr int32_t kCell = 19; // 13-pixel images plus 6

CheckListItem* Add(CheckListTree& t, const wchar_t* text, CheckListItem* parent = nullptr, int32_t state = 0,
                   int32_t textWidth = 50) {
    return t.AddItem(text, parent, state, -1, {0x000001, 0x000002, 0x000003}, textWidth, kCell, 5);
}

std::vector<std::wstring> Texts(const CheckListTree& t) {
    std::vector<std::wstring> out;
    for (int32_t i = 0; i < t.GetCount(nullptr); ++i) {
        std::wstring s;
        EXPECT_EQ(0, t.GetItemText(i, s));
        out.push_back(s);
    }
    return out;
}

TEST(CheckListTree, ChildrenTakeTheFlatIndexesRightAfterTheirParent) {
    CheckListTree t;
    CheckListItem* a = Add(t, L"A");
    Add(t, L"B");
    Add(t, L"C");
    CheckListItem* a1 = Add(t, L"A1", a);
    Add(t, L"A2", a);
    EXPECT_EQ(5, t.GetCount(nullptr));
    EXPECT_EQ(2, t.GetCount(a));
    EXPECT_EQ(0, t.GetCount(a1));
    EXPECT_EQ((std::vector<std::wstring>{L"A", L"A1", L"A2", L"B", L"C"}), Texts(t));

    // A grandchild goes after its parent and before the parent's next sibling.
    Add(t, L"A1x", a1);
    EXPECT_EQ((std::vector<std::wstring>{L"A", L"A1", L"A1x", L"A2", L"B", L"C"}), Texts(t));
    EXPECT_EQ(2, t.IndexOf(t.FindItem(2)));
    EXPECT_EQ(3, t.FindItem(2)->m_nLevel);
    EXPECT_EQ(a1, t.FindItem(2)->m_pParent);
}

TEST(CheckListTree, IndexOperationsAnswerMinusOneOutsideTheItems) {
    CheckListTree t;
    EXPECT_EQ(kNoItem, t.GetCheck(0));
    EXPECT_EQ(kNoItem, t.GetCheck(-1));
    Add(t, L"A", nullptr, kChecked);
    Add(t, L"B", nullptr, kMiddle);
    EXPECT_EQ(kChecked, t.GetCheck(0));
    EXPECT_EQ(kMiddle, t.GetCheck(1));
    EXPECT_EQ(kNoItem, t.GetCheck(-1));
    EXPECT_EQ(kNoItem, t.GetCheck(2));
    EXPECT_EQ(kNoItem, t.GetCheck(INT32_MIN));
    EXPECT_EQ(nullptr, t.FindItem(2));

    std::wstring s = L"untouched";
    EXPECT_EQ(kNoItem, t.GetItemText(2, s));
    EXPECT_EQ(kNoItem, t.GetItemText(-1, s));
    EXPECT_EQ(L"untouched", s);
    EXPECT_EQ(kNoItem, t.IndexOf(nullptr));
}

TEST(CheckListTree, AddItemRejectsBadStatesAndForeignParents) {
    CheckListTree t;
    EXPECT_EQ(nullptr, Add(t, L"X", nullptr, 3));
    EXPECT_EQ(nullptr, Add(t, L"X", nullptr, -1));
    EXPECT_EQ(0, t.GetCount(nullptr));
    EXPECT_EQ(0, t.WidestRow());

    CheckListTree other;
    CheckListItem* stranger = Add(other, L"S");
    EXPECT_EQ(nullptr, Add(t, L"X", stranger));
    EXPECT_EQ(0, t.GetCount(nullptr));
    EXPECT_EQ(0, other.GetCount(stranger));

    CheckListItem* m = Add(t, L"M", nullptr, kMiddle);
    ASSERT_NE(nullptr, m);
    EXPECT_EQ(kMiddle, m->m_nState);
    EXPECT_EQ(-1, m->m_nItemData);
    EXPECT_EQ(0x000001u, m->m_crText);
    EXPECT_EQ(0x000002u, m->m_crSelText);
    EXPECT_EQ(0x000003u, m->m_crSelBack);
    EXPECT_FALSE(m->m_bSelected);
}

TEST(CheckListTree, WidthIsIndentPlusTextPlusFiveAndTheWidestIsKept) {
    CheckListTree t;
    CheckListItem* a = Add(t, L"A", nullptr, 0, 40);
    EXPECT_EQ(19 + 40 + 5, a->m_nWidth);
    EXPECT_EQ(40, a->m_nTextWidth);
    EXPECT_EQ(64, t.WidestRow());
    CheckListItem* c = Add(t, L"child", a, 0, 40);
    EXPECT_EQ(38 + 40 + 5, c->m_nWidth);
    EXPECT_EQ(83, t.WidestRow());
    Add(t, L"short", nullptr, 0, 10);
    EXPECT_EQ(83, t.WidestRow());
}

TEST(CheckListTree, AncestorsFollowTheirChildren) {
    CheckListTree t;
    CheckListItem* root = Add(t, L"root");
    CheckListItem* p = Add(t, L"p", root);
    CheckListItem* c1 = Add(t, L"c1", p);
    CheckListItem* c2 = Add(t, L"c2", p);

    c1->m_nState = kChecked;
    CheckListTree::UpdateParentChecks(*c1);
    EXPECT_EQ(kMiddle, p->m_nState);
    // root's only child is middle, which counts as on: root shows checked.
    EXPECT_EQ(kChecked, root->m_nState);

    c2->m_nState = kChecked;
    CheckListTree::UpdateParentChecks(*c2);
    EXPECT_EQ(kChecked, p->m_nState);
    EXPECT_EQ(kChecked, root->m_nState);

    c1->m_nState = kUnchecked;
    c2->m_nState = kUnchecked;
    CheckListTree::UpdateParentChecks(*c2);
    EXPECT_EQ(kUnchecked, p->m_nState);
    EXPECT_EQ(kUnchecked, root->m_nState);

    // Two middle children alone: checked.
    c1->m_nState = kMiddle;
    c2->m_nState = kMiddle;
    CheckListTree::UpdateParentChecks(*c1);
    EXPECT_EQ(kChecked, p->m_nState);
}

TEST(CheckListTree, DescendantStatesReachEveryLevelButNotTheItem) {
    CheckListTree t;
    CheckListItem* a = Add(t, L"a");
    CheckListItem* b = Add(t, L"b", a);
    Add(t, L"c", b);
    Add(t, L"d", a);
    CheckListItem* next = Add(t, L"next");
    CheckListTree::SetDescendantStates(*a, kChecked);
    EXPECT_EQ(kUnchecked, t.GetCheck(0));
    EXPECT_EQ(kChecked, t.GetCheck(1));
    EXPECT_EQ(kChecked, t.GetCheck(2));
    EXPECT_EQ(kChecked, t.GetCheck(3));
    EXPECT_EQ(kUnchecked, next->m_nState);
}

TEST(CheckListTree, RowWalkVisitsOnlyTheAskedRange) {
    CheckListTree t;
    CheckListItem* a = Add(t, L"0");
    CheckListItem* b = Add(t, L"1", a);
    Add(t, L"2", b);
    Add(t, L"3", a);
    for (int i = 4; i < 12; ++i)
        Add(t, std::to_wstring(i).c_str());

    std::vector<int32_t> seen;
    t.ForEachRow(2, 4, [&](CheckListItem& item, int32_t index) {
        EXPECT_EQ(std::to_wstring(index), item.m_strText);
        seen.push_back(index);
    });
    EXPECT_EQ((std::vector<int32_t>{2, 3, 4, 5}), seen);

    seen.clear();
    t.ForEachRow(10, 5, [&](CheckListItem&, int32_t index) { seen.push_back(index); });
    EXPECT_EQ((std::vector<int32_t>{10, 11}), seen);

    seen.clear();
    t.ForEachRow(0, 0, [&](CheckListItem&, int32_t index) { seen.push_back(index); });
    EXPECT_TRUE(seen.empty());

    seen.clear();
    CheckListTree::ForEachDescendantRow(*a, 0, 2,
                                        [&](CheckListItem&, int32_t index) { seen.push_back(index); });
    EXPECT_EQ((std::vector<int32_t>{1, 2}), seen);
}

TEST(CheckListTree, DeleteAllEmptiesAndReportsTheSelectedItem) {
    CheckListTree t;
    CheckListItem* a = Add(t, L"a", nullptr, 0, 300);
    Add(t, L"b", a);
    EXPECT_FALSE(t.DeleteAllItems());
    EXPECT_EQ(0, t.GetCount(nullptr));
    EXPECT_EQ(0, t.WidestRow());
    EXPECT_TRUE(t.Items().empty());

    a = Add(t, L"again");
    CheckListItem* child = Add(t, L"kid", a);
    child->m_bSelected = true;
    EXPECT_TRUE(t.DeleteAllItems());
    EXPECT_EQ(nullptr, t.FindItem(0));

    CheckListItem* fresh = Add(t, L"fresh");
    EXPECT_EQ(0, t.IndexOf(fresh));
    EXPECT_EQ(1, t.GetCount(nullptr));
}

} // namespace

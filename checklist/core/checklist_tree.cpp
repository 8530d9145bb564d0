// The check-list's item tree: adding, pre-order search, deletion and check-state propagation.
#include "checklist/core/checklist_tree.h"

#include <new>

namespace checklist {

namespace {

// Pre-order search; counter runs on through every list it enters.
CheckListItem* Find(const CheckListItemList& list, int32_t& counter, int32_t index) {
    for (const auto& p : list) {
        if (counter == index) return p.get();
        ++counter;
        if (!p->m_Children.empty()) {
            if (CheckListItem* hit = Find(p->m_Children, counter, index)) return hit;
        }
    }
    return nullptr;
}

int32_t Locate(const CheckListItemList& list, int32_t& counter, const CheckListItem* item) {
    for (const auto& p : list) {
        if (p.get() == item) return counter;
        ++counter;
        if (!p->m_Children.empty()) {
            int32_t hit = Locate(p->m_Children, counter, item);
            if (hit >= 0) return hit;
        }
    }
    return checklist::kNoItem;
}

// Depth first, children before their parent, as the list is taken apart.
bool Delete(CheckListItemList& list, int32_t& count) {
    bool selectedGone = false;
    for (auto& p : list) {
        if (!p->m_Children.empty()) selectedGone |= Delete(p->m_Children, count);
        selectedGone |= p->m_bSelected;
        --count;
        p.reset();
    }
    list.clear();
    return selectedGone;
}

} // namespace

CheckListItem* CheckListTree::AddItem(std::wstring text, CheckListItem* parent, int32_t state,
                                      int32_t itemData, const Colors& colors, int32_t textWidth,
                                      int32_t cellWidth, int32_t tailWidth) {
    if (!checklist::IsCheckState(state)) return nullptr;
    // A foreign or freed parent would corrupt the tree; compare addresses only, never dereference.
    if (parent && IndexOf(parent) < 0) return nullptr;

    // Items come from the AP's replies: without memory for one, it is not added (null), and nothing throws.
    std::unique_ptr<CheckListItem> item(new (std::nothrow) CheckListItem);
    if (!item) return nullptr;
    CheckListItemList& siblings = parent ? parent->m_Children : m_Items;
    try {
        if (siblings.size() == siblings.capacity()) siblings.reserve(siblings.size() * 2 + 8);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    item->m_strText = std::move(text);
    item->m_nState = state;
    item->m_nItemData = itemData;
    item->m_crText = colors.text;
    item->m_crSelText = colors.selText;
    item->m_crSelBack = colors.selBack;
    item->m_nTextWidth = textWidth;
    item->m_pParent = parent;
    item->m_nLevel = parent ? parent->m_nLevel + 1 : 1;
    item->m_nWidth = checklist::ItemWidth(item->m_nLevel, cellWidth, textWidth, tailWidth);
    if (item->m_nWidth > m_nWidestRow) m_nWidestRow = item->m_nWidth;

    CheckListItem* raw = item.get();
    siblings.push_back(std::move(item)); // cannot throw: room was reserved
    ++m_nItemCount;
    return raw;
}

int32_t CheckListTree::GetCount(const CheckListItem* item) const {
    return item ? static_cast<int32_t>(item->m_Children.size()) : m_nItemCount;
}

CheckListItem* CheckListTree::FindItem(int32_t index) const {
    if (index < 0 || index >= m_nItemCount) return nullptr;
    int32_t counter = 0;
    return Find(m_Items, counter, index);
}

int32_t CheckListTree::IndexOf(const CheckListItem* item) const {
    if (!item) return checklist::kNoItem;
    int32_t counter = 0;
    return Locate(m_Items, counter, item);
}

int32_t CheckListTree::GetCheck(int32_t index) const {
    const CheckListItem* item = FindItem(index);
    return item ? item->m_nState : checklist::kNoItem;
}

int32_t CheckListTree::GetItemText(int32_t index, std::wstring& text) const {
    const CheckListItem* item = FindItem(index);
    if (!item) return checklist::kNoItem;
    text = item->m_strText;
    return 0;
}

bool CheckListTree::DeleteAllItems() {
    bool selectedGone = Delete(m_Items, m_nItemCount);
    m_nItemCount = 0;
    m_nWidestRow = 0;
    return selectedGone;
}

void CheckListTree::SetDescendantStates(CheckListItem& item, int32_t state) {
    for (auto& child : item.m_Children) {
        child->m_nState = state;
        SetDescendantStates(*child, state);
    }
}

void CheckListTree::UpdateParentChecks(const CheckListItem& item) {
    for (CheckListItem* ancestor = item.m_pParent; ancestor; ancestor = ancestor->m_pParent) {
        bool on = false;
        bool off = false;
        for (const auto& child : ancestor->m_Children) {
            if (child->m_nState == checklist::kUnchecked)
                off = true;
            else
                on = true;
        }
        // A middle child counts as on, so a parent of middle children alone shows checked.
        if (on && off)
            ancestor->m_nState = checklist::kMiddle;
        else if (on)
            ancestor->m_nState = checklist::kChecked;
        else if (off)
            ancestor->m_nState = checklist::kUnchecked;
    }
}

} // namespace checklist

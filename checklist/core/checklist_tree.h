// The check-list's item tree: items numbered in pre-order, check states carried down and up the tree.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace checklist {

inline constexpr int32_t kUnchecked = 0;
inline constexpr int32_t kChecked = 1;
inline constexpr int32_t kMiddle = 2;
// Answer of every index-based operation to an index no item has, or to a bad argument.
inline constexpr int32_t kNoItem = -1;

constexpr bool IsCheckState(int32_t state) {
    return state >= kUnchecked && state <= kMiddle;
}

// A click in a check box: an unchecked box becomes checked; a checked or middle one unchecked.
constexpr int32_t ToggledState(int32_t state) {
    return state == kUnchecked ? kChecked : kUnchecked;
}

// The blank tail of a row past its text, 5 pixels at 96 DPI.
inline constexpr int32_t kRowTail = 5;

// Row width: one check-box cell per level of indentation, the text, and the tail (all at the view's DPI).
constexpr int32_t ItemWidth(int32_t level, int32_t cellWidth, int32_t textWidth, int32_t tailWidth) {
    return level * cellWidth + textWidth + tailWidth;
}

struct CheckListItem;
using CheckListItemList = std::vector<std::unique_ptr<CheckListItem>>;

// One row. Colours are COLORREF values (0x00BBGGRR).
struct CheckListItem {
    CheckListItem* m_pParent = nullptr; // null for a top-level item
    int32_t m_nState = checklist::kUnchecked;
    int32_t m_nWidth = 0;     // level x cell width + text width + tail
    int32_t m_nTextWidth = 0; // horizontal extent of the text in the control font
    int32_t m_nLevel = 1;     // 1 at top level
    bool m_bSelected = false;
    int32_t m_nItemData = 0; // the caller's value; the control never reads it
    std::wstring m_strText;
    uint32_t m_crText = 0;
    uint32_t m_crSelText = 0;
    uint32_t m_crSelBack = 0;
    CheckListItemList m_Children; // insertion order
};

// The items of one control. Owns them; hands out plain pointers that stay valid until DeleteAllItems.
class CheckListTree {
  public:
    struct Colors {
        uint32_t text = 0;
        uint32_t selText = 0;
        uint32_t selBack = 0;
    };

    // Appends an item under parent (null: top level), as wide as ItemWidth makes it. Null when the state
    // is not 0..2, the parent is not an item of this tree or there is no memory for the item; nothing
    // changes then.
    CheckListItem* AddItem(std::wstring text, CheckListItem* parent, int32_t state, int32_t itemData,
                           const Colors& colors, int32_t textWidth, int32_t cellWidth, int32_t tailWidth);

    // Null: the number of items at all levels; else the number of that item's direct children.
    int32_t GetCount(const CheckListItem* item) const;
    int32_t WidestRow() const { return m_nWidestRow; }
    const CheckListItemList& Items() const { return m_Items; }

    CheckListItem* FindItem(int32_t index) const;
    // Flat index of an item of this tree, or kNoItem.
    int32_t IndexOf(const CheckListItem* item) const;

    int32_t GetCheck(int32_t index) const;
    int32_t GetItemText(int32_t index, std::wstring& text) const;

    // Frees every item. True when the selected item was among them, so the view can drop it.
    bool DeleteAllItems();

    // Gives every descendant of item the state (the item itself keeps its own).
    static void SetDescendantStates(CheckListItem& item, int32_t state);
    // Recomputes every ancestor of item from its direct children: any checked or middle child counts
    // as on, an unchecked one as off; both give middle, only on gives checked, only off unchecked.
    static void UpdateParentChecks(const CheckListItem& item);

    // Calls fn(item, index) for the items with flat index first .. first + count - 1 in pre-order, and
    // stops walking after the last of them.
    template <class Fn> void ForEachRow(int32_t first, int32_t count, Fn&& fn) const {
        if (count <= 0) return;
        int32_t counter = 0;
        WalkRows(m_Items, counter, first, first + count - 1, fn);
    }

    // Same for the descendants of item (whose flat index is itemIndex), limited to indexes up to last.
    template <class Fn>
    static void ForEachDescendantRow(const CheckListItem& item, int32_t itemIndex, int32_t last, Fn&& fn) {
        int32_t counter = itemIndex + 1;
        WalkRows(item.m_Children, counter, itemIndex + 1, last, fn);
    }

  private:
    // Pre-order walk; counter is the flat index of the next item. False once past last.
    template <class Fn>
    static bool WalkRows(const CheckListItemList& list, int32_t& counter, int32_t first, int32_t last,
                         Fn& fn) {
        for (const auto& p : list) {
            if (counter > last) return false;
            if (counter >= first) fn(*p, counter);
            ++counter;
            if (!p->m_Children.empty() && !WalkRows(p->m_Children, counter, first, last, fn)) return false;
        }
        return counter <= last;
    }

    CheckListItemList m_Items; // top-level items in insertion order
    int32_t m_nItemCount = 0;
    int32_t m_nWidestRow = 0;
};

} // namespace checklist

// CCheckList: the check-list control's frame window; owns the items, images and drawing objects.
//
// Classes: CCheckList. Its inner window, CCheckListView, paints the rows and takes the clicks.
#pragma once

#include <memory>

#include "framework/afxwin.h"
#include "checklist/core/checklist_scroll.h"
#include "checklist/core/checklist_tree.h"

class CCheckListView;
struct CheckListPaintKit;

namespace checklist {
// The header of a 32-bit top-down bitmap of this size: one uint32_t per pixel, the first row first.
BITMAPINFO TopDown32(int width, int height);
} // namespace checklist

class CCheckList : public CWnd {
  public:
    CCheckList();
    ~CCheckList() override;

    // rect is the child rectangle in the parent's client coordinates. A null font gives the control
    // its own; a given font is borrowed and must outlive the control's windows.
    BOOL Create(const RECT& rect, CWnd* parent, UINT id, UINT checkId, UINT uncheckId, UINT middleId,
                COLORREF background, CFont* font = nullptr);

    // Null when the state is not 0..2, the parent is not one of ours, or the control has no view.
    // The caller redraws the control afterwards.
    checklist::CheckListItem* AddItem(CString text, checklist::CheckListItem* parent, int state, int itemData,
                                      COLORREF textColor, COLORREF selTextColor, COLORREF selBackColor);
    // Null: every item at all levels; else that item's direct children.
    int GetCount(const checklist::CheckListItem* item = nullptr) const;
    int GetCheck(int index) const;
    int SetCheck(int index, int state);
    int GetItemText(int index, CString& text) const;
    void DeleteAllItems();

    // Draws the 2-pixel sunken border along the edges of rc.
    void DrawBorder(CDC* dc, const CRect& rc);

    // The control's sizes and drawing objects; the view was handed the same ones (PaintKit). The sizes
    // are at the system DPI the control was made for (GetDpi).
    int GetDpi() const { return m_nDpi; }
    int GetRowHeight() const { return m_nRowHeight; }
    int GetCellWidth() const { return m_nCellWidth; }
    int GetCellHeight() const { return m_nCellHeight; }
    int GetWidestRow() const { return m_Tree.WidestRow(); }
    CBitmap* GetCheckBitmap(int state) const;
    CFont* GetItemFont() const { return m_pFont; }
    CPen* GetBackgroundPen() const { return m_pBackgroundPen.get(); }
    CBrush* GetBackgroundBrush() const { return m_pBackgroundBrush.get(); }
    CCheckListView* GetView() const { return m_pView.get(); }
    checklist::CheckListTree& GetTree() { return m_Tree; }

  protected:
    // Loads the images (made for 96 DPI) and, at another DPI, replaces them by images of the scaled size.
    BOOL LoadCheckBitmaps(UINT checkId, UINT uncheckId, UINT middleId);
    // Borrowed pointers to the images, font, pen and brush, and the row metrics, for the view.
    CheckListPaintKit PaintKit() const;
    checklist::CheckListItem* FindItem(int index) const { return m_Tree.FindItem(index); }
    void DeleteItems();
    bool HasView() const;

    afx_msg void OnPaint();
    afx_msg void OnSize(UINT type, int cx, int cy);

    int m_nDpi = checklist::kBaseDpi; // every pixel length of the control is scaled from 96 DPI to this one
    int m_nRowHeight = 0;
    bool m_bOwnsFont = false;
    CRect m_rcClient;
    std::unique_ptr<CBitmap> m_pCheckBitmap;
    std::unique_ptr<CBitmap> m_pUncheckBitmap;
    std::unique_ptr<CBitmap> m_pMiddleBitmap;
    int m_nCellWidth = 0;
    int m_nCellHeight = 0;
    std::unique_ptr<CCheckListView> m_pView;
    CFont* m_pFont = nullptr; // owned only with m_bOwnsFont (then it is m_OwnFont)
    std::unique_ptr<CFont> m_OwnFont;
    std::unique_ptr<CPen> m_pBackgroundPen;
    std::unique_ptr<CBrush> m_pBackgroundBrush;
    checklist::CheckListTree m_Tree; // the items, their count and the widest row

    DECLARE_MESSAGE_MAP()
};

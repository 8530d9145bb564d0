// A host window holding one check-list control, with helpers to click it and to read painted pixels.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "checklist/check_list.h"
#include "checklist/check_list_view.h"
#include "tests/win/support/message_pump.h"
#include "tests/win/support/recorders.h"
#include "resources/resource.h"

// A 32-bit top-down bitmap to draw into and read back, whatever the display driver.
class Canvas {
  public:
    Canvas(int width, int height, COLORREF fill) : m_nWidth(width), m_nHeight(height) {
        BITMAPINFO bi = checklist::TopDown32(width, height);
        void* bits = nullptr;
        m_hBitmap = ::CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
        m_pBits = static_cast<const uint32_t*>(bits);
        m_dc.CreateCompatibleDC(nullptr);
        m_hOld = ::SelectObject(m_dc.m_hDC, m_hBitmap);
        m_dc.FillSolidRect(0, 0, width, height, fill);
    }
    ~Canvas() {
        ::SelectObject(m_dc.m_hDC, m_hOld);
        m_dc.DeleteDC();
        ::DeleteObject(m_hBitmap);
    }
    CDC* dc() { return &m_dc; }
    COLORREF At(int x, int y) const {
        ::GdiFlush();
        if (x < 0 || y < 0 || x >= m_nWidth || y >= m_nHeight) return CLR_INVALID;
        uint32_t v = m_pBits[y * m_nWidth + x];
        return RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
    }

  private:
    int m_nWidth;
    int m_nHeight;
    CDC m_dc;
    HBITMAP m_hBitmap = nullptr;
    HGDIOBJ m_hOld = nullptr;
    const uint32_t* m_pBits = nullptr;
};

class CheckListWindowTest : public ::testing::Test {
  protected:
    static constexpr int kListId = 10001;

    void SetUp() override {
        ASSERT_TRUE(m_Host.CreateEx(0, nullptr, L"check-list host", WS_POPUP | WS_VISIBLE,
                                    CRect(0, 0, 480, 480), nullptr, 0));
        m_crBackground = ::GetSysColor(COLOR_WINDOW);
    }
    void TearDown() override {
        m_pList.reset();
        m_Host.DestroyWindow();
    }

    // Creates the control with the shipped images, then sizes it so that its view holds `rows` full rows
    // and half of one more.
    bool CreateList(int rows = 10, int width = 240, CFont* font = nullptr) {
        m_pList = std::make_unique<CCheckList>();
        if (!m_pList->Create(CRect(10, 10, 10 + width, 200), &m_Host, kListId, IDB_CHECK, IDB_UNCHECK,
                             IDB_MIDDLE, m_crBackground, font))
            return false;
        m_nRow = m_pList->GetRowHeight();
        int viewHeight = rows * m_nRow + m_nRow / 2;
        m_pList->MoveWindow(10, 10, width, viewHeight + 4, TRUE);
        wintest::PumpFor(0);
        return true;
    }

    checklist::CheckListItem* Add(const wchar_t* text, checklist::CheckListItem* parent = nullptr,
                                  int state = 0) {
        return m_pList->AddItem(text, parent, state, -1, ::GetSysColor(COLOR_INFOTEXT),
                                ::GetSysColor(COLOR_HIGHLIGHTTEXT), ::GetSysColor(COLOR_HIGHLIGHT));
    }
    void Fill(int n, int state = 0) {
        for (int i = 0; i < n; ++i) {
            CString mac;
            mac.Format(L"00 1A 2B 3C 4D %02X", i);
            Add(mac, nullptr, state);
        }
    }

    CCheckListView* View() const { return m_pList->GetView(); }
    int RowY(int row) const { return 5 + row * m_nRow + m_nRow / 2; }
    int CellX(int level = 1) const { return 5 + (level - 1) * m_pList->GetCellWidth() + 3; }
    int TextX() const { return 5 + m_pList->GetCellWidth() + 20; }

    void Press(int x, int y, UINT msg = WM_LBUTTONDOWN) {
        View()->SendMessage(msg, MK_LBUTTON, MAKELPARAM(x, y));
        View()->SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(x, y));
    }
    void VScroll(int code, int thumb = 0) { View()->SendMessage(WM_VSCROLL, MAKEWPARAM(code, thumb), 0); }
    void HScroll(int code, int thumb = 0) { View()->SendMessage(WM_HSCROLL, MAKEWPARAM(code, thumb), 0); }

    bool BarShown(int bar) const {
        DWORD style = View()->GetStyle();
        return (style & (bar == SB_VERT ? WS_VSCROLL : WS_HSCROLL)) != 0;
    }
    std::pair<int, int> BarRange(int bar) const {
        int lo = -1, hi = -1;
        ::GetScrollRange(View()->m_hWnd, bar, &lo, &hi);
        return {lo, hi};
    }

    CWnd m_Host;
    std::unique_ptr<CCheckList> m_pList;
    COLORREF m_crBackground = 0;
    int m_nRow = 0;
};

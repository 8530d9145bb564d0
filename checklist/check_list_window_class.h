// What the check-list's frame and view windows share: their window class and the border between them.
#pragma once

#include "framework/afxwin.h"

namespace checklist {

// The frame's sunken border; the view fills the frame's client area this far inside it. Two one-pixel
// lines at any DPI, like the system's own 3-D edges (SM_CXEDGE), which do not grow with the scaling.
inline constexpr int kBorder = 2;

// Registers the class of both windows: double clicks, full redraw on resize, arrow cursor, a solid
// background. The brush belongs to the class registration from here on.
inline LPCWSTR RegisterCheckListClass(COLORREF background) {
    return AfxRegisterWndClass(CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW, ::LoadCursorW(nullptr, IDC_ARROW),
                               ::CreateSolidBrush(background));
}

} // namespace checklist

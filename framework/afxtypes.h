// CPoint, CSize and CRect: the geometry value types, layout-compatible with POINT, SIZE and RECT.
#pragma once

#include <windows.h>

class CSize : public SIZE {
  public:
    CSize() { cx = cy = 0; }
    CSize(int x, int y) { cx = x, cy = y; }
    CSize(SIZE s) { cx = s.cx, cy = s.cy; }
};

class CPoint : public POINT {
  public:
    CPoint(POINT p) { x = p.x, y = p.y; }
    // Mouse messages pack the client coordinates as two signed 16-bit halves.
    explicit CPoint(LPARAM lp) { x = static_cast<short>(LOWORD(lp)), y = static_cast<short>(HIWORD(lp)); }
};

class CRect : public RECT {
  public:
    CRect() { left = top = right = bottom = 0; }
    CRect(int l, int t, int r, int b) { left = l, top = t, right = r, bottom = b; }
    CRect(const RECT& r) { left = r.left, top = r.top, right = r.right, bottom = r.bottom; }

    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    void DeflateRect(int dx, int dy) { ::InflateRect(this, -dx, -dy); }
    bool operator==(const RECT& o) const { return ::EqualRect(this, &o) != FALSE; }
};

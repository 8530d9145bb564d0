// A hidden top-level window of the VCI link tests, to be the parent of a link window under test.
#pragma once

#include "framework/afxwin.h"

namespace wintest {

class CHostWnd : public CWnd {
  public:
    CHostWnd() { CreateEx(0, nullptr, L"vci link host", WS_POPUP, CRect(0, 0, 10, 10), nullptr, 0); }
};

} // namespace wintest

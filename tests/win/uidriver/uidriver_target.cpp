// uidriver_target.exe: a stand-in main dialog for the UI driver's tests, with the ids, boxes and check-list
// windows the driver works on, plus a handler that blocks without pumping messages.
#include <windows.h>

#include <cwchar>

#include "orvane_version.h"

namespace {

constexpr int kDialogId = 102;
constexpr int kStatusAp = 1014;
constexpr int kTest = 1025;
constexpr int kConnect = 1016;
constexpr int kDelete = 1018;
constexpr int kBusy = 1017;
constexpr int kHidden = 1000;
constexpr int kEnable = 1023;
constexpr int kMacEdit = 1005;
constexpr int kLastPress = 1030;
constexpr int kLastAnswer = 1031;
constexpr int kCheckList = 10001;
constexpr int kCheckListView = 10002;
// The view's client area: five whole rows of 18 pixels below the 5-pixel margin and a sixth in part.
constexpr int kViewWidth = 200;
constexpr int kViewHeight = 100;
constexpr DWORD kBusyMs = 5000;
constexpr UINT_PTR kTitleTimer = 1;

const wchar_t kViewClass[] = L"UidriverTargetRows";
const wchar_t kBoxCaption[] = L"uidriver_target";

// The view writes where it was pressed into label 1030 of the dialog ("x,y").
LRESULT CALLBACK ViewProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_LBUTTONDOWN) {
        wchar_t text[32];
        std::swprintf(text, 32, L"%d,%d", static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp)));
        ::SetDlgItemTextW(::GetParent(::GetParent(h)), kLastPress, text);
        return 0;
    }
    return ::DefWindowProcW(h, msg, wp, lp);
}

void CreateRows(HWND dlg) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = ViewProc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = kViewClass;
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    ::RegisterClassW(&wc);
    HWND frame =
        ::CreateWindowExW(0, kViewClass, L"CLISTBOX", WS_CHILD | WS_VISIBLE, 20, 150, kViewWidth + 4,
                          kViewHeight + 4, dlg, reinterpret_cast<HMENU>(kCheckList), wc.hInstance, nullptr);
    ::CreateWindowExW(0, kViewClass, L"Check Control", WS_CHILD | WS_VISIBLE, 2, 2, kViewWidth, kViewHeight,
                      frame, reinterpret_cast<HMENU>(kCheckListView), wc.hInstance, nullptr);
}

INT_PTR CALLBACK DialogProc(HWND h, UINT msg, WPARAM wp, LPARAM) {
    switch (msg) {
    case WM_INITDIALOG:
        ::SetDlgItemTextW(h, kStatusAp, L"AP 미연결");
        ::SetDlgItemTextW(h, kMacEdit, L"0011223344AA");
        ::CheckDlgButton(h, kEnable, BST_CHECKED);
        CreateRows(h);
        ::SetTimer(h, kTitleTimer, 500, nullptr);
        return TRUE;
    case WM_TIMER:
        if (wp == kTitleTimer)
            ::SetWindowTextW(h, L"Orvane Version " ORVANE_VERSION_TEXTW L" (USB - NOT Connected)");
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wp)) {
        case IDOK:
        case IDCANCEL:
            ::EndDialog(h, LOWORD(wp));
            return TRUE;
        case kTest:
            ::MessageBoxW(h, L"GetCount = 0", kBoxCaption, MB_OK);
            return TRUE;
        case kConnect:
            // As a failed connection: Retry asks again, Cancel gives up.
            while (::MessageBoxW(h, L"AP와 PC가 연결되지 않았습니다.PC와 AP사이의 랜선을 확인하여 주십시오.",
                                 kBoxCaption, MB_RETRYCANCEL) == IDRETRY) {
            }
            ::SetDlgItemTextW(h, kStatusAp, L"AP 연결");
            return TRUE;
        case kDelete: {
            int r = ::MessageBoxW(h, L"선택한 MAC Address를 지우시겠습니까?", L"AP MAC Setting", MB_YESNO);
            ::SetDlgItemTextW(h, kLastAnswer, r == IDYES ? L"yes" : L"no");
            return TRUE;
        }
        case kBusy:
            // A blocking wait that processes no messages, as before a command to the AP.
            ::Sleep(kBusyMs);
            return TRUE;
        case kHidden:
            ::SetDlgItemTextW(h, kLastAnswer, L"hidden");
            return TRUE;
        }
        break;
    }
    return FALSE;
}

} // namespace

int wmain() {
    ::DialogBoxParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(kDialogId), nullptr, DialogProc, 0);
    return 0;
}

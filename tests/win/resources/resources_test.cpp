// Checks Orvane's compiled resources as the program sees them: check-box bitmaps, dialogs 102 and 100,
// the string table, the icon and the manifest; and the version block of the shipped orvane.exe as
// Explorer reads it.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <cwctype>
#include <iterator>
#include <string>
#include <vector>

#include "checkbox_grids.h"
#include "orvane_version.h"
#include "resources/resource.h"

namespace {

// The main dialog's caption carries the project's version.
constexpr wchar_t kMainTitle[] = L"Orvane(Ver : " ORVANE_VERSION_TEXTW L")";

constexpr int kImageWidth = 13;
constexpr int kImageHeight = 12;
constexpr LONG kNoKind = -1; // for controls whose style has no kind field worth checking

HINSTANCE Module() {
    return GetModuleHandleW(nullptr);
}

// The raw bytes of a resource of this executable, or nothing.
std::vector<uint8_t> RawResource(int id, LPCWSTR type) {
    HRSRC info = FindResourceW(Module(), MAKEINTRESOURCEW(id), type);
    if (!info) return {};
    HGLOBAL handle = LoadResource(Module(), info);
    const auto* data = static_cast<const uint8_t*>(handle ? LockResource(handle) : nullptr);
    if (!data) return {};
    return std::vector<uint8_t>(data, data + SizeofResource(Module(), info));
}

BITMAPINFOHEADER InfoHeaderOf(const std::vector<uint8_t>& dib) {
    BITMAPINFOHEADER header{};
    if (dib.size() >= sizeof header) std::memcpy(&header, dib.data(), sizeof header);
    return header;
}

// Colours as GetDIBits returns them in a 32-bit DIB: 0x00RRGGBB.
uint32_t ColourOf(char letter) {
    switch (letter) {
    case 'K':
        return 0x000000;
    case 'D':
        return 0x808080;
    case 'S':
        return 0xC0C0C0;
    case 'W':
        return 0xFFFFFF;
    }
    return 0xDEADBEEF;
}

struct CheckBoxImage {
    int id;
    int bits;
    const char* const* grid;
    const char* name;
};

static_assert(std::size(kGrid_check) == kImageHeight && std::size(kGrid_uncheck) == kImageHeight &&
              std::size(kGrid_middle) == kImageHeight);

const CheckBoxImage kImages[] = {
    {IDB_CHECK, 4, kGrid_check, "check"},
    {IDB_UNCHECK, 4, kGrid_uncheck, "uncheck"},
    {IDB_MIDDLE, 8, kGrid_middle, "middle"},
};

TEST(CheckBoxBitmaps, StoredAs13By12BottomUpWithTheirColourDepth) {
    for (const auto& image : kImages) {
        SCOPED_TRACE(image.name);
        const auto dib = RawResource(image.id, RT_BITMAP);
        ASSERT_GE(dib.size(), sizeof(BITMAPINFOHEADER));
        const BITMAPINFOHEADER header = InfoHeaderOf(dib);
        EXPECT_EQ(header.biSize, sizeof(BITMAPINFOHEADER));
        EXPECT_EQ(header.biWidth, kImageWidth);
        EXPECT_EQ(header.biHeight, kImageHeight); // positive: bottom-up
        EXPECT_EQ(header.biBitCount, image.bits);
        EXPECT_EQ(header.biCompression, static_cast<DWORD>(BI_RGB));
        const size_t colours = header.biClrUsed ? header.biClrUsed : size_t{1} << image.bits;
        const size_t stride = (kImageWidth * image.bits + 31) / 32 * 4;
        EXPECT_EQ(dib.size(), header.biSize + colours * sizeof(RGBQUAD) + stride * kImageHeight);
    }
}

TEST(CheckBoxBitmaps, EveryPixelMatchesItsTextSource) {
    HDC screen = GetDC(nullptr);
    for (const auto& image : kImages) {
        SCOPED_TRACE(image.name);
        HBITMAP bitmap = LoadBitmapW(Module(), MAKEINTRESOURCEW(image.id));
        ASSERT_NE(bitmap, nullptr);
        BITMAP size{};
        ASSERT_NE(GetObjectW(bitmap, sizeof size, &size), 0);
        EXPECT_EQ(size.bmWidth, kImageWidth);
        EXPECT_EQ(size.bmHeight, kImageHeight);

        BITMAPINFO want{};
        want.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        want.bmiHeader.biWidth = kImageWidth;
        want.bmiHeader.biHeight = -kImageHeight; // top-down, like the text
        want.bmiHeader.biPlanes = 1;
        want.bmiHeader.biBitCount = 32;
        want.bmiHeader.biCompression = BI_RGB;
        std::vector<uint32_t> pixels(kImageWidth * kImageHeight);
        ASSERT_EQ(GetDIBits(screen, bitmap, 0, kImageHeight, pixels.data(), &want, DIB_RGB_COLORS),
                  kImageHeight);
        DeleteObject(bitmap);

        for (int y = 0; y < kImageHeight; ++y) {
            ASSERT_EQ(std::strlen(image.grid[y]), static_cast<size_t>(kImageWidth));
            for (int x = 0; x < kImageWidth; ++x) {
                EXPECT_EQ(pixels[y * kImageWidth + x] & 0xFFFFFF, ColourOf(image.grid[y][x]))
                    << "row " << y + 1 << ", column " << x + 1;
            }
        }
    }
    ReleaseDC(nullptr, screen);
}

// A dialog template as compiled (DLGTEMPLATEEX), read back from the resource. Styles are checked here
// rather than on the created windows, because controls rewrite some of theirs: an edit or list box trades
// WS_BORDER for a client edge, and a list box drops WS_VSCROLL while its list fits.
struct TemplateItem {
    DWORD style = 0;
    int id = 0;
};

struct DialogTemplate {
    DWORD style = 0;
    DWORD exStyle = 0;
    int cx = 0, cy = 0;
    std::wstring title;
    int points = 0;
    int charset = 0;
    std::wstring face;
    std::vector<TemplateItem> items;
};

// Reads a template in the layout windres writes; stops at the first field that would run past the end.
class TemplateReader {
  public:
    explicit TemplateReader(const std::vector<uint8_t>& bytes) : m_bytes(bytes) {}

    bool Read(DialogTemplate& dialog) {
        if (Word() != 1 || Word() != 0xFFFF) return false; // version 1 of the extended layout
        Dword();                                           // help id
        dialog.exStyle = Dword();
        dialog.style = Dword();
        const int count = Word();
        Word(); // x
        Word(); // y
        dialog.cx = static_cast<int16_t>(Word());
        dialog.cy = static_cast<int16_t>(Word());
        NameOrOrdinal(); // menu
        NameOrOrdinal(); // class
        dialog.title = String();
        if (dialog.style & DS_SETFONT) {
            dialog.points = Word();
            Word(); // weight
            Byte(); // italic
            dialog.charset = Byte();
            dialog.face = String();
        }
        for (int i = 0; i < count && m_ok; ++i) {
            m_pos = (m_pos + 3) & ~size_t{3};
            TemplateItem item;
            Dword(); // help id
            Dword(); // extended style
            item.style = Dword();
            for (int n = 0; n < 4; ++n)
                Word(); // rectangle, checked on the created control
            item.id = static_cast<int>(Dword());
            NameOrOrdinal(); // class
            NameOrOrdinal(); // text
            m_pos += Word(); // creation data
            dialog.items.push_back(item);
        }
        return m_ok && m_pos <= m_bytes.size();
    }

  private:
    uint32_t Take(size_t n) {
        uint32_t value = 0;
        if (m_pos + n > m_bytes.size()) {
            m_ok = false;
            return 0;
        }
        std::memcpy(&value, m_bytes.data() + m_pos, n);
        m_pos += n;
        return value;
    }
    uint32_t Byte() { return Take(1); }
    uint32_t Word() { return Take(2); }
    uint32_t Dword() { return Take(4); }
    std::wstring String() {
        std::wstring text;
        while (m_ok)
            if (wchar_t c = static_cast<wchar_t>(Word()))
                text += c;
            else
                break;
        return text;
    }
    void NameOrOrdinal() {
        const uint32_t first = Word();
        if (first == 0xFFFF)
            Word();
        else if (first != 0)
            String();
    }

    const std::vector<uint8_t>& m_bytes;
    size_t m_pos = 0;
    bool m_ok = true;
};

DialogTemplate ReadTemplate(int id) {
    DialogTemplate dialog;
    EXPECT_TRUE(TemplateReader(RawResource(id, RT_DIALOG)).Read(dialog)) << "template " << id;
    return dialog;
}

// What one control must be, in the template and once the dialog manager has created it.
struct ControlSpec {
    int id;
    const wchar_t* windowClass;
    LONG kind; // the style's type field (BS_TYPEMASK or SS_TYPEMASK), or kNoKind
    const wchar_t* text;
    bool visible;
    DWORD styles;     // further style bits the template must carry; for buttons, BS_MULTILINE exactly
    int x, y, cx, cy; // dialog units
};

constexpr bool kShown = true;
constexpr bool kHidden = false;
constexpr DWORD kListStyles =
    LBS_NOTIFY | LBS_MULTIPLESEL | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_BORDER | WS_DISABLED;
constexpr DWORD kEditStyles = ES_AUTOHSCROLL | WS_BORDER;

const ControlSpec kMainDialog[] = {
    {IDOK, L"Button", BS_DEFPUSHBUTTON, L"종료", kShown, 0, 7, 252, 328, 22},
    {IDC_READ_VCI_MAC, L"Button", BS_PUSHBUTTON, L"Read  VCI  MAC", kHidden, 0, 77, 189, 62, 14},
    {IDC_WRITE_MAC_TO_AP, L"Button", BS_PUSHBUTTON, L"Write MAC to AP", kHidden, 0, 44, 144, 76, 14},
    {IDC_REFRESH_AP_LIST, L"Button", BS_PUSHBUTTON, L"List of AP's MAC", kShown, 0, 180, 7, 68, 14},
    {IDC_DELETE_AP_MAC, L"Button", BS_PUSHBUTTON, L"Delete  AP's MAC", kHidden, 0, 50, 105, 68, 14},
    {IDC_AP_MAC_LIST, L"ListBox", kNoKind, L"", kHidden, kListStyles, 16, 49, 134, 168},
    {IDC_VCI_MAC_EDIT, L"Edit", kNoKind, L"", kHidden, kEditStyles, 19, 142, 82, 14},
    {IDC_STATIC, L"Button", BS_GROUPBOX, L"MAC", kHidden, 0, 14, 81, 90, 107},
    {IDC_CONNECT_AP, L"Button", BS_PUSHBUTTON, L"AP에 연결하기", kShown, 0, 15, 15, 87, 24},
    {IDC_READ_PC_MAC, L"Button", BS_PUSHBUTTON, L"Read  PC MAC", kHidden, 0, 29, 94, 62, 14},
    {IDC_CLOSE_SOCKET, L"Button", BS_PUSHBUTTON, L"Clsoe Socket", kHidden, 0, 7, 197, 68, 14},
    {IDC_STATIC, L"Button", BS_GROUPBOX, L"", kHidden, 0, 55, 87, 90, 56},
    {IDC_MAC_FILTER_ON, L"Button", BS_PUSHBUTTON, L"MAC Filter 사용", kHidden, 0, 64, 154, 74, 14},
    {IDC_MAC_FILTER_OFF, L"Button", BS_PUSHBUTTON, L"MAC Filter 비사용", kHidden, 0, 64, 175, 74, 14},
    {IDC_STATIC, L"Button", BS_GROUPBOX, L"", kHidden, 0, 55, 144, 89, 50},
    {IDC_APPLY, L"Button", BS_PUSHBUTTON, L"Apply", kHidden, 0, 83, 197, 68, 14},
    {IDC_STATIC, L"Static", SS_LEFT, L"상\n\n태", kShown, 0, 255, 15, 8, 25},
    {IDC_STATUS_AP, L"Static", SS_LEFT, L"AP : ", kShown, 0, 268, 15, 67, 8},
    {IDC_STATUS_VCI, L"Static", SS_LEFT, L"AP : ", kShown, 0, 268, 31, 67, 8},
    {IDC_STATIC, L"Button", BS_GROUPBOX, L"", kShown, 0, 251, 7, 14, 36},
    {IDC_STATIC, L"Static", SS_LEFT, L"MAC Address 입력 프로그램", kShown, 0, 127, 23, 101, 8},
    {IDC_STATIC, L"Button", BS_GROUPBOX, L"AP에 입력된 MAC Address 리스트", kShown, 0, 7, 55, 156, 192},
    {IDC_AUTO_SETTING, L"Button", BS_PUSHBUTTON, L"전체 MAC Address 자동 설정", kShown, 0, 178, 58, 150, 18},
    {IDC_DELETE_ALL_MAC, L"Button", BS_PUSHBUTTON, L"전체 MAC Address 지우기", kShown, BS_MULTILINE, 175, 84,
     75, 42},
    {IDC_DELETE_SELECTED_MAC, L"Button", BS_PUSHBUTTON, L"선택한 MAC Address 지우기", kShown, BS_MULTILINE,
     174, 133, 75, 42},
    {IDC_READ_PC_MAC_ADDRESS, L"Button", BS_PUSHBUTTON, L"PC MAC Address  읽기", kShown, BS_MULTILINE, 258,
     84, 75, 42},
    {IDC_READ_VCI_MAC_ADDRESS, L"Button", BS_PUSHBUTTON, L"VCI MAC Address 읽기", kShown, BS_MULTILINE, 258,
     133, 75, 42},
    {IDC_ADD_MAC_TO_AP, L"Button", BS_PUSHBUTTON, L"AP에 MAC Address 추가하기", kShown, BS_MULTILINE, 265,
     185, 70, 30},
    {IDC_FILTER_ENABLE, L"Button", BS_AUTORADIOBUTTON, L"Enable", kShown, 0, 189, 210, 40, 10},
    {IDC_FILTER_DISABLE, L"Button", BS_AUTORADIOBUTTON, L"Disable", kShown, 0, 189, 227, 44, 10},
    {IDC_STATIC, L"Button", BS_GROUPBOX, L"MAC Address Filter", kShown, 0, 173, 193, 87, 54},
    {IDC_TEST, L"Button", BS_PUSHBUTTON, L"Test", kShown, 0, 123, 7, 50, 14},
    {IDC_MAC_FILTER_SETTING, L"Button", BS_PUSHBUTTON, L"MAC Filter 설정", kShown, BS_MULTILINE, 265, 219, 70,
     30},
};

const ControlSpec kAboutBox[] = {
    {IDC_STATIC, L"Static", SS_ICON, L"", kShown, 0, 11, 17, 0, 0},
    {IDC_STATIC, L"Static", SS_LEFT, L"Orvane Version 1.0", kShown, 0, 40, 10, 119, 8},
    {IDC_STATIC, L"Static", SS_LEFT, L"Access point MAC filter setup", kShown, 0, 40, 25, 119, 8},
    {IDOK, L"Button", BS_DEFPUSHBUTTON, L"OK", kShown, 0, 178, 7, 50, 14},
};

bool IsButton(const ControlSpec& spec) {
    return spec.windowClass[0] == L'B';
}

void ExpectTemplateItems(const DialogTemplate& dialog, const ControlSpec* specs, size_t count) {
    ASSERT_EQ(dialog.items.size(), count);
    for (size_t i = 0; i < count; ++i) {
        const ControlSpec& spec = specs[i];
        const DWORD style = dialog.items[i].style;
        SCOPED_TRACE("item " + std::to_string(i) + " (id " + std::to_string(spec.id) + ")");
        EXPECT_EQ(dialog.items[i].id, spec.id);
        EXPECT_NE(style & WS_CHILD, 0u);
        EXPECT_EQ((style & WS_VISIBLE) != 0, spec.visible);
        EXPECT_EQ(style & spec.styles, spec.styles);
        if (spec.kind != kNoKind) {
            EXPECT_EQ(static_cast<LONG>(style & (IsButton(spec) ? BS_TYPEMASK : SS_TYPEMASK)), spec.kind);
        }
        if (IsButton(spec)) {
            EXPECT_EQ(style & BS_MULTILINE, spec.styles & BS_MULTILINE);
        }
    }
}

INT_PTR CALLBACK PassiveDialogProc(HWND, UINT, WPARAM, LPARAM) {
    return FALSE;
}

std::wstring TextOf(HWND window) {
    std::wstring text(GetWindowTextLengthW(window) + 1, L'\0');
    text.resize(GetWindowTextW(window, text.data(), static_cast<int>(text.size())));
    return text;
}

std::wstring ClassOf(HWND window) {
    wchar_t name[64] = {};
    GetClassNameW(window, name, static_cast<int>(std::size(name)));
    return name;
}

// Dialog units to pixels the way the dialog manager places controls: origin and size converted apart.
RECT PixelRect(HWND dialog, int x, int y, int cx, int cy) {
    RECT r{x, y, cx, cy};
    MapDialogRect(dialog, &r);
    return RECT{r.left, r.top, r.left + r.right, r.top + r.bottom};
}

RECT RectInParent(HWND control, HWND dialog) {
    RECT r{};
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

std::string Describe(const RECT& r) {
    return "(" + std::to_string(r.left) + ", " + std::to_string(r.top) + ")-(" + std::to_string(r.right) +
           ", " + std::to_string(r.bottom) + ")";
}

// A dialog created from a template with a procedure that does nothing, destroyed with the fixture.
class DialogTest : public testing::Test {
  protected:
    void Open(int templateId) {
        m_hDialog = CreateDialogParamW(Module(), MAKEINTRESOURCEW(templateId), nullptr, PassiveDialogProc, 0);
        ASSERT_NE(m_hDialog, nullptr) << "error " << GetLastError();
    }
    void TearDown() override {
        if (m_hDialog) DestroyWindow(m_hDialog);
    }

    // Children in creation order, which is the template's order.
    std::vector<HWND> Controls() const {
        std::vector<HWND> controls;
        for (HWND child = GetWindow(m_hDialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
            controls.push_back(child);
        return controls;
    }

    void ExpectControls(const ControlSpec* specs, size_t count) const {
        const auto controls = Controls();
        ASSERT_EQ(controls.size(), count);
        for (size_t i = 0; i < count; ++i) {
            const ControlSpec& spec = specs[i];
            HWND control = controls[i];
            SCOPED_TRACE("control " + std::to_string(i) + " (id " + std::to_string(spec.id) + ")");
            EXPECT_EQ(GetDlgCtrlID(control), spec.id);
            EXPECT_EQ(_wcsicmp(ClassOf(control).c_str(), spec.windowClass), 0) << "class " << i;
            EXPECT_EQ((GetWindowLongW(control, GWL_STYLE) & WS_VISIBLE) != 0, spec.visible);
            const RECT want = PixelRect(m_hDialog, spec.x, spec.y, spec.cx, spec.cy);
            const RECT got = RectInParent(control, m_hDialog);
            // An icon's text is the icon's resource name, and its size the icon's.
            if (spec.kind == SS_ICON) {
                EXPECT_EQ(got.left, want.left);
                EXPECT_EQ(got.top, want.top);
                EXPECT_NE(SendMessageW(control, STM_GETICON, 0, 0), 0);
            } else {
                EXPECT_EQ(TextOf(control), spec.text);
                EXPECT_TRUE(EqualRect(&want, &got)) << "want " << Describe(want) << ", got " << Describe(got);
            }
        }
    }

    void ExpectClientSize(int cx, int cy) const {
        RECT client{};
        GetClientRect(m_hDialog, &client);
        const RECT want = PixelRect(m_hDialog, 0, 0, cx, cy);
        EXPECT_TRUE(EqualRect(&want, &client)) << "want " << Describe(want) << ", got " << Describe(client);
    }

    void ExpectFont(const wchar_t* face, int points) const {
        HFONT font = reinterpret_cast<HFONT>(SendMessageW(m_hDialog, WM_GETFONT, 0, 0));
        ASSERT_NE(font, nullptr);
        LOGFONTW logFont{};
        ASSERT_NE(GetObjectW(font, sizeof logFont, &logFont), 0);
        EXPECT_EQ(std::wstring(logFont.lfFaceName), face);
        HDC screen = GetDC(nullptr);
        EXPECT_EQ(logFont.lfHeight, -MulDiv(points, GetDeviceCaps(screen, LOGPIXELSY), 72));
        ReleaseDC(nullptr, screen);
    }

    HWND m_hDialog = nullptr;
};

TEST(DialogTemplates, MainDialogFrameFontAndControlStyles) {
    const DialogTemplate dialog = ReadTemplate(IDD_ORVANE_DIALOG);
    const DWORD frame = WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT;
    EXPECT_EQ(dialog.style & frame, frame);
    EXPECT_EQ(dialog.style & (WS_CHILD | WS_THICKFRAME | DS_CENTER), 0u); // centred by the program, not here
    EXPECT_EQ(dialog.exStyle, static_cast<DWORD>(WS_EX_APPWINDOW));
    EXPECT_EQ(dialog.cx, 342);
    EXPECT_EQ(dialog.cy, 281);
    EXPECT_EQ(dialog.title, kMainTitle);
    EXPECT_EQ(dialog.face, L"돋움체");
    EXPECT_EQ(dialog.points, 8);
    EXPECT_EQ(dialog.charset, HANGUL_CHARSET);
    ExpectTemplateItems(dialog, kMainDialog, std::size(kMainDialog));
    // The placeholder list keeps the AP's order and selects by plain clicks.
    EXPECT_EQ(dialog.items[5].style & (LBS_SORT | LBS_EXTENDEDSEL), 0u);
    // The filter radios start a group of their own, so clicking one clears the other only.
    EXPECT_NE(dialog.items[28].style & WS_GROUP, 0u);
}

TEST(DialogTemplates, AboutBoxFrameFontAndControlStyles) {
    const DialogTemplate dialog = ReadTemplate(IDD_ABOUTBOX);
    const DWORD frame = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT;
    EXPECT_EQ(dialog.style & frame, frame);
    EXPECT_EQ(dialog.cx, 235);
    EXPECT_EQ(dialog.cy, 55);
    EXPECT_EQ(dialog.title, L"About Orvane");
    EXPECT_EQ(dialog.face, L"MS Sans Serif");
    EXPECT_EQ(dialog.points, 8);
    ExpectTemplateItems(dialog, kAboutBox, std::size(kAboutBox));
}

TEST_F(DialogTest, MainDialogCreatesWithItsTitleSizeAndFont) {
    Open(IDD_ORVANE_DIALOG);
    EXPECT_EQ(TextOf(m_hDialog), kMainTitle);
    EXPECT_NE(GetWindowLongW(m_hDialog, GWL_EXSTYLE) & WS_EX_APPWINDOW, 0);
    EXPECT_TRUE(IsWindowVisible(m_hDialog));
    ExpectClientSize(342, 281);
    ExpectFont(L"돋움체", 8);
}

TEST_F(DialogTest, MainDialogControlsAppearInTemplateOrder) {
    Open(IDD_ORVANE_DIALOG);
    ExpectControls(kMainDialog, std::size(kMainDialog));
}

TEST_F(DialogTest, FilterRadiosClearEachOther) {
    Open(IDD_ORVANE_DIALOG);
    CheckRadioButton(m_hDialog, IDC_FILTER_ENABLE, IDC_FILTER_DISABLE, IDC_FILTER_ENABLE);
    SendDlgItemMessageW(m_hDialog, IDC_FILTER_DISABLE, BM_CLICK, 0, 0);
    EXPECT_EQ(IsDlgButtonChecked(m_hDialog, IDC_FILTER_ENABLE), BST_UNCHECKED);
    EXPECT_EQ(IsDlgButtonChecked(m_hDialog, IDC_FILTER_DISABLE), BST_CHECKED);
}

TEST_F(DialogTest, AboutBoxCreatesWithItsIconTextAndButton) {
    Open(IDD_ABOUTBOX);
    EXPECT_EQ(TextOf(m_hDialog), L"About Orvane");
    ExpectClientSize(235, 55);
    ExpectFont(L"MS Sans Serif", 8);
    ExpectControls(kAboutBox, std::size(kAboutBox));
}

TEST(StringTable, AboutEntryAndSocketsFailure) {
    wchar_t text[128] = {};
    ASSERT_GT(LoadStringW(Module(), IDS_ABOUTBOX, text, static_cast<int>(std::size(text))), 0);
    EXPECT_EQ(std::wstring(text), L"&About Orvane...");
    ASSERT_GT(LoadStringW(Module(), IDP_SOCKETS_INIT_FAILED, text, static_cast<int>(std::size(text))), 0);
    EXPECT_EQ(std::wstring(text), L"Windows sockets initialization failed.");
}

#pragma pack(push, 2)
struct IconGroupEntry {
    BYTE width, height, colours, reserved;
    WORD planes, bitCount;
    DWORD bytes;
    WORD id;
};
#pragma pack(pop)

TEST(AppIcon, GroupHolds16_32_48WithAlpha) {
    const auto group = RawResource(IDR_MAINFRAME, RT_GROUP_ICON);
    ASSERT_GE(group.size(), 6u);
    WORD count = 0;
    std::memcpy(&count, group.data() + 4, sizeof count);
    ASSERT_EQ(group.size(), 6 + count * sizeof(IconGroupEntry));
    std::vector<int> sizes;
    for (WORD i = 0; i < count; ++i) {
        IconGroupEntry entry{};
        std::memcpy(&entry, group.data() + 6 + i * sizeof entry, sizeof entry);
        SCOPED_TRACE("size " + std::to_string(entry.width));
        sizes.push_back(entry.width);
        EXPECT_EQ(entry.width, entry.height);
        EXPECT_EQ(entry.bitCount, 32);

        const auto image = RawResource(entry.id, RT_ICON);
        const BITMAPINFOHEADER header = InfoHeaderOf(image);
        ASSERT_EQ(header.biWidth, entry.width);
        ASSERT_EQ(header.biHeight, 2 * entry.width); // colour image and mask
        const size_t side = entry.width;
        ASSERT_GE(image.size(), header.biSize + side * side * 4);
        // Alpha of a bottom-up BGRA pixel: the top corners see through the rounded tile, the middle is solid.
        auto alpha = [&](size_t x, size_t y) {
            return image[header.biSize + ((side - 1 - y) * side + x) * 4 + 3];
        };
        EXPECT_EQ(alpha(0, 0), 0);
        EXPECT_EQ(alpha(side - 1, 0), 0);
        EXPECT_EQ(alpha(side / 2, side / 2), 255);
    }
    EXPECT_EQ(sizes, (std::vector<int>{16, 32, 48}));
}

TEST(AppIcon, LoadsAtSmallAndLargeSizes) {
    for (int side : {16, 32}) {
        SCOPED_TRACE("size " + std::to_string(side));
        HICON icon = static_cast<HICON>(
            LoadImageW(Module(), MAKEINTRESOURCEW(IDR_MAINFRAME), IMAGE_ICON, side, side, 0));
        ASSERT_NE(icon, nullptr);
        ICONINFO info{};
        ASSERT_TRUE(GetIconInfo(icon, &info));
        BITMAP colour{};
        ASSERT_NE(info.hbmColor, nullptr);
        GetObjectW(info.hbmColor, sizeof colour, &colour);
        EXPECT_EQ(colour.bmWidth, side);
        EXPECT_EQ(colour.bmHeight, side);
        DeleteObject(info.hbmColor);
        DeleteObject(info.hbmMask);
        DestroyIcon(icon);
    }
}

// This executable links the same resources as orvane.exe, manifest included; the release test reads the
// manifest's content from the shipped file.
TEST(ApplicationManifest, IsResourceOneAndBindsTheProcessToCommonControls6) {
    const auto manifest = RawResource(1, RT_MANIFEST);
    ASSERT_FALSE(manifest.empty());
    const std::string text(manifest.begin(), manifest.end());
    EXPECT_EQ(text.rfind("<?xml", 0), 0u);

    // The loader bound the process to the dependency the manifest names: a button comes from common
    // controls 6 in the side-by-side store. Without the manifest Wine's user32 draws it itself, and
    // Windows takes version 5 from System32.
    HWND button =
        CreateWindowExW(0, L"Button", L"x", WS_POPUP, 0, 0, 50, 20, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(button, nullptr);
    HMODULE controls = GetModuleHandleW(L"comctl32.dll");
    ASSERT_NE(controls, nullptr) << "no common controls DLL behind the button";
    wchar_t path[MAX_PATH] = {};
    ASSERT_GT(GetModuleFileNameW(controls, path, MAX_PATH), 0u);
    std::wstring folder = path;
    for (wchar_t& c : folder)
        c = std::towlower(c);
    EXPECT_NE(folder.find(L"\\winsxs\\"), std::wstring::npos) << folder;
    EXPECT_NE(folder.find(L"microsoft.windows.common-controls_6595b64144ccf1df_6.0."), std::wstring::npos)
        << folder;
    DestroyWindow(button);
}

// The stripped orvane.exe the release zip holds; under Wine the Unix root is drive Z:.
const wchar_t kReleaseExe[] = L"Z:" ORVANE_RELEASE_EXE;

std::vector<uint8_t> VersionBlockOf(const wchar_t* path) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(path, &ignored);
    if (size == 0) return {};
    std::vector<uint8_t> block(size);
    if (!GetFileVersionInfoW(path, 0, size, block.data())) return {};
    return block;
}

// One string of the block, looked up the way Explorer does: under the block its translation names.
std::wstring VersionString(std::vector<uint8_t>& block, const wchar_t* translation, const wchar_t* name) {
    const std::wstring key = std::wstring(L"\\StringFileInfo\\") + translation + L"\\" + name;
    void* text = nullptr;
    UINT chars = 0;
    if (!VerQueryValueW(block.data(), key.c_str(), &text, &chars) || !text || chars == 0) return L"<none>";
    return static_cast<const wchar_t*>(text);
}

TEST(VersionInfo, ShippedProgramCarriesTheProjectVersionForKorean) {
    auto block = VersionBlockOf(kReleaseExe);
    ASSERT_FALSE(block.empty()) << "no version block in the release's orvane.exe, error " << GetLastError();

    void* data = nullptr;
    UINT bytes = 0;
    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", &data, &bytes));
    ASSERT_EQ(bytes, sizeof(VS_FIXEDFILEINFO));
    const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(data);
    EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
    const WORD version[4] = {ORVANE_VERSION_NUMBERS};
    EXPECT_EQ(fixed->dwFileVersionMS, MAKELONG(version[1], version[0]));
    EXPECT_EQ(fixed->dwFileVersionLS, MAKELONG(version[3], version[2]));
    EXPECT_EQ(fixed->dwProductVersionMS, MAKELONG(version[1], version[0]));
    EXPECT_EQ(fixed->dwProductVersionLS, MAKELONG(version[3], version[2]));
    EXPECT_EQ(fixed->dwFileFlags & fixed->dwFileFlagsMask, 0u); // a release: no debug or pre-release flag
    EXPECT_EQ(fixed->dwFileOS, static_cast<DWORD>(VOS_NT_WINDOWS32));
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));

    // Exactly one translation, Korean in Unicode, and it must name the string block that exists.
    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation", &data, &bytes));
    ASSERT_EQ(bytes, 2 * sizeof(WORD));
    const auto* pair = static_cast<const WORD*>(data);
    EXPECT_EQ(pair[0], 0x0412);
    EXPECT_EQ(pair[1], 1200);
    wchar_t translation[9];
    std::swprintf(translation, std::size(translation), L"%04x%04x", pair[0], pair[1]);

    EXPECT_EQ(VersionString(block, translation, L"FileVersion"), ORVANE_VERSION_TEXTW);
    EXPECT_EQ(VersionString(block, translation, L"ProductVersion"), ORVANE_VERSION_TEXTW);
    EXPECT_EQ(VersionString(block, translation, L"ProductName"), L"Orvane");
    EXPECT_EQ(VersionString(block, translation, L"OriginalFilename"), L"orvane.exe");
    EXPECT_EQ(VersionString(block, translation, L"FileDescription"),
              L"Orvane — AP MAC filter setup for the VCI's WLAN module");
}

} // namespace

// Finds Orvane's main dialog and its boxes among the top-level windows and works them with window messages.
#include "tools/uidriver/win32_ui_target.h"

#include <vector>

#include "checklist/core/checklist_scroll.h"

namespace uidriver {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "window texts are UTF-16");

namespace {

std::u16string FromWide(const wchar_t* s, int n) {
    return std::u16string(reinterpret_cast<const char16_t*>(s), static_cast<std::size_t>(n));
}

std::u16string ClassOf(HWND h) {
    wchar_t name[64] = {};
    int n = ::GetClassNameW(h, name, 64);
    return FromWide(name, n > 0 ? n : 0);
}

// The text the system keeps for the window. For a window of another process this reads the stored text
// without a message, so it never waits on a busy program.
std::u16string StoredText(HWND h) {
    std::vector<wchar_t> buf(Win32UiTarget::kMaxText + 1, L'\0');
    int n = ::GetWindowTextW(h, buf.data(), Win32UiTarget::kMaxText + 1);
    return FromWide(buf.data(), n > 0 ? n : 0);
}

bool IsDialogClass(HWND h) {
    return ClassOf(h) == u"#32770";
}

// The message of a box: the static control with the id the system gives message texts, or else the first
// static with text (the About box's first line).
std::u16string BoxMessage(HWND box) {
    constexpr int kMessageTextId = 0xFFFF;
    std::u16string first;
    for (HWND c = ::GetWindow(box, GW_CHILD); c; c = ::GetWindow(c, GW_HWNDNEXT)) {
        if (ClassOf(c) != u"Static") continue;
        LONG style = ::GetWindowLongW(c, GWL_STYLE);
        if ((style & SS_TYPEMASK) == SS_ICON || (style & SS_TYPEMASK) == SS_BITMAP) continue;
        std::u16string text = StoredText(c);
        if (text.empty()) continue;
        if (::GetDlgCtrlID(c) == kMessageTextId) return text;
        if (first.empty()) first = text;
    }
    return first;
}

struct MainSearch {
    DWORD self;
    DWORD pid;
    const std::u16string* prefix;
    HWND unowned = nullptr;
    HWND owned = nullptr;
};

BOOL CALLBACK FindMainProc(HWND h, LPARAM lp) {
    auto* s = reinterpret_cast<MainSearch*>(lp);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(h, &pid);
    if (pid == s->self || (s->pid && pid != s->pid)) return TRUE;
    if (!::IsWindowVisible(h) || !IsDialogClass(h)) return TRUE;
    if (StoredText(h).rfind(*s->prefix, 0) != 0) return TRUE;
    if (::GetWindow(h, GW_OWNER) == nullptr) {
        s->unowned = h;
        return FALSE;
    }
    if (!s->owned) s->owned = h;
    return TRUE;
}

struct BoxSearch {
    DWORD pid;
    HWND main;
    std::vector<HWND> found;
};

BOOL CALLBACK FindBoxesProc(HWND h, LPARAM lp) {
    auto* s = reinterpret_cast<BoxSearch*>(lp);
    if (h == s->main) return TRUE;
    DWORD pid = 0;
    ::GetWindowThreadProcessId(h, &pid);
    if (pid != s->pid || !::IsWindowVisible(h) || !IsDialogClass(h)) return TRUE;
    s->found.push_back(h);
    return TRUE;
}

} // namespace

Win32UiTarget::Win32UiTarget(DWORD pid, std::u16string titlePrefix)
    : m_Pid(pid), m_TitlePrefix(std::move(titlePrefix)) {}

Win32UiTarget::~Win32UiTarget() {
    if (m_hProcess) ::CloseHandle(m_hProcess);
}

bool Win32UiTarget::FindMainWindow() {
    // Once found, the driver stays with that window: a later dialog with the same title is another run.
    if (m_hMain) return MainAlive();
    MainSearch search{::GetCurrentProcessId(), m_Pid, &m_TitlePrefix};
    ::EnumWindows(FindMainProc, reinterpret_cast<LPARAM>(&search));
    HWND h = search.unowned ? search.unowned : search.owned;
    if (!h) return false;
    m_hMain = h;
    ::GetWindowThreadProcessId(h, &m_FoundPid);
    m_hProcess = ::OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, m_FoundPid);
    return true;
}

HWND Win32UiTarget::Control(int id) const {
    return MainAlive() ? ::GetDlgItem(m_hMain, id) : nullptr;
}

UiStatus Win32UiTarget::Title(std::u16string& out) {
    if (!MainAlive()) return UiStatus::NoWindow;
    out = StoredText(m_hMain);
    return UiStatus::Ok;
}

UiStatus Win32UiTarget::ControlText(int id, std::u16string& out) {
    if (!MainAlive()) return UiStatus::NoWindow;
    HWND c = Control(id);
    if (!c) return UiStatus::NoControl;
    // WM_GETTEXT reaches texts that live in the control (an edit's buffer); a program stuck in a handler
    // that does not pump messages gets the stored text read instead.
    std::vector<wchar_t> buf(kMaxText + 1, L'\0');
    DWORD_PTR copied = 0;
    if (::SendMessageTimeoutW(c, WM_GETTEXT, kMaxText + 1, reinterpret_cast<LPARAM>(buf.data()),
                              SMTO_ABORTIFHUNG, kSendTimeoutMs, &copied)) {
        out = FromWide(buf.data(),
                       static_cast<int>(copied <= static_cast<DWORD_PTR>(kMaxText) ? copied : kMaxText));
    } else {
        out = StoredText(c);
    }
    return UiStatus::Ok;
}

UiStatus Win32UiTarget::CheckState(int id, int& state) {
    if (!MainAlive()) return UiStatus::NoWindow;
    HWND c = Control(id);
    if (!c) return UiStatus::NoControl;
    DWORD_PTR result = 0;
    if (!::SendMessageTimeoutW(c, BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs, &result))
        return UiStatus::NoAnswer;
    state = static_cast<int>(result);
    return UiStatus::Ok;
}

UiStatus Win32UiTarget::Click(int id) {
    if (!MainAlive()) return UiStatus::NoWindow;
    HWND c = Control(id);
    if (!c) return UiStatus::NoControl;
    if (!::IsWindowEnabled(c)) return UiStatus::Disabled;
    LONG type = ::GetWindowLongW(c, GWL_STYLE) & BS_TYPEMASK;
    bool autoButton = type == BS_AUTOCHECKBOX || type == BS_AUTORADIOBUTTON || type == BS_AUTO3STATE;
    if (autoButton && ClassOf(c) == u"Button") {
        // The button moves its own check mark (and its group's) before it notifies, as under a real
        // click; a notify-send does not wait for the handler.
        return ::SendNotifyMessageW(c, BM_CLICK, 0, 0) ? UiStatus::Ok : UiStatus::Failed;
    }
    // Posted, not BM_CLICK: the handler may open a modal box and would hold a sent message until it closes.
    WPARAM wp = MAKEWPARAM(static_cast<WORD>(id), BN_CLICKED);
    return ::PostMessageW(m_hMain, WM_COMMAND, wp, reinterpret_cast<LPARAM>(c)) ? UiStatus::Ok
                                                                                : UiStatus::Failed;
}

UiStatus Win32UiTarget::SysCommand(int code) {
    if (!MainAlive()) return UiStatus::NoWindow;
    return ::PostMessageW(m_hMain, WM_SYSCOMMAND, static_cast<WPARAM>(code), 0) ? UiStatus::Ok
                                                                                : UiStatus::Failed;
}

UiStatus Win32UiTarget::RowView(int32_t& width, int32_t& height, RowGeometry& layout) {
    if (!MainAlive()) return UiStatus::NoWindow;
    HWND frame = Control(kCheckListId);
    HWND view = frame ? ::GetDlgItem(frame, kCheckListViewId) : nullptr;
    if (!view) return UiStatus::NoControl;
    RECT rc{};
    if (!::GetClientRect(view, &rc)) return UiStatus::Failed;
    width = rc.right - rc.left;
    height = rc.bottom - rc.top;
    // The view's own layout, scaled to the display's DPI (rows are 27 pixels at 150 %); a view that does
    // not answer leaves the layout the options gave.
    DWORD_PTR packed = 0;
    if (::SendMessageTimeoutW(view, checklist::kGetRowLayoutMessage, 0, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs,
                              &packed) &&
        packed != 0) {
        const auto field = [packed](int shift) { return static_cast<int32_t>((packed >> shift) & 0xFFFF); };
        layout = {field(0), field(16), field(32), field(48)};
    }
    return UiStatus::Ok;
}

UiStatus Win32UiTarget::ClickRowView(int32_t x, int32_t y) {
    if (!MainAlive()) return UiStatus::NoWindow;
    HWND frame = Control(kCheckListId);
    HWND view = frame ? ::GetDlgItem(frame, kCheckListViewId) : nullptr;
    if (!view) return UiStatus::NoControl;
    LPARAM at = MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y));
    if (!::PostMessageW(view, WM_LBUTTONDOWN, MK_LBUTTON, at)) return UiStatus::Failed;
    return ::PostMessageW(view, WM_LBUTTONUP, 0, at) ? UiStatus::Ok : UiStatus::Failed;
}

std::vector<BoxInfo> Win32UiTarget::OpenBoxes() {
    std::vector<BoxInfo> boxes;
    if (!m_FoundPid) return boxes;
    BoxSearch search{m_FoundPid, m_hMain, {}};
    // Top-level windows come in z-order, the topmost (the newest box) first.
    ::EnumWindows(FindBoxesProc, reinterpret_cast<LPARAM>(&search));
    for (HWND h : search.found) {
        BoxInfo box;
        box.id = static_cast<uint64_t>(reinterpret_cast<uintptr_t>(h));
        box.caption = StoredText(h);
        box.text = BoxMessage(h);
        boxes.push_back(std::move(box));
    }
    return boxes;
}

UiStatus Win32UiTarget::AnswerBox(uint64_t id, int button) {
    HWND box = reinterpret_cast<HWND>(static_cast<uintptr_t>(id));
    if (!::IsWindow(box)) return UiStatus::NoBox;
    HWND b = ::GetDlgItem(box, button);
    if (!b) return UiStatus::NoButton;
    WPARAM wp = MAKEWPARAM(static_cast<WORD>(button), BN_CLICKED);
    return ::PostMessageW(box, WM_COMMAND, wp, reinterpret_cast<LPARAM>(b)) ? UiStatus::Ok : UiStatus::Failed;
}

UiStatus Win32UiTarget::Close() {
    if (!MainAlive()) return UiStatus::NoWindow;
    return ::PostMessageW(m_hMain, WM_CLOSE, 0, 0) ? UiStatus::Ok : UiStatus::Failed;
}

bool Win32UiTarget::HasExited() {
    if (m_hProcess) return ::WaitForSingleObject(m_hProcess, 0) == WAIT_OBJECT_0;
    return m_hMain && !::IsWindow(m_hMain);
}

} // namespace uidriver

// The driven program seen through Win32: its main dialog, controls and boxes found and worked from outside.
#pragma once

#include <windows.h>

#include <string>

#include "resources/resource.h"
#include "tools/uidriver/uidriver_runner.h"

namespace uidriver {

// Every call returns at once or within kSendTimeoutMs: requests that start a handler are posted (a handler
// may sit in a modal box for minutes); reads that need the program's thread are sent with a time-out.
class Win32UiTarget : public UiTarget {
  public:
    // pid 0: the first matching dialog of any other process.
    Win32UiTarget(DWORD pid, std::u16string titlePrefix);
    ~Win32UiTarget() override;
    Win32UiTarget(const Win32UiTarget&) = delete;
    Win32UiTarget& operator=(const Win32UiTarget&) = delete;

    bool FindMainWindow() override;
    uint32_t ProcessId() override { return m_FoundPid; }
    UiStatus Title(std::u16string& out) override;
    UiStatus ControlText(int id, std::u16string& out) override;
    UiStatus CheckState(int id, int& state) override;
    UiStatus Click(int id) override;
    UiStatus SysCommand(int code) override;
    UiStatus RowView(int32_t& width, int32_t& height, RowGeometry& layout) override;
    UiStatus ClickRowView(int32_t x, int32_t y) override;
    std::vector<BoxInfo> OpenBoxes() override;
    UiStatus AnswerBox(uint64_t id, int button) override;
    UiStatus Close() override;
    bool HasExited() override;

    // The check-list and its inner view, which takes the id after the list's.
    static constexpr int kCheckListId = IDC_CHECK_LIST;
    static constexpr int kCheckListViewId = IDC_CHECK_LIST + 1;
    static constexpr UINT kSendTimeoutMs = 500;
    // Longest window text read; longer texts are cut.
    static constexpr int kMaxText = 4096;

  private:
    bool MainAlive() const { return m_hMain && ::IsWindow(m_hMain); }
    HWND Control(int id) const;

    DWORD m_Pid;
    std::u16string m_TitlePrefix;
    HWND m_hMain = nullptr;
    DWORD m_FoundPid = 0;
    HANDLE m_hProcess = nullptr; // owned; null when the process could not be opened
};

} // namespace uidriver

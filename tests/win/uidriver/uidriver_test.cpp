// uidriver.exe against running programs: a stand-in dialog that has every kind of control and box, and the
// real orvane.exe. Every process a test starts is ended by its handle if the test leaves it running.
#include <gtest/gtest.h>
#include <windows.h>

#include <iostream>
#include <string>
#include <vector>

#include "orvane_version.h"

namespace {

constexpr DWORD kDriverTimeoutMs = 90000;

std::wstring Wide(const std::string& utf8) {
    int n = ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring out(static_cast<std::size_t>(n), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), n);
    return out;
}

// The build passes Unix paths; Wine shows the Unix root as drive Z:.
std::wstring WinPath(const char* unixPath) {
    std::wstring p = Wide(unixPath);
    if (!p.empty() && p[0] == L'/') {
        for (wchar_t& c : p)
            if (c == L'/') c = L'\\';
        p = L"Z:" + p;
    }
    return p;
}

// One argument quoted for CommandLineToArgvW: backslashes before a quote are doubled, quotes escaped.
std::wstring Quote(const std::wstring& arg) {
    std::wstring out = L"\"";
    std::size_t slashes = 0;
    for (wchar_t c : arg) {
        if (c == L'\\') {
            ++slashes;
            continue;
        }
        out.append(c == L'"' ? slashes * 2 + 1 : slashes, L'\\');
        slashes = 0;
        out.push_back(c);
    }
    out.append(slashes * 2, L'\\');
    return out + L"\"";
}

// A new empty file in the temp folder, removed again with the object. Process ids repeat between Wine
// sessions, so names built from them would find the files of an earlier run.
class TempFile {
  public:
    explicit TempFile(const wchar_t* prefix) {
        wchar_t dir[MAX_PATH];
        wchar_t name[MAX_PATH];
        ::GetTempPathW(MAX_PATH, dir);
        if (::GetTempFileNameW(dir, prefix, 0, name)) m_Path = name;
    }
    ~TempFile() {
        if (!m_Path.empty()) ::DeleteFileW(m_Path.c_str());
    }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;
    const std::wstring& Path() const { return m_Path; }

  private:
    std::wstring m_Path;
};

void WriteFileUtf8(const std::wstring& path, const std::string& data) {
    HANDLE f = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(f, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    ::WriteFile(f, data.data(), static_cast<DWORD>(data.size()), &written, nullptr);
    ::CloseHandle(f);
}

std::string ReadFileBytes(const std::wstring& path) {
    std::string data;
    HANDLE f = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                             OPEN_EXISTING, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return data;
    char buf[4096];
    DWORD n = 0;
    while (::ReadFile(f, buf, sizeof buf, &n, nullptr) && n > 0)
        data.append(buf, n);
    ::CloseHandle(f);
    return data;
}

// A process this test started; ended by its handle unless it has ended by itself.
class Child {
  public:
    Child() = default;
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;
    ~Child() {
        if (!m_pi.hProcess) return;
        if (::WaitForSingleObject(m_pi.hProcess, 0) == WAIT_TIMEOUT) {
            ::TerminateProcess(m_pi.hProcess, 99);
            ::WaitForSingleObject(m_pi.hProcess, 5000);
        }
        ::CloseHandle(m_pi.hThread);
        ::CloseHandle(m_pi.hProcess);
    }

    bool Start(const std::wstring& exe, const std::vector<std::wstring>& args, HANDLE output = nullptr) {
        std::wstring cmd = Quote(exe);
        for (const auto& a : args)
            cmd += L" " + Quote(a);
        STARTUPINFOW si{};
        si.cb = sizeof si;
        if (output) {
            si.dwFlags = STARTF_USESTDHANDLES;
            si.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
            si.hStdOutput = output;
            si.hStdError = output;
        }
        return ::CreateProcessW(exe.c_str(), cmd.data(), nullptr, nullptr, output != nullptr, 0, nullptr,
                                nullptr, &si, &m_pi) != 0;
    }

    DWORD Pid() const { return m_pi.dwProcessId; }

    // The exit code, or STILL_ACTIVE when it did not end within ms.
    DWORD Wait(DWORD ms) {
        if (::WaitForSingleObject(m_pi.hProcess, ms) != WAIT_OBJECT_0) return STILL_ACTIVE;
        DWORD code = STILL_ACTIVE;
        ::GetExitCodeProcess(m_pi.hProcess, &code);
        return code;
    }

  private:
    PROCESS_INFORMATION m_pi{};
};

struct DriverRun {
    DWORD code = STILL_ACTIVE;
    std::string out;
    DWORD elapsedMs = 0;
};

// Runs uidriver.exe with these arguments and, when script is not empty, a script file holding it, with
// the program's version for each @VERSION@.
DriverRun RunDriver(std::string script, std::vector<std::wstring> args) {
    const std::string version = "@VERSION@";
    for (size_t at; (at = script.find(version)) != std::string::npos;)
        script.replace(at, version.size(), ORVANE_VERSION_TEXT);
    DriverRun run;
    TempFile outFile(L"uio");
    TempFile scriptFile(L"uis");
    const std::wstring& outPath = outFile.Path();
    if (!script.empty()) {
        WriteFileUtf8(scriptFile.Path(), script);
        args.insert(args.begin(), scriptFile.Path());
    }
    SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
    HANDLE out = ::CreateFileW(outPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &sa,
                               CREATE_ALWAYS, 0, nullptr);
    EXPECT_NE(out, INVALID_HANDLE_VALUE);
    Child driver;
    DWORD start = ::GetTickCount();
    bool started = driver.Start(WinPath(UIDRIVER_EXE), args, out);
    ::CloseHandle(out);
    EXPECT_TRUE(started) << "uidriver.exe did not start: " << ::GetLastError();
    if (!started) return run;
    run.code = driver.Wait(kDriverTimeoutMs);
    run.elapsedMs = ::GetTickCount() - start;
    run.out = ReadFileBytes(outPath);
    return run;
}

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

std::wstring Dec(DWORD v) {
    return std::to_wstring(v);
}

const std::string kNotConnectedBox = "AP와 PC가 연결되지 않았습니다.PC와 AP사이의 랜선을 확인하여 주십시오.";

} // namespace

TEST(DrivingTheStandIn, EveryKindOfStepAgainstARealDialog) {
    Child target;
    ASSERT_TRUE(target.Start(WinPath(UIDRIVER_TARGET_EXE), {}));
    TempFile boxesFile(L"uib");
    const std::wstring& boxes = boxesFile.Path();
    std::string script =
        "# the stand-in dialog, start to end\n"
        "wait-window 20\n"
        "expect-title \"Orvane(Ver : @VERSION@)\" or \"Orvane Version @VERSION@ (USB - NOT Connected)\"\n"
        "wait-title \"Orvane Version @VERSION@ (USB - NOT Connected)\" 5\n"
        "expect-title-prefix Orvane\n"
        "expect-text 1014 \"AP 미연결\"\n"
        "expect-text 1005 0011223344AA      # an edit: its text lives in the control\n"
        "expect-check 1023 1\n"
        "click 1024                         # an auto radio button moves its own mark\n"
        "expect-check 1024 1\n"
        "expect-check 1023 0\n"
        "click 1000                         # hidden, but its handler runs\n"
        "wait-text 1031 hidden 5\n"
        "click 1025\n"
        "expect-box \"GetCount = 0\" caption uidriver_target answer ok timeout 10\n"
        "click 1016\n"
        "expect-box \"" +
        kNotConnectedBox +
        "\" answer retry timeout 10\n"
        "expect-box \"" +
        kNotConnectedBox +
        "\" answer cancel timeout 10\n"
        "wait-text 1014 \"AP 연결\" 5\n"
        "click 1018\n"
        "expect-box * caption \"AP MAC Setting\" answer no timeout 10\n"
        "wait-text 1031 no 5\n"
        "click-row 2 check\n"
        "wait-text 1030 14,50 5\n"
        "click-row 5 text                   # the partly visible bottom row\n"
        "wait-text 1030 32,99 5\n"
        "close 10\n";
    DriverRun run = RunDriver(script, {L"--pid", Dec(target.Pid()), L"--boxes-log", boxes});
    EXPECT_EQ(run.code, 0u) << run.out;
    EXPECT_TRUE(Contains(run.out, "uidriver: all 26 steps passed")) << run.out;
    EXPECT_TRUE(Contains(run.out, "line 6: expect-text 1014 \"AP 미연결\" -> \"AP 미연결\"")) << run.out;
    EXPECT_TRUE(Contains(run.out, "click-row 2 check -> pressed at (14, 50)")) << run.out;
    EXPECT_EQ(target.Wait(10000), 0u);
    EXPECT_EQ(ReadFileBytes(boxes), "uidriver_target\tGetCount = 0\tok\n"
                                    "uidriver_target\t" +
                                        kNotConnectedBox +
                                        "\tretry\n"
                                        "uidriver_target\t" +
                                        kNotConnectedBox +
                                        "\tcancel\n"
                                        "AP MAC Setting\t선택한 MAC Address를 지우시겠습니까?\tno\n");
}

TEST(DrivingTheStandIn, AFailedExpectationStopsTheRunWithExitCode1) {
    Child target;
    ASSERT_TRUE(target.Start(WinPath(UIDRIVER_TARGET_EXE), {}));
    DriverRun run = RunDriver("wait-window 20\nexpect-text 1014 \"AP 연결\"\nclick 1025\n",
                              {L"--pid", Dec(target.Pid())});
    EXPECT_EQ(run.code, 1u) << run.out;
    EXPECT_TRUE(Contains(run.out,
                         "FAIL line 2: expect-text 1014 \"AP 연결\" -> control 1014 reads \"AP 미연결\", "
                         "expected \"AP 연결\""))
        << run.out;
    EXPECT_FALSE(Contains(run.out, "line 3")) << run.out;

    // A disabled button is not clicked; steps from the command line run after the script's.
    run = RunDriver("wait-window 5\n", {L"--pid", Dec(target.Pid()), L"-e", L"click 1019"});
    EXPECT_EQ(run.code, 1u) << run.out;
    EXPECT_TRUE(Contains(run.out, "FAIL step 1: click 1019 -> control 1019 is disabled")) << run.out;

    // Nothing was clicked: no box is open, and the program still ends on close.
    run = RunDriver("", {L"--pid", Dec(target.Pid()), L"-e", L"wait-window 5", L"-e",
                         L"expect-box * answer ok timeout 0.5 optional", L"-e", L"close 10"});
    EXPECT_EQ(run.code, 0u) << run.out;
    EXPECT_TRUE(Contains(run.out, "no box within 0.5 s")) << run.out;
    EXPECT_EQ(target.Wait(10000), 0u);
}

TEST(DrivingTheStandIn, ABusyProgramDoesNotHoldTheDriver) {
    Child target;
    ASSERT_TRUE(target.Start(WinPath(UIDRIVER_TARGET_EXE), {}));
    // The wait for the window comes first, so the time below counts only the steps against the busy handler.
    DriverRun found = RunDriver("wait-window 20\n", {L"--pid", Dec(target.Pid())});
    ASSERT_EQ(found.code, 0u) << found.out;
    // The handler of 1017 sleeps 5 s without pumping messages: texts come from what the system keeps, and a
    // read that needs the program's thread gives up.
    DriverRun run =
        RunDriver("wait-window 5\nclick 1017\nsleep 200\nexpect-text 1014 \"AP 미연결\"\nread-check 1023\n",
                  {L"--pid", Dec(target.Pid())});
    EXPECT_EQ(run.code, 1u) << run.out;
    EXPECT_TRUE(Contains(run.out, "line 4: expect-text 1014 \"AP 미연결\" -> \"AP 미연결\"")) << run.out;
    EXPECT_TRUE(Contains(run.out, "FAIL line 5: read-check 1023 -> the program did not answer in time"))
        << run.out;
    EXPECT_LT(run.elapsedMs, 4000u) << run.out;

    // A click posted while it is busy is handled afterwards, and its box is seen.
    run = RunDriver(
        "wait-window 5\nclick 1017\nclick 1025\nexpect-box \"GetCount = 0\" answer ok timeout 15\nclose 10\n",
        {L"--pid", Dec(target.Pid())});
    EXPECT_EQ(run.code, 0u) << run.out;
    EXPECT_EQ(target.Wait(10000), 0u);
}

TEST(DrivingTheStandIn, PidChoosesAmongTwoDialogs) {
    Child first, second;
    ASSERT_TRUE(first.Start(WinPath(UIDRIVER_TARGET_EXE), {}));
    ASSERT_TRUE(second.Start(WinPath(UIDRIVER_TARGET_EXE), {}));
    DriverRun run = RunDriver("wait-window 20\nclose 10\n", {L"--pid", Dec(second.Pid())});
    EXPECT_EQ(run.code, 0u) << run.out;
    EXPECT_TRUE(Contains(run.out, "of process " + std::to_string(second.Pid()))) << run.out;
    EXPECT_EQ(second.Wait(10000), 0u);
    EXPECT_EQ(first.Wait(0), static_cast<DWORD>(STILL_ACTIVE));
}

TEST(DrivingTheStandIn, UsageErrorsExitWith2BeforeAnythingRuns) {
    DriverRun run = RunDriver("wait-window 1\nclick 1025\nfrobnicate\n", {});
    EXPECT_EQ(run.code, 2u) << run.out;
    EXPECT_TRUE(Contains(run.out, "line 3: unknown step \"frobnicate\"")) << run.out;
    EXPECT_FALSE(Contains(run.out, "line 1:")) << run.out;

    run = RunDriver("", {L"--no-such-option", L"-e", L"sleep 1"});
    EXPECT_EQ(run.code, 2u) << run.out;
    EXPECT_TRUE(Contains(run.out, "unknown option --no-such-option")) << run.out;

    run = RunDriver("", {L"Z:\\nonexistent\\script.txt"});
    EXPECT_EQ(run.code, 2u) << run.out;
    EXPECT_TRUE(Contains(run.out, "cannot open the script")) << run.out;

    run = RunDriver("# only comments\n\n", {});
    EXPECT_EQ(run.code, 2u) << run.out;
}

TEST(DrivingTheStandIn, NoWindowWithinTheTimeOutFails) {
    // No process has this id's window: the driver must give up on time.
    DriverRun run = RunDriver("wait-window 1\n", {L"--pid", L"4000000000"});
    EXPECT_EQ(run.code, 1u) << run.out;
    EXPECT_TRUE(Contains(run.out, "FAIL line 1: wait-window 1 -> no main dialog within 1 s")) << run.out;
}

#ifdef ORVANE_EXE
TEST(DrivingOrvane, StartAboutBoxTestButtonRadiosAndExit) {
    Child orvane;
    ASSERT_TRUE(orvane.Start(WinPath(ORVANE_EXE), {}));
    TempFile boxesFile(L"uib");
    const std::wstring& boxes = boxesFile.Path();
    // Nothing here talks to the AP: the About box, the radios and the Test button stay inside the program.
    // The title may already carry the USB state, and the Test button's box needs the check-list.
    std::string script =
        "wait-window 20\n"
        "expect-title \"Orvane(Ver : @VERSION@)\" or \"Orvane Version @VERSION@ (USB - NOT Connected)\" or "
        "\"Orvane Version @VERSION@ (USB - Connected)\"\n"
        "read-title\n"
        "expect-text IDC_STATUS_AP \"AP 미연결\"\n"
        "expect-check IDC_FILTER_ENABLE 1\n"
        "expect-check IDC_FILTER_DISABLE 0\n"
        "syscommand IDM_ABOUTBOX\n"
        "expect-box \"Orvane Version 1.0\" caption \"About Orvane\" answer ok timeout 10\n"
        "click IDC_FILTER_DISABLE\n"
        "expect-check IDC_FILTER_DISABLE 1\n"
        "expect-check IDC_FILTER_ENABLE 0\n"
        "click IDC_FILTER_ENABLE\n"
        "expect-check IDC_FILTER_ENABLE 1\n"
        "click IDC_TEST\n"
        "expect-box \"GetCount = 0\" caption orvane answer ok timeout 5 optional\n"
        "expect-title-prefix Orvane\n"
        "close 15\n";
    DriverRun run = RunDriver(script, {L"--pid", Dec(orvane.Pid()), L"--boxes-log", boxes});
    EXPECT_EQ(run.code, 0u) << run.out;
    EXPECT_TRUE(Contains(run.out, "uidriver: all 17 steps passed")) << run.out;
    EXPECT_EQ(orvane.Wait(15000), 0u);
    std::string log = ReadFileBytes(boxes);
    EXPECT_EQ(log.rfind("About Orvane\tOrvane Version 1.0\tok\n", 0), 0u) << log;
    std::cout << run.out;
}
#endif

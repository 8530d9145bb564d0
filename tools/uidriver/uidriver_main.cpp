// uidriver.exe: runs a script of steps against a running Orvane main dialog and reports each step.
#include <windows.h>

#include <cstdio>
#include <fcntl.h>
#include <io.h>
#include <string>
#include <vector>

#include "tools/uidriver/uidriver_args.h"
#include "tools/uidriver/uidriver_runner.h"
#include "tools/uidriver/uidriver_script.h"
#include "tools/uidriver/uidriver_text.h"
#include "tools/uidriver/win32_ui_target.h"

namespace {

using namespace uidriver;

// Scripts are a few hundred lines; anything this large is the wrong file.
constexpr long kMaxScriptBytes = 1024 * 1024;

std::wstring Wide(const std::string& utf8) {
    std::u16string u;
    if (!Utf8ToUtf16(utf8, u)) return std::wstring();
    return std::wstring(reinterpret_cast<const wchar_t*>(u.data()), u.size());
}

void Write(FILE* f, const std::string& line) {
    std::fwrite(line.data(), 1, line.size(), f);
    std::fputc('\n', f);
    std::fflush(f);
}

class ConsoleIo : public RunnerIo {
  public:
    int64_t NowMs() override { return static_cast<int64_t>(::GetTickCount64()); }
    void SleepMs(int64_t ms) override { ::Sleep(static_cast<DWORD>(ms)); }
    void Print(const std::string& line) override { Write(stdout, line); }
    bool AppendLine(const std::string& path, const std::string& line) override {
        std::wstring wpath = Wide(path);
        if (wpath.empty()) return false;
        FILE* f = _wfopen(wpath.c_str(), L"ab");
        if (!f) return false;
        std::string data = line + "\n";
        bool ok = std::fwrite(data.data(), 1, data.size(), f) == data.size();
        return std::fclose(f) == 0 && ok;
    }
};

bool LoadScript(const std::string& path, std::string& data, std::string& error) {
    std::wstring wpath = Wide(path);
    FILE* f = wpath.empty() ? nullptr : _wfopen(wpath.c_str(), L"rb");
    if (!f) {
        error = "cannot open the script " + path;
        return false;
    }
    data.clear();
    char buf[4096];
    std::size_t n = 0;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) {
        data.append(buf, n);
        if (data.size() > static_cast<std::size_t>(kMaxScriptBytes)) {
            std::fclose(f);
            error = "the script " + path + " is larger than 1 MiB";
            return false;
        }
    }
    std::fclose(f);
    return true;
}

int UsageError(const std::string& error) {
    Write(stderr, "uidriver: " + error);
    std::fputs(Usage().c_str(), stderr);
    return kExitUsage;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    // Reports are UTF-8 bytes whether they go to a console, a pipe or a file.
    ::SetConsoleOutputCP(CP_UTF8);
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);

    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i)
        args.push_back(Utf16ToUtf8(reinterpret_cast<const char16_t*>(argv[i])));
    Options options;
    std::string error;
    if (!ParseArgs(args, options, error)) return UsageError(error);
    if (options.help) {
        std::fputs(Usage().c_str(), stdout);
        return kExitPassed;
    }

    std::vector<Step> steps;
    if (!options.scriptPath.empty()) {
        std::string script;
        if (!LoadScript(options.scriptPath, script, error)) return UsageError(error);
        if (!ParseScript(script, steps, error)) return UsageError(options.scriptPath + ", " + error);
    }
    for (std::size_t i = 0; i < options.inlineSteps.size(); ++i) {
        if (!ParseLine(options.inlineSteps[i], "step " + std::to_string(i + 1), steps, error))
            return UsageError(error);
    }
    if (steps.empty()) return UsageError("no steps to run");

    Win32UiTarget target(options.pid, options.titlePrefix);
    ConsoleIo io;
    RunnerSettings settings;
    settings.rows = options.rows;
    settings.rowsGiven = options.rowsGiven;
    settings.autoAnswer = options.autoAnswer;
    settings.boxesLog = options.boxesLog;
    Runner runner(target, io, settings);
    return runner.Run(steps);
}

// procstat: prints the resources of the running Orvane (the process of its main window), so that
// fault tests and the long run can see whether repeated work leaks handles, threads, GDI or USER
// objects or memory.
#include <windows.h>
#include <psapi.h>
#include <tlhelp32.h>
#include <winternl.h>

#include <cstdio>
#include <algorithm>
#include <cwchar>
#include <vector>

namespace {

struct Search {
    DWORD self;
    DWORD pid;
};

BOOL CALLBACK FindOrvane(HWND h, LPARAM lp) {
    auto* s = reinterpret_cast<Search*>(lp);
    wchar_t title[128] = {};
    ::GetWindowTextW(h, title, 128);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(h, &pid);
    if (pid != s->self && std::wcsncmp(title, L"Orvane", 6) == 0 && ::IsWindowVisible(h)) {
        s->pid = pid;
        return FALSE;
    }
    return TRUE;
}

DWORD CountThreads(DWORD pid) {
    HANDLE snap = ::CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snap == INVALID_HANDLE_VALUE) return 0;
    THREADENTRY32 te{};
    te.dwSize = sizeof(te);
    DWORD n = 0;
    for (BOOL ok = ::Thread32First(snap, &te); ok; ok = ::Thread32Next(snap, &te))
        if (te.th32OwnerProcessID == pid) ++n;
    ::CloseHandle(snap);
    return n;
}

// GetProcessHandleCount answers 0 on some systems; the system's handle table is the same fact.
struct SystemHandleEntry {
    ULONG ownerPid;
    BYTE objectType;
    BYTE flags;
    USHORT handle;
    PVOID object;
    ACCESS_MASK access;
};
struct SystemHandleTable {
    ULONG count;
    SystemHandleEntry entries[1];
};
using QuerySystemInformation = LONG(WINAPI*)(ULONG, PVOID, ULONG, PULONG);

DWORD CountHandles(DWORD pid, HANDLE process) {
    DWORD counted = 0;
    if (::GetProcessHandleCount(process, &counted) && counted) return counted;
    auto query = reinterpret_cast<QuerySystemInformation>(reinterpret_cast<void*>(
        ::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation")));
    if (!query) return 0;
    std::vector<BYTE> buffer(1 << 16);
    for (int attempt = 0; attempt < 8; ++attempt) {
        ULONG needed = 0;
        LONG status = query(16 /* SystemHandleInformation */, buffer.data(),
                            static_cast<ULONG>(buffer.size()), &needed);
        if (status == 0) {
            auto* table = reinterpret_cast<SystemHandleTable*>(buffer.data());
            DWORD n = 0;
            for (ULONG i = 0; i < table->count; ++i)
                if (table->entries[i].ownerPid == pid) ++n;
            return n;
        }
        buffer.resize(std::max<size_t>(buffer.size() * 2, needed + 4096));
    }
    return 0;
}

// GetGuiResources is a stub under Wine (0, ERROR_CALL_NOT_IMPLEMENTED); there the figures are counted:
// GDI objects in the process's GDI handle table, which its PEB names (the layout Windows uses too),
// USER objects as the process's windows, the kind that a program leaks.
struct GdiHandleEntry {
    UINT64 object;
    ULONG owner;
    BYTE extType; // bit 7: a stock object
    BYTE generation;
    BYTE type; // 0: a free entry
    BYTE flags;
    UINT64 user;
};
static_assert(sizeof(GdiHandleEntry) == 24, "the 64-bit GDI handle table entry");
constexpr size_t kGdiHandleEntries = 0x10000;
constexpr size_t kPebGdiSharedHandleTable = 0xF8; // offset in the 64-bit PEB

using QueryInformationProcess = LONG(WINAPI*)(HANDLE, PROCESSINFOCLASS, PVOID, ULONG, PULONG);

// Objects the process made (stock objects left out, as the system owns them on Windows); -1 when
// the table cannot be read.
long CountGdiObjects(HANDLE process) {
    auto query = reinterpret_cast<QueryInformationProcess>(reinterpret_cast<void*>(
        ::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationProcess")));
    PROCESS_BASIC_INFORMATION info{};
    if (!query || query(process, ProcessBasicInformation, &info, sizeof(info), nullptr) != 0) return -1;
    const BYTE* peb = reinterpret_cast<const BYTE*>(info.PebBaseAddress);
    UINT64 table = 0;
    SIZE_T got = 0;
    if (!::ReadProcessMemory(process, peb + kPebGdiSharedHandleTable, &table, sizeof(table), &got) ||
        got != sizeof(table) || !table)
        return -1;
    std::vector<GdiHandleEntry> entries(kGdiHandleEntries);
    if (!::ReadProcessMemory(process, reinterpret_cast<const void*>(static_cast<ULONG_PTR>(table)),
                             entries.data(), entries.size() * sizeof(GdiHandleEntry), &got))
        return -1;
    long n = 0;
    for (size_t i = 0; i < got / sizeof(GdiHandleEntry); ++i)
        if (entries[i].type != 0 && !(entries[i].extType & 0x80)) ++n;
    return n;
}

struct WindowCount {
    DWORD pid;
    long n;
};

BOOL CALLBACK CountChild(HWND h, LPARAM lp) {
    auto* c = reinterpret_cast<WindowCount*>(lp);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(h, &pid);
    if (pid == c->pid) ++c->n;
    return TRUE;
}

BOOL CALLBACK CountTopLevel(HWND h, LPARAM lp) {
    CountChild(h, lp);
    ::EnumChildWindows(h, CountChild, lp); // every descendant, not only direct children
    return TRUE;
}

long CountWindows(DWORD pid) {
    WindowCount c{pid, 0};
    ::EnumWindows(CountTopLevel, reinterpret_cast<LPARAM>(&c));
    // Message-only windows (a socket's notification window) are not top-level ones.
    for (HWND h = ::FindWindowExW(HWND_MESSAGE, nullptr, nullptr, nullptr); h;
         h = ::FindWindowExW(HWND_MESSAGE, h, nullptr, nullptr)) {
        CountChild(h, reinterpret_cast<LPARAM>(&c));
        ::EnumChildWindows(h, CountChild, reinterpret_cast<LPARAM>(&c));
    }
    return c.n;
}

} // namespace

int wmain() {
    Search s{::GetCurrentProcessId(), 0};
    ::EnumWindows(FindOrvane, reinterpret_cast<LPARAM>(&s));
    if (!s.pid) {
        std::fprintf(stderr, "procstat: no Orvane window\n");
        return 1;
    }
    HANDLE p = ::OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, s.pid);
    if (!p) {
        std::fprintf(stderr, "procstat: cannot open process %lu\n", s.pid);
        return 1;
    }
    DWORD handles = CountHandles(s.pid, p);
    PROCESS_MEMORY_COUNTERS pmc{};
    pmc.cb = sizeof(pmc);
    ::GetProcessMemoryInfo(p, &pmc, sizeof(pmc));
    FILETIME created, exited, kernel, user;
    ::GetProcessTimes(p, &created, &exited, &kernel, &user);
    auto ms = [](FILETIME f) {
        return ((static_cast<ULONGLONG>(f.dwHighDateTime) << 32) | f.dwLowDateTime) / 10000;
    };
    long gdi = static_cast<long>(::GetGuiResources(p, GR_GDIOBJECTS));
    long userObjects = static_cast<long>(::GetGuiResources(p, GR_USEROBJECTS));
    const char* gui = "system";
    if (gdi == 0 && userObjects == 0) {
        gdi = CountGdiObjects(p);
        userObjects = CountWindows(s.pid);
        gui = "counted";
    }
    std::printf("pid=%lu handles=%lu threads=%lu workingset_kb=%llu cpu_ms=%llu gdi=%ld user=%ld gui=%s\n",
                s.pid, handles, CountThreads(s.pid),
                static_cast<unsigned long long>(pmc.WorkingSetSize / 1024), ms(kernel) + ms(user), gdi,
                userObjects, gui);
    ::CloseHandle(p);
    return 0;
}

// procstat: prints the resources of the running Orvane (the process of its main window), so that
// fault tests can see whether repeated failures leak handles, threads or memory.
#include <windows.h>
#include <psapi.h>
#include <tlhelp32.h>

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
    std::printf("pid=%lu handles=%lu threads=%lu workingset_kb=%llu cpu_ms=%llu\n", s.pid, handles,
                CountThreads(s.pid), static_cast<unsigned long long>(pmc.WorkingSetSize / 1024),
                ms(kernel) + ms(user));
    ::CloseHandle(p);
    return 0;
}

// Allocation without exceptions, with the failure a test can inject.
#include "framework/afxmem.h"

#include <atomic>
#include <cstdlib>

namespace {
std::atomic<int> g_failures{0};
}

void* AfxTryAllocate(std::size_t bytes) {
    for (int n = g_failures.load(); n > 0;)
        if (g_failures.compare_exchange_weak(n, n - 1)) return nullptr;
    // calloc: zeroed memory, and a null result rather than std::bad_alloc.
    return std::calloc(bytes ? bytes : 1, 1);
}

void AfxFreeMemory(void* p) {
    std::free(p);
}

void AfxFailNextAllocations(int count) {
    g_failures.store(count > 0 ? count : 0);
}

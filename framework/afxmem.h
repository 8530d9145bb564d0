// Memory for buffers whose size comes from outside the program: null instead of an exception.
//
// Classes: CTryBuffer (one such buffer of records, freed when its owner goes out of scope).
#pragma once

#include <cstddef>

// Null when the memory cannot be had; the caller reports that as its own failure.
void* AfxTryAllocate(std::size_t bytes);
void AfxFreeMemory(void* p);

// Test seam: the next `count` calls of AfxTryAllocate fail as if memory had run out.
void AfxFailNextAllocations(int count);

// Owns one such buffer of T records (freed when it goes out of scope); empty when it could not be had.
template <typename T> class CTryBuffer {
  public:
    explicit CTryBuffer(std::size_t count) : m_p(static_cast<T*>(AfxTryAllocate(count * sizeof(T)))) {}
    CTryBuffer(const CTryBuffer&) = delete;
    CTryBuffer& operator=(const CTryBuffer&) = delete;
    ~CTryBuffer() { AfxFreeMemory(m_p); }
    T* Get() const { return m_p; }
    explicit operator bool() const { return m_p != nullptr; }

  private:
    T* m_p;
};

// CString (wide) and CStringA (narrow): the framework's value strings, over std::basic_string.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <string>

template <typename Ch> class CStringT {
  public:
    using PCXSTR = const Ch*;

    CStringT() = default;
    CStringT(const Ch* s) : m_str(s ? s : std::basic_string<Ch>()) {}
    CStringT(const Ch* s, int n) : m_str(s, s ? static_cast<size_t>(n) : 0) {}
    CStringT(const std::basic_string<Ch>& s) : m_str(s) {}

    operator PCXSTR() const { return m_str.c_str(); }
    PCXSTR GetString() const { return m_str.c_str(); }
    const std::basic_string<Ch>& str() const { return m_str; }

    int GetLength() const { return static_cast<int>(m_str.size()); }
    bool IsEmpty() const { return m_str.empty(); }
    void Empty() { m_str.clear(); }

    CStringT Left(int n) const { return m_str.substr(0, Clamp(n)); }
    int Find(PCXSTR s) const { return ToIndex(m_str.find(s)); }

    // Wide formats take wide strings with %ls and narrow ones with %hs on every C runtime.
    void Format(PCXSTR fmt, ...) {
        va_list ap;
        va_start(ap, fmt);
        FormatV(fmt, ap);
        va_end(ap);
    }
    void FormatV(PCXSTR fmt, va_list ap);

    CStringT& operator=(PCXSTR s) {
        m_str = s ? s : std::basic_string<Ch>();
        return *this;
    }
    friend CStringT operator+(const CStringT& a, const CStringT& b) { return CStringT(a.m_str + b.m_str); }
    friend bool operator==(const CStringT& a, const CStringT& b) { return a.m_str == b.m_str; }
    friend bool operator==(const CStringT& a, PCXSTR b) { return a.m_str == (b ? b : EmptyStr()); }
    friend bool operator!=(const CStringT& a, const CStringT& b) { return !(a == b); }

  private:
    static const Ch* EmptyStr() {
        static const Ch e[1] = {0};
        return e;
    }
    size_t Clamp(int n) const {
        if (n < 0) return 0;
        return static_cast<size_t>(n) > m_str.size() ? m_str.size() : static_cast<size_t>(n);
    }
    static int ToIndex(size_t pos) { return pos == std::basic_string<Ch>::npos ? -1 : static_cast<int>(pos); }

    std::basic_string<Ch> m_str;
};

using CString = CStringT<wchar_t>;
using CStringA = CStringT<char>;

// Conversions between the program's wide texts and the narrow texts of traces and wire protocols.
CString AfxUtf8ToWide(const char* s);
CStringA AfxWideToAnsi(const wchar_t* s); // the ANSI code page, for the narrow Win32 calls

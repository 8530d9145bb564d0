// CString (wide) and CStringA (narrow): the framework's value strings, over std::basic_string.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <string>

template <typename Ch> class CStringT {
  public:
    using XCHAR = Ch;
    using PCXSTR = const Ch*;

    CStringT() = default;
    CStringT(const Ch* s) : m_str(s ? s : std::basic_string<Ch>()) {}
    CStringT(const Ch* s, int n) : m_str(s, s ? static_cast<size_t>(n) : 0) {}
    CStringT(Ch c, int n = 1) : m_str(static_cast<size_t>(n), c) {}
    CStringT(const std::basic_string<Ch>& s) : m_str(s) {}

    operator PCXSTR() const { return m_str.c_str(); }
    PCXSTR GetString() const { return m_str.c_str(); }
    const std::basic_string<Ch>& str() const { return m_str; }

    int GetLength() const { return static_cast<int>(m_str.size()); }
    bool IsEmpty() const { return m_str.empty(); }
    void Empty() { m_str.clear(); }
    Ch GetAt(int i) const { return m_str.at(static_cast<size_t>(i)); }
    Ch operator[](int i) const { return GetAt(i); }
    void SetAt(int i, Ch c) { m_str.at(static_cast<size_t>(i)) = c; }

    CStringT Left(int n) const { return m_str.substr(0, Clamp(n)); }
    CStringT Right(int n) const {
        size_t k = Clamp(n);
        return m_str.substr(m_str.size() - k);
    }
    CStringT Mid(int first) const { return first >= GetLength() ? CStringT() : m_str.substr(Clamp(first)); }
    CStringT Mid(int first, int n) const {
        return first >= GetLength() ? CStringT() : CStringT(m_str.substr(Clamp(first), Clamp(n)));
    }
    int Find(Ch c, int start = 0) const { return ToIndex(m_str.find(c, Clamp(start))); }
    int Find(PCXSTR s, int start = 0) const { return ToIndex(m_str.find(s, Clamp(start))); }
    CStringT& MakeUpper() {
        for (auto& c : m_str)
            if (c >= 'a' && c <= 'z') c = static_cast<Ch>(c - 'a' + 'A');
        return *this;
    }
    CStringT& MakeLower() {
        for (auto& c : m_str)
            if (c >= 'A' && c <= 'Z') c = static_cast<Ch>(c - 'A' + 'a');
        return *this;
    }
    CStringT& TrimRight() {
        while (!m_str.empty() && IsSpace(m_str.back()))
            m_str.pop_back();
        return *this;
    }
    CStringT& TrimLeft() {
        size_t i = 0;
        while (i < m_str.size() && IsSpace(m_str[i]))
            ++i;
        m_str.erase(0, i);
        return *this;
    }
    CStringT& Trim() { return TrimRight().TrimLeft(); }

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
    CStringT& operator+=(const CStringT& s) {
        m_str += s.m_str;
        return *this;
    }
    CStringT& operator+=(PCXSTR s) {
        if (s) m_str += s;
        return *this;
    }
    CStringT& operator+=(Ch c) {
        m_str += c;
        return *this;
    }
    friend CStringT operator+(const CStringT& a, const CStringT& b) { return CStringT(a.m_str + b.m_str); }
    friend CStringT operator+(const CStringT& a, PCXSTR b) {
        return CStringT(a.m_str + (b ? b : EmptyStr()));
    }
    friend CStringT operator+(PCXSTR a, const CStringT& b) {
        return CStringT((a ? a : EmptyStr()) + b.m_str);
    }
    friend bool operator==(const CStringT& a, const CStringT& b) { return a.m_str == b.m_str; }
    friend bool operator==(const CStringT& a, PCXSTR b) { return a.m_str == (b ? b : EmptyStr()); }
    friend bool operator!=(const CStringT& a, const CStringT& b) { return !(a == b); }
    friend bool operator!=(const CStringT& a, PCXSTR b) { return !(a == b); }
    friend bool operator<(const CStringT& a, const CStringT& b) { return a.m_str < b.m_str; }

  private:
    static const Ch* EmptyStr() {
        static const Ch e[1] = {0};
        return e;
    }
    static bool IsSpace(Ch c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
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
CStringA AfxWideToUtf8(const wchar_t* s);
CString AfxUtf8ToWide(const char* s);
CStringA AfxWideToAnsi(const wchar_t* s); // the ANSI code page, for the narrow Win32 calls

// CString formatting and the text conversions of the framework.
#include "framework/afxstr.h"

#include <cstdio>
#include <cwchar>
#include <vector>
#include <windows.h>

template <> void CStringT<char>::FormatV(const char* fmt, va_list ap) {
    va_list copy;
    va_copy(copy, ap);
    int n = std::vsnprintf(nullptr, 0, fmt, copy);
    va_end(copy);
    if (n < 0) {
        m_str.clear();
        return;
    }
    std::vector<char> buf(static_cast<size_t>(n) + 1);
    std::vsnprintf(buf.data(), buf.size(), fmt, ap);
    m_str.assign(buf.data(), static_cast<size_t>(n));
}

namespace {

// vswprintf cannot report the needed size: the buffer starts at this many characters and doubles until
// the text fits, up to the limit, past which the result is empty.
constexpr size_t kWideFormatFirstChars = 256;
constexpr size_t kWideFormatMaxChars = size_t{1} << 20;

} // namespace

template <> void CStringT<wchar_t>::FormatV(const wchar_t* fmt, va_list ap) {
    std::vector<wchar_t> buf(kWideFormatFirstChars);
    for (;;) {
        va_list copy;
        va_copy(copy, ap);
        int n = std::vswprintf(buf.data(), buf.size(), fmt, copy);
        va_end(copy);
        if (n >= 0 && static_cast<size_t>(n) < buf.size()) {
            m_str.assign(buf.data(), static_cast<size_t>(n));
            return;
        }
        if (buf.size() > kWideFormatMaxChars) {
            m_str.clear();
            return;
        }
        buf.resize(buf.size() * 2);
    }
}

CStringA AfxWideToAnsi(const wchar_t* s) {
    if (!s || !*s) return CStringA();
    int n = WideCharToMultiByte(CP_ACP, 0, s, -1, nullptr, 0, nullptr, nullptr);
    if (n <= 1) return CStringA();
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_ACP, 0, s, -1, out.data(), n, nullptr, nullptr);
    out.resize(static_cast<size_t>(n - 1));
    return CStringA(out);
}

CString AfxUtf8ToWide(const char* s) {
    if (!s || !*s) return CString();
    int n = MultiByteToWideChar(CP_UTF8, 0, s, -1, nullptr, 0);
    if (n <= 1) return CString();
    std::wstring out(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, s, -1, out.data(), n);
    out.resize(static_cast<size_t>(n - 1));
    return CString(out);
}

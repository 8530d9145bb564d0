// CString and CStringA in GoogleTest's messages: quoted, control characters escaped, the rest in UTF-8.
#include "tests/win/support/cstring_printer.h"

#include <windows.h>

#include <cwchar>
#include <ostream>
#include <string>

namespace {

void PrintQuoted(const char* prefix, const std::wstring& text, std::ostream* os) {
    std::wstring escaped;
    for (wchar_t c : text) {
        if (c == L'"' || c == L'\\') escaped += L'\\';
        if (c == L'\r' || c == L'\n') {
            escaped += c == L'\r' ? L"\\r" : L"\\n";
        } else if (c < 0x20) {
            wchar_t hex[8];
            std::swprintf(hex, 8, L"\\x%02X", static_cast<unsigned>(c));
            escaped += hex;
        } else {
            escaped += c;
        }
    }
    const int n = static_cast<int>(escaped.size());
    std::string utf8(static_cast<size_t>(
                         ::WideCharToMultiByte(CP_UTF8, 0, escaped.data(), n, nullptr, 0, nullptr, nullptr)),
                     '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, escaped.data(), n, utf8.data(), static_cast<int>(utf8.size()), nullptr,
                          nullptr);
    *os << prefix << '"' << utf8 << '"';
}

} // namespace

void PrintTo(const CString& text, std::ostream* os) {
    PrintQuoted("L", text.str(), os);
}

void PrintTo(const CStringA& text, std::ostream* os) {
    const std::string& bytes = text.str();
    const int n = static_cast<int>(bytes.size());
    std::wstring wide(static_cast<size_t>(::MultiByteToWideChar(CP_ACP, 0, bytes.data(), n, nullptr, 0)),
                      L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, bytes.data(), n, wide.data(), static_cast<int>(wide.size()));
    PrintQuoted("", wide, os);
}

// Korean texts as the users' PCs write them in the ANSI code page: code page 949, whatever the test's own
// locale.
#pragma once

#include <string>
#include <windows.h>

inline std::string Cp949(const char* utf8) {
    wchar_t wide[512] = {};
    const int n = ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8, -1, wide, 512);
    char bytes[1024] = {};
    if (n <= 0 || ::WideCharToMultiByte(949, 0, wide, -1, bytes, sizeof bytes, nullptr, nullptr) <= 0)
        return {};
    return bytes;
}

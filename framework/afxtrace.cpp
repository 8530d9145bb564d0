// Traces: the program's UTF-8 texts converted to the ANSI code page for the debugger and the test sink.
#include "framework/afxtrace.h"

#include <cassert>
#include <cstdarg>
#include <mutex>

#include "framework/afxstr.h"
#include "framework/afxtypes.h"

namespace {

constexpr unsigned char kLastAsciiChar = 0x7F;

std::mutex g_traceMutex;
AfxTraceSink g_traceSink;

bool IsAscii(const char* text) {
    for (; *text; ++text)
        if (static_cast<unsigned char>(*text) > kLastAsciiChar) return false;
    return true;
}

// The program's own texts are written in UTF-8; a debugger on the user's PC reads the ANSI code page
// (949 on Korean Windows). Characters the code page lacks become its default character.
CStringA OwnTextToAnsi(const char* utf8) {
    return IsAscii(utf8) ? CStringA(utf8) : AfxWideToAnsi(AfxUtf8ToWide(utf8));
}

void EmitTrace(const CStringA& line) {
    ::OutputDebugStringA(line);
    std::lock_guard<std::mutex> lock(g_traceMutex);
    if (g_traceSink) g_traceSink(line);
}

} // namespace

void AfxTrace(const char* fmt, ...) {
    assert(fmt);
    // Only the format is the program's text: arguments (replies, list entries) go out as the bytes they are.
    const CStringA ansiFormat = OwnTextToAnsi(fmt);
    CStringA line;
    va_list ap;
    va_start(ap, fmt);
    line.FormatV(ansiFormat, ap);
    va_end(ap);
    EmitTrace(line);
}

void AfxTraceText(const char* utf8Line) {
    assert(utf8Line);
    EmitTrace(OwnTextToAnsi(utf8Line));
}

void AfxSetTraceSink(AfxTraceSink sink) {
    std::lock_guard<std::mutex> lock(g_traceMutex);
    g_traceSink = std::move(sink);
}

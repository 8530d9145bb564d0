// Traces: lines for the debugger output in the system's ANSI code page, and the sink tests read them from.
#pragma once

#include <functional>

// Formats one trace line and writes it to the debugger output (OutputDebugStringA) in the system's
// ANSI code page. The format is the program's own UTF-8 text; %s arguments are passed on as their bytes.
void AfxTrace(const char* fmt, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;
// A whole line of the program's own UTF-8 text (already formatted), in the ANSI code page like AfxTrace.
void AfxTraceText(const char* utf8Line);
// Tests see every line exactly as the debugger gets it; empty to stop.
using AfxTraceSink = std::function<void(const char* line)>;
void AfxSetTraceSink(AfxTraceSink sink);

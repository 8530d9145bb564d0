// How GoogleTest shows a CString or CStringA in a failed assertion: as quoted text in UTF-8, the test
// console's code page, rather than as the bytes of the object. Found by argument-dependent lookup, so
// every test source that compares them includes this.
#pragma once

#include <iosfwd>

#include "framework/afxstr.h"

void PrintTo(const CString& text, std::ostream* os);
void PrintTo(const CStringA& text, std::ostream* os); // text in the ANSI code page, as the program holds it

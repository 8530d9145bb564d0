// The AP's address compiled into the program: one object per build flavour.

const wchar_t* OrvaneApAddress() {
    return L"" ORVANE_AP_ADDRESS;
}

// The program's entry point: the global application object does the rest.
#include "framework/afxwin.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
    return AfxWinMain();
}

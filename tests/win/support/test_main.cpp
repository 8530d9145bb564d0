// Entry point of the Windows test executables: GoogleTest on the thread that will own every window.
#include <gtest/gtest.h>
#include <windows.h>

int main(int argc, char** argv) {
    // Wine's console takes UTF-8; test names and failure texts may carry Hangul.
    SetConsoleOutputCP(CP_UTF8);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

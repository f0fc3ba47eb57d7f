// Stands in for sing-box.exe in tests. It records where it ran and how it was
// called, prints a few lines to standard output and standard error, and then
// behaves as the environment variable KORVANE_SINGBOX_MODE says:
//   "stay" (or unset)  keeps running until it is ended;
//   "exit"             exits at once with code 3;
//   "exit-after-5s"    exits with code 4 after 5 seconds.
// KORVANE_SINGBOX_RECORD names a file that receives three UTF-8 lines: the
// working directory, the raw command line (parse it with CommandLineToArgvW)
// and the process id.

#include <windows.h>

#include <string>

#include "tests/standins/standin_support.h"

using namespace korvane::standin;

int main() {
    if (const std::wstring path = variable(L"KORVANE_SINGBOX_RECORD"); !path.empty()) {
        writeRecord(path);
    }
    for (int i = 1; i <= 3; ++i) {
        print(STD_OUTPUT_HANDLE, "sing-box stand-in line " + std::to_string(i) + "\n");
    }
    print(STD_ERROR_HANDLE, "sing-box stand-in error line\n");

    const std::wstring mode = variable(L"KORVANE_SINGBOX_MODE");
    if (mode == L"exit") {
        return 3;
    }
    if (mode == L"exit-after-5s") {
        ::Sleep(5000);
        return 4;
    }
    for (;;) {
        ::Sleep(INFINITE);
    }
}

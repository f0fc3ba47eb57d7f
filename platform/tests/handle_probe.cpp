// Started by the launcher's tests. Writes "probe" to standard output and exits
// with the number of the handle values on its command line (decimal) that
// are open in this process, so that the tests see which handles it inherited.

#include <windows.h>

#include <string>

int wmain(int argc, wchar_t* argv[]) {
    DWORD written = 0;
    ::WriteFile(::GetStdHandle(STD_OUTPUT_HANDLE), "probe\n", 6, &written, nullptr);
    int open = 0;
    for (int i = 1; i < argc; ++i) {
        const auto value = static_cast<std::uintptr_t>(std::stoull(argv[i]));
        DWORD flags = 0;
        if (::GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags)) {
            ++open;
        }
    }
    return open;
}

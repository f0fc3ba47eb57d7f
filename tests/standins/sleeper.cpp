// Stands in for a running client in tests: sleeps the number of milliseconds
// given as its argument (none or an unreadable one: no time), then exits.

#include <windows.h>

#include <cstdlib>

int main(int argc, char* argv[]) {
    const unsigned long milliseconds = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 0;
    ::Sleep(static_cast<DWORD>(milliseconds));
    return 0;
}

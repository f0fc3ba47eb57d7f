// Launches one program through launchWithLog and then waits to be killed.
// Arguments: the service executable path to pretend (it decides where the log
// goes), the program, and a file that receives the child's process id.

#include <windows.h>

#include <shellapi.h>

#include <fstream>
#include <string>

#include "runtime/process/launch.h"
#include "runtime/process/runtime_layout.h"

int main() {
    int argc = 0;
    wchar_t** argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
    if (argv == nullptr || argc != 4) {
        return 2;
    }
    const korvane::runtime::RuntimeLayout layout{std::filesystem::path(argv[1])};
    auto child = korvane::runtime::launchWithLog(layout, "helper-child", {argv[2], {}, {}});
    if (!child) {
        return 3;
    }
    const std::wstring target = argv[3];
    const std::wstring partial = target + L".partial";
    {
        std::ofstream out(std::filesystem::path(partial), std::ios::binary);
        out << child->id;
    }
    ::MoveFileExW(partial.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING);
    ::Sleep(INFINITE);
    return 0;
}

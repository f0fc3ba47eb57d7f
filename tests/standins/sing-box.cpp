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

namespace {

std::wstring variable(const wchar_t* name) {
    wchar_t buffer[32768];
    const DWORD length = ::GetEnvironmentVariableW(name, buffer, 32768);
    return length > 0 && length < 32768 ? std::wstring(buffer, length) : std::wstring();
}

std::string utf8(const std::wstring& text) {
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                           nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(size), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size,
                          nullptr, nullptr);
    return out;
}

// Unbuffered, so that nothing is lost when the process is terminated.
void print(DWORD stream, const std::string& line) {
    DWORD written = 0;
    ::WriteFile(::GetStdHandle(stream), line.data(), static_cast<DWORD>(line.size()), &written,
                nullptr);
}

// Written beside and then moved over the target, so a reader never sees half.
void record(const std::wstring& path) {
    wchar_t directory[32768];
    const DWORD length = ::GetCurrentDirectoryW(32768, directory);
    const std::string text = utf8(std::wstring(directory, length)) + "\n" +
                             utf8(::GetCommandLineW()) + "\n" +
                             std::to_string(::GetCurrentProcessId()) + "\n";
    const std::wstring partial = path + L".partial";
    HANDLE file = ::CreateFileW(partial.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return;
    }
    DWORD written = 0;
    ::WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    ::CloseHandle(file);
    ::MoveFileExW(partial.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING);
}

}  // namespace

int main() {
    if (const std::wstring path = variable(L"KORVANE_SINGBOX_RECORD"); !path.empty()) {
        record(path);
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

#pragma once
// What the stand-in programs share: their settings come from environment
// variables (children inherit the test's environment), and they tell the
// tests how they were started through a record file.

#include <windows.h>

#include <string>
#include <string_view>

#include "common/text.h"
#include "platform/handles.h"

namespace korvane::standin {

// The variable's value; empty when it is unset or too long.
inline std::wstring variable(const wchar_t* name) {
    wchar_t buffer[32768];
    const DWORD length = ::GetEnvironmentVariableW(name, buffer, 32768);
    return length > 0 && length < 32768 ? std::wstring(buffer, length) : std::wstring();
}

// Unbuffered, so that nothing is lost when the process is terminated.
inline void print(DWORD stream, const std::string& line) {
    DWORD written = 0;
    ::WriteFile(::GetStdHandle(stream), line.data(), static_cast<DWORD>(line.size()), &written,
                nullptr);
}

// Three UTF-8 lines: the working directory, the raw command line (to be split
// with CommandLineToArgvW) and the process id. Written beside and then moved
// over the target, so a reader never sees half of it.
inline void writeRecord(const std::wstring& path) {
    wchar_t directory[32768];
    const DWORD length = ::GetCurrentDirectoryW(32768, directory);
    const std::string text = narrow(std::wstring_view(directory, length)) + "\n" +
                             narrow(::GetCommandLineW()) + "\n" +
                             std::to_string(::GetCurrentProcessId()) + "\n";
    const std::wstring partial = path + L".partial";
    {
        const platform::UniqueFile file(::CreateFileW(partial.c_str(), GENERIC_WRITE, 0, nullptr,
                                                      CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                                      nullptr));
        if (!file) {
            return;
        }
        DWORD written = 0;
        ::WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    }
    ::MoveFileExW(partial.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING);
}

}  // namespace korvane::standin

#include "platform/error_line.h"

#include <windows.h>

#include <string>

#include "platform/handles.h"
#include "platform/wide.h"
#include "platform/write_all.h"

namespace korvane::platform {
namespace {

void writeLine(HANDLE target, std::string_view message) {
    const std::string line = std::string(message) + "\n";
    DWORD mode = 0;
    if (::GetConsoleMode(target, &mode)) {
        // A console shows UTF-16 correctly whatever its code page.
        const std::wstring wide = widen(line);
        DWORD written = 0;
        ::WriteConsoleW(target, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
        return;
    }
    // Nowhere is left to report a failure to write the error line.
    (void)writeAll(target, line);
}

}  // namespace

void writeErrorLine(std::string_view message) {
    const HANDLE standardError = ::GetStdHandle(STD_ERROR_HANDLE);
    if (standardError != nullptr && standardError != INVALID_HANDLE_VALUE) {
        writeLine(standardError, message);
        return;
    }
    if (!::AttachConsole(ATTACH_PARENT_PROCESS)) {
        return;
    }
    const UniqueFile console(::CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE,
                                           FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                           OPEN_EXISTING, 0, nullptr));
    if (console) {
        writeLine(console.get(), message);
    }
    ::FreeConsole();
}

}  // namespace korvane::platform

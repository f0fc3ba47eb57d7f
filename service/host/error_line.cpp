#include "service/host/error_line.h"

#include <windows.h>

#include <string>

#include "platform/handles.h"
#include "platform/wide.h"

namespace korvane::service {
namespace {

void writeBytes(HANDLE target, std::string_view bytes) {
    while (!bytes.empty()) {
        DWORD written = 0;
        if (!::WriteFile(target, bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                         nullptr) ||
            written == 0) {
            return;
        }
        bytes.remove_prefix(written);
    }
}

void writeLine(HANDLE target, std::string_view message) {
    const std::string line = std::string(message) + "\n";
    DWORD mode = 0;
    if (::GetConsoleMode(target, &mode)) {
        // A console shows UTF-16 correctly whatever its code page.
        const std::wstring wide = platform::widen(line);
        DWORD written = 0;
        ::WriteConsoleW(target, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
        return;
    }
    writeBytes(target, line);
}

void writeStandardLine(DWORD stream, std::string_view message) {
    const HANDLE standard = ::GetStdHandle(stream);
    if (standard != nullptr && standard != INVALID_HANDLE_VALUE) {
        writeLine(standard, message);
        return;
    }
    if (!::AttachConsole(ATTACH_PARENT_PROCESS)) {
        return;
    }
    const platform::UniqueFile console(::CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE,
                                                     FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                                     OPEN_EXISTING, 0, nullptr));
    if (console) {
        writeLine(console.get(), message);
    }
    ::FreeConsole();
}

}  // namespace

void writeErrorLine(std::string_view message) {
    writeStandardLine(STD_ERROR_HANDLE, message);
}

void writeOutputLine(std::string_view message) {
    writeStandardLine(STD_OUTPUT_HANDLE, message);
}

}  // namespace korvane::service

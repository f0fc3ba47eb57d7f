#include "platform/error_line.h"

#include <windows.h>

#include <mutex>
#include <string>

#include "platform/console_interrupt.h"
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
    // Nowhere is left to report a failure to write the line.
    (void)writeAll(target, line);
}

// The stream `which` (STD_OUTPUT_HANDLE or STD_ERROR_HANDLE), or else the
// parent's console.
void writeStandardLine(DWORD which, std::string_view message) {
    const HANDLE stream = ::GetStdHandle(which);
    if (stream != nullptr && stream != INVALID_HANDLE_VALUE) {
        writeLine(stream, message);
        return;
    }
    const std::lock_guard lock(consoleAttachmentLock());
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

}  // namespace

void writeErrorLine(std::string_view message) {
    writeStandardLine(STD_ERROR_HANDLE, message);
}

void writeOutputLine(std::string_view message) {
    writeStandardLine(STD_OUTPUT_HANDLE, message);
}

}  // namespace korvane::platform

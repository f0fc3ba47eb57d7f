#include "platform/output_pipe.h"

#include <atomic>
#include <string>

#include "platform/os_error.h"

namespace korvane::platform {

namespace {

constexpr DWORD kBufferBytes = 64 * 1024;

}  // namespace

Result<OutputPipe> createOutputPipe() {
    static std::atomic<unsigned> created{0};
    const std::wstring name = L"\\\\.\\pipe\\korvane-output-" +
                              std::to_wstring(::GetCurrentProcessId()) + L"-" +
                              std::to_wstring(created++);
    // N.B. One instance, and it must be the first of that name: a program that
    // created the name before gets our creation refused instead of our output.
    // The write end is opened at once, and a second one cannot connect.
    OutputPipe pipe;
    pipe.readEnd.reset(::CreateNamedPipeW(
        name.c_str(), PIPE_ACCESS_INBOUND | FILE_FLAG_OVERLAPPED | FILE_FLAG_FIRST_PIPE_INSTANCE,
        PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS, 1, 0,
        kBufferBytes, 0, nullptr));
    if (!pipe.readEnd) {
        return fail(lastOsErrorText());
    }
    pipe.writeEnd.reset(::CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!pipe.writeEnd) {
        return fail(lastOsErrorText());
    }
    return pipe;
}

}  // namespace korvane::platform

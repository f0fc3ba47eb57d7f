#include "platform/console_interrupt.h"

#include <windows.h>

#include <atomic>
#include <chrono>
#include <string>

#include "platform/handles.h"
#include "platform/os_error.h"

namespace korvane::platform {
namespace {

using SteadyClock = std::chrono::steady_clock;

// An interrupt raised in a console reaches every process attached to it, this
// one too, on a thread of its own and possibly after the sequence ended.
constexpr SteadyClock::duration kOwnInterruptWindow = std::chrono::seconds(2);
std::atomic<SteadyClock::rep> lastRaised{SteadyClock::duration::min().count()};

// N.B. The handler stays installed for good and ignores only a Ctrl+C that
// arrives within kOwnInterruptWindow of one we raised: removing it after the
// sequence would let the late delivery of our own event end the service, and
// ignoring every Ctrl+C would keep the user from ending console mode with one.
// Anything else goes on to the next handler (by default, the process ends).
BOOL WINAPI ignoreOwnInterrupt(DWORD event) {
    const SteadyClock::rep now = SteadyClock::now().time_since_epoch().count();
    return event == CTRL_C_EVENT && now - kOwnInterruptWindow.count() < lastRaised.load();
}

struct StandardHandles {
    HANDLE input = ::GetStdHandle(STD_INPUT_HANDLE);
    HANDLE output = ::GetStdHandle(STD_OUTPUT_HANDLE);
    HANDLE error = ::GetStdHandle(STD_ERROR_HANDLE);

    void restore() const {
        ::SetStdHandle(STD_INPUT_HANDLE, input);
        ::SetStdHandle(STD_OUTPUT_HANDLE, output);
        ::SetStdHandle(STD_ERROR_HANDLE, error);
    }
};

// N.B. Wine's FreeConsole closes the standard handles that AttachConsole (or
// the process's start) made for the console: whatever they are at that moment.
// So they are cleared before the first FreeConsole, and are the attachment's
// own before the second, never ours.
void detachConsole(const StandardHandles& current) {
    current.restore();
    ::FreeConsole();
}

// Within the attached console: the ignoring handler, CONIN$ as standard input
// (without one, Wine's GenerateConsoleCtrlEvent fails with error 6), and the
// event for every process attached to it.
Status raiseInAttachedConsole() {
    static bool handlerInstalled = false;  // under consoleAttachmentLock
    if (!handlerInstalled) {
        if (!::SetConsoleCtrlHandler(ignoreOwnInterrupt, TRUE)) {
            return fail("SetConsoleCtrlHandler: " + lastOsErrorText());
        }
        handlerInstalled = true;
    }
    const StandardHandles attached;
    const UniqueFile input(::CreateFileW(L"CONIN$", GENERIC_READ | GENERIC_WRITE,
                                         FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                         0, nullptr));
    if (!input) {
        const std::string error = lastOsErrorText();
        detachConsole(attached);
        return fail("CONIN$: " + error);
    }
    ::SetStdHandle(STD_INPUT_HANDLE, input.get());
    lastRaised = SteadyClock::now().time_since_epoch().count();
    const bool raised = ::GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0);
    const std::string error = raised ? std::string() : lastOsErrorText();
    detachConsole(attached);
    if (!raised) {
        return fail("GenerateConsoleCtrlEvent: " + error);
    }
    return {};
}

}  // namespace

std::mutex& consoleAttachmentLock() {
    static std::mutex lock;
    return lock;
}

// N.B. The service is a program of the graphical subsystem: it holds no
// console of its own, and attaches to one only for a moment under
// consoleAttachmentLock, so freeing "its" console first loses nothing. (A
// console program, such as a test, loses its console here; its standard
// handles stay usable when they are files or pipes.) Its standard handles, on
// which console mode writes, are put back.
Status sendConsoleInterrupt(std::uint32_t processId) {
    const std::lock_guard lock(consoleAttachmentLock());
    const StandardHandles saved;
    detachConsole(StandardHandles{nullptr, nullptr, nullptr});
    Status raised;
    if (::AttachConsole(processId)) {
        raised = raiseInAttachedConsole();
    } else {
        raised = fail("AttachConsole: " + lastOsErrorText());
    }
    saved.restore();
    return raised;
}

}  // namespace korvane::platform

#pragma once
// The one way the service, the updater and their tests start a program: an
// exact program file, arguments that read back unchanged, and exactly the
// handles the caller names for the child to inherit.

#include <windows.h>

#include <filesystem>
#include <string>
#include <vector>

#include "common/result.h"
#include "platform/handles.h"

namespace korvane::platform {

// Owns what CreateProcessW gives back; releasing it does not end the process.
struct UniqueProcessInformation {
    UniqueProcess process;
    UniqueThread thread;
    DWORD id = 0;
};

struct ProcessLaunch {
    // The file that runs, as given: never searched for along any path.
    std::filesystem::path program{};
    // Quoted with buildCommandLine after the program, so that the child reads
    // back exactly these.
    std::vector<std::wstring> arguments{};
    // The child's standard streams, and the only handles it inherits; null
    // for a stream it does not get. The caller's handles need not be
    // inheritable.
    HANDLE input = nullptr;
    HANDLE output = nullptr;
    HANDLE error = nullptr;
    // Empty: this process's current folder.
    std::filesystem::path workingDirectory{};
    // CreateProcessW's creation flags (CREATE_NO_WINDOW and the like).
    DWORD creationFlags = 0;
    // When given, the child is put into this job before it runs a single
    // instruction, so that nothing it starts can escape the job.
    HANDLE job = nullptr;
};

// Starts the program with this process's environment. A program, folder or
// argument holding a NUL character is refused (ERROR_INVALID_PARAMETER's
// text), since CreateProcessW would read a different text. Failure: the
// system's text for the call that failed; nothing runs then.
Result<UniqueProcessInformation> launchProcess(const ProcessLaunch& launch);

}  // namespace korvane::platform

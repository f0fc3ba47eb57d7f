#include "updater/executable_replacement.h"

#include <windows.h>

#include "platform/os_error.h"

namespace korvane::updater {
namespace {

// The copy keeps the source's attributes; a read-only one would refuse deletion.
void removeTemporary(const std::wstring& path) {
    ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    ::DeleteFileW(path.c_str());
}

}  // namespace

Status replaceExecutable(const std::wstring& source, const std::wstring& target) {
    // Beside the target by construction, so the final rename stays on one
    // volume; the process id keeps two updaters apart.
    const std::wstring temporary =
        target + L".update-" + std::to_wstring(::GetCurrentProcessId()) + L".tmp";
    // Never overwrite a file that this run did not create.
    if (!::CopyFileW(source.c_str(), temporary.c_str(), TRUE)) {
        const DWORD error = ::GetLastError();
        if (error != ERROR_FILE_EXISTS) {
            removeTemporary(temporary);
        }
        return fail(platform::osErrorText(error));
    }
    if (!::MoveFileExW(temporary.c_str(), target.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        const std::string error = platform::lastOsErrorText();
        removeTemporary(temporary);
        return fail(error);
    }
    return {};
}

}  // namespace korvane::updater

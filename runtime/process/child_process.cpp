#include "runtime/process/child_process.h"

#include "platform/os_error.h"

namespace korvane::runtime {

Result<bool> hasExited(const ChildProcess& child) {
    switch (::WaitForSingleObject(child.process.get(), 0)) {
        case WAIT_TIMEOUT:
            return false;
        case WAIT_OBJECT_0: {
            DWORD exitCode = 0;
            if (!::GetExitCodeProcess(child.process.get(), &exitCode)) {
                return fail(platform::lastOsErrorText());
            }
            if (child.output) {
                child.output->awaitDrained();
            }
            return true;
        }
        default:
            return fail(platform::lastOsErrorText());
    }
}

}  // namespace korvane::runtime

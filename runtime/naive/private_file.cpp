#include "runtime/naive/private_file.h"

#include <aclapi.h>
#include <sddl.h>

#include "platform/handles.h"
#include "platform/os_error.h"
#include "platform/wide.h"
#include "platform/write_all.h"
#include "runtime/process/file_io.h"

namespace korvane::runtime {

using platform::lastOsErrorText;

Result<SecurityDescriptor> privateFileDescriptor() {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(kPrivateFileSddl, SDDL_REVISION_1,
                                                                &descriptor, nullptr)) {
        return fail(lastOsErrorText());
    }
    return SecurityDescriptor(descriptor);
}

std::string daclText(PSECURITY_DESCRIPTOR descriptor) {
    platform::UniqueLocalMemory<LPWSTR> text;
    if (!::ConvertSecurityDescriptorToStringSecurityDescriptorW(
            descriptor, SDDL_REVISION_1, DACL_SECURITY_INFORMATION, text.put(), nullptr)) {
        return {};
    }
    return platform::narrow(text.get());
}

DWORD applyDacl(HANDLE file, PSECURITY_DESCRIPTOR descriptor) {
    BOOL present = FALSE;
    BOOL defaulted = FALSE;
    PACL dacl = nullptr;
    if (!::GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted)) {
        return ::GetLastError();
    }
    return ::SetSecurityInfo(file, SE_FILE_OBJECT,
                             DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION,
                             nullptr, nullptr, dacl, nullptr);
}

Status writePrivateFile(const std::filesystem::path& path, std::string_view content,
                        const DaclApplier& apply) {
    auto descriptor = privateFileDescriptor();
    if (!descriptor) {
        return fail(descriptor.error());
    }
    SECURITY_ATTRIBUTES attributes{};
    attributes.nLength = sizeof attributes;
    attributes.lpSecurityDescriptor = descriptor->get();
    return replaceFile(
        path,
        [&](HANDLE file) -> Status {
            // Born with the DACL; set again, protected, before any content.
            if (const DWORD error = apply(file, descriptor->get()); error != ERROR_SUCCESS) {
                return fail(platform::osErrorText(error));
            }
            return platform::writeAll(file, content);
        },
        &attributes);
}

}  // namespace korvane::runtime

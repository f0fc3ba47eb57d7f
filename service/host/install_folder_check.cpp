#include "service/host/install_folder_check.h"

#include <aclapi.h>
#include <sddl.h>

#include <algorithm>
#include <string_view>

#include "platform/os_error.h"
#include "platform/wide.h"
#include "runtime/process/runtime_layout.h"

namespace korvane::service {
namespace {

// Rights that let a principal put other code in place: writing or appending
// data (adding files or folders), deleting (the object or a child), and
// rewriting the DACL or the owner; generic rights that include them.
constexpr ACCESS_MASK kReplacingRights = FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_DELETE_CHILD |
                                         DELETE | WRITE_DAC | WRITE_OWNER | GENERIC_WRITE |
                                         GENERIC_ALL | MAXIMUM_ALLOWED;

constexpr std::wstring_view kSystemSid = L"S-1-5-18";
constexpr std::wstring_view kAdministratorsSid = L"S-1-5-32-544";
constexpr std::wstring_view kTrustedInstallerSid =
    L"S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464";
constexpr std::wstring_view kCreatorOwnerSid = L"S-1-3-0";
constexpr std::wstring_view kEveryoneSid = L"S-1-1-0";

std::wstring sidText(PSID sid) {
    platform::UniqueLocalMemory<LPWSTR> text;
    if (!::ConvertSidToStringSidW(sid, text.put())) {
        return {};
    }
    return text.get();
}

std::string principalName(PSID sid) {
    wchar_t name[256];
    wchar_t domain[256];
    DWORD nameLength = static_cast<DWORD>(std::size(name));
    DWORD domainLength = static_cast<DWORD>(std::size(domain));
    SID_NAME_USE use{};
    if (!::LookupAccountSidW(nullptr, sid, name, &nameLength, domain, &domainLength, &use)) {
        return platform::narrow(sidText(sid));
    }
    const std::wstring_view account(name, nameLength);
    const std::wstring_view authority(domain, domainLength);
    return platform::narrow(authority.empty()
                                ? std::wstring(account)
                                : std::wstring(authority) + L"\\" + std::wstring(account));
}

bool isExempt(std::wstring_view sid, BYTE aceFlags) {
    if (sid == kSystemSid || sid == kAdministratorsSid || sid == kTrustedInstallerSid) {
        return true;
    }
    // CREATOR OWNER stands for whoever creates a child, and only in what the
    // child inherits.
    return sid == kCreatorOwnerSid && (aceFlags & INHERIT_ONLY_ACE) != 0;
}

void addOnce(std::vector<std::string>& names, std::string name) {
    if (std::find(names.begin(), names.end(), name) == names.end()) {
        names.push_back(std::move(name));
    }
}

std::string everyone() {
    PSID sid = nullptr;
    if (!::ConvertStringSidToSidW(kEveryoneSid.data(), &sid)) {
        return "Everyone";
    }
    const platform::UniqueLocalMemory<PSID> owned(sid);
    return principalName(sid);
}

}  // namespace

std::vector<std::string> principalsThatCanReplace(PSECURITY_DESCRIPTOR descriptor) {
    BOOL present = FALSE;
    BOOL defaulted = FALSE;
    PACL dacl = nullptr;
    if (!::GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted) || !present ||
        dacl == nullptr) {
        return {everyone()};
    }
    std::vector<std::string> names;
    for (DWORD index = 0; index < dacl->AceCount; ++index) {
        void* entry = nullptr;
        if (!::GetAce(dacl, index, &entry)) {
            continue;
        }
        const auto* header = static_cast<const ACE_HEADER*>(entry);
        // The callback form has the same layout; object entries belong to
        // directory objects, not files.
        if (header->AceType != ACCESS_ALLOWED_ACE_TYPE &&
            header->AceType != ACCESS_ALLOWED_CALLBACK_ACE_TYPE) {
            continue;
        }
        auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(entry);
        PSID sid = &allowed->SidStart;
        if ((allowed->Mask & kReplacingRights) == 0 || isExempt(sidText(sid), header->AceFlags)) {
            continue;
        }
        addOnce(names, principalName(sid));
    }
    return names;
}

Result<SecurityDescriptor> readFileDescriptor(const std::filesystem::path& path) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    const DWORD error =
        ::GetNamedSecurityInfoW(path.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                                nullptr, nullptr, nullptr, &descriptor);
    if (error != ERROR_SUCCESS) {
        return fail(platform::osErrorText(error));
    }
    return SecurityDescriptor(descriptor);
}

std::vector<std::string> installFolderWarnings(const std::vector<std::filesystem::path>& paths,
                                               const DescriptorReader& read) {
    std::vector<std::string> warnings;
    for (const std::filesystem::path& path : paths) {
        const auto descriptor = read(path);
        if (!descriptor) {
            continue;
        }
        const std::vector<std::string> names = principalsThatCanReplace(descriptor->get());
        if (names.empty()) {
            continue;
        }
        std::string list;
        for (const std::string& name : names) {
            list += (list.empty() ? "" : ", ") + name;
        }
        warnings.push_back("Warning: " + platform::narrow(path.native()) + " is writable by " +
                           list +
                           "; install into a folder only administrators can change, such as "
                           "Program Files");
    }
    return warnings;
}

std::vector<std::filesystem::path> installPaths(const std::filesystem::path& executable) {
    const runtime::RuntimeLayout layout(executable);
    const std::filesystem::path root = layout.dataFolder().parent_path();
    const std::filesystem::path folder = executable.parent_path();
    std::vector<std::filesystem::path> paths = {root, folder == root ? root / L"runtime" : folder,
                                                executable, layout.dataFolder()};
    for (const auto program : {runtime::RuntimeProgram::Naive, runtime::RuntimeProgram::SingBox}) {
        if (const auto found = layout.find(program)) {
            paths.push_back(found->parent_path());
            paths.push_back(*found);
        }
    }
    return paths;
}

}  // namespace korvane::service

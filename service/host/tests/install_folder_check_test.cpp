// The install folder check on descriptors built from SDDL (Wine keeps no file
// DACLs, so the folder's own descriptor comes through the reader seam).

#include "service/host/install_folder_check.h"

#include <gtest/gtest.h>
#include <sddl.h>

#include <string>
#include <vector>

#include "platform/os_error.h"
#include "tests/support/temp_tree.h"

namespace korvane::service {
namespace {

// The default DACL of C:\Program Files on Windows 10 and 11.
constexpr wchar_t kProgramFiles[] =
    L"D:PAI(A;;FA;;;S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464)"
    L"(A;CIIO;GA;;;S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464)"
    L"(A;;0x1301bf;;;SY)(A;OICIIO;GA;;;SY)(A;;0x1301bf;;;BA)(A;OICIIO;GA;;;BA)"
    L"(A;;0x1200a9;;;BU)(A;OICIIO;GXGR;;;BU)(A;OICIIO;GA;;;CO)"
    L"(A;;0x1200a9;;;AC)(A;OICIIO;GXGR;;;AC)";

SecurityDescriptor fromSddl(const wchar_t* sddl) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    EXPECT_TRUE(::ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1,
                                                                       &descriptor, nullptr))
        << platform::lastOsErrorText();
    return SecurityDescriptor(descriptor);
}

std::vector<std::string> principals(const wchar_t* sddl) {
    return principalsThatCanReplace(fromSddl(sddl).get());
}

TEST(InstallFolderCheck, ProgramFilesDefaultsLetNobodyElseIn) {
    EXPECT_TRUE(principals(kProgramFiles).empty());
    // Read and execute for users is no way in, nor is CREATOR OWNER on children.
    EXPECT_TRUE(principals(L"D:(A;OICI;GRGX;;;BU)(A;OICIIO;GA;;;CO)(A;;FA;;;SY)").empty());
}

TEST(InstallFolderCheck, NamesUsersWhoCanWriteOrModify) {
    EXPECT_EQ(principals(L"D:(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1301bf;;;BU)"),
              std::vector<std::string>{"BUILTIN\\Users"});
    EXPECT_EQ(principals(L"D:(A;OICI;FA;;;BA)(A;OICI;0x1301bf;;;AU)"),
              std::vector<std::string>{"NT AUTHORITY\\Authenticated Users"});
    // Only the right to add files, only on what the folder holds, or only to
    // change the owner: each is enough to put other code in place.
    EXPECT_EQ(principals(L"D:(A;;0x2;;;BU)(A;OICIIO;GW;;;AU)(A;;WO;;;WD)").size(), 3u);
}

TEST(InstallFolderCheck, CountsCreatorOwnerOnlyWhereItIsNotInheritOnly) {
    EXPECT_TRUE(principals(L"D:(A;OICIIO;GA;;;CO)").empty());
    EXPECT_EQ(principals(L"D:(A;;GA;;;CO)").size(), 1u);
}

TEST(InstallFolderCheck, ANullDaclLetsEveryoneInAnEmptyOneNobody) {
    SECURITY_DESCRIPTOR nullDacl;
    ASSERT_TRUE(::InitializeSecurityDescriptor(&nullDacl, SECURITY_DESCRIPTOR_REVISION));
    ASSERT_TRUE(::SetSecurityDescriptorDacl(&nullDacl, TRUE, nullptr, FALSE));
    EXPECT_EQ(principalsThatCanReplace(&nullDacl), std::vector<std::string>{"Everyone"});
    EXPECT_TRUE(principals(L"D:P").empty());
}

TEST(InstallFolderCheck, WarnsOnceAboutEachPathOthersCanChange) {
    const std::vector<std::filesystem::path> paths = {
        L"C:\\Tools\\Korvane", L"C:\\Tools\\Korvane\\runtime",
        L"C:\\Tools\\Korvane\\runtime\\korvane_service.exe", L"C:\\Tools\\Korvane\\data"};
    const DescriptorReader userWritableRuntimeAndData =
        [](const std::filesystem::path& path) -> Result<SecurityDescriptor> {
        if (path.filename() == L"Korvane" || path.extension() == L".exe") {
            return fromSddl(kProgramFiles);
        }
        return fromSddl(L"D:(A;OICI;FA;;;BA)(A;OICI;0x1301bf;;;BU)(A;OICI;0x1301bf;;;AU)");
    };
    const std::string users =
        " is writable by BUILTIN\\Users, NT AUTHORITY\\Authenticated Users; "
        "install into a folder only administrators can change, such as "
        "Program Files";
    EXPECT_EQ(installFolderWarnings(paths, userWritableRuntimeAndData),
              (std::vector<std::string>{"Warning: C:\\Tools\\Korvane\\runtime" + users,
                                        "Warning: C:\\Tools\\Korvane\\data" + users}));

    const DescriptorReader protectedEverywhere = [](const std::filesystem::path&) {
        return Result<SecurityDescriptor>(fromSddl(kProgramFiles));
    };
    EXPECT_TRUE(installFolderWarnings(paths, protectedEverywhere).empty());

    const DescriptorReader unreadable = [](const std::filesystem::path&) {
        return Result<SecurityDescriptor>(fail("no descriptor"));
    };
    EXPECT_TRUE(installFolderWarnings(paths, unreadable).empty());
}

TEST(InstallFolderCheck, ChecksWhatTheServiceRunsAndWrites) {
    using Paths = std::vector<std::filesystem::path>;
    EXPECT_EQ(installPaths(L"C:\\K\\korvane_service.exe"),
              (Paths{L"C:\\K", L"C:\\K\\runtime", L"C:\\K\\korvane_service.exe", L"C:\\K\\data"}));

    // The programs as the lookup finds them: sing-box.exe is missing here.
    test::TempTree tree;
    const std::filesystem::path runtime = tree.folder(L"K\\resources\\runtime");
    const std::filesystem::path naive = tree.file(L"K\\app\\runtime\\naive\\naive.exe");
    EXPECT_EQ(installPaths(runtime / L"korvane_service.exe"),
              (Paths{tree.root() / L"K", runtime, runtime / L"korvane_service.exe",
                     tree.root() / L"K\\data", naive.parent_path(), naive}));
}

}  // namespace
}  // namespace korvane::service

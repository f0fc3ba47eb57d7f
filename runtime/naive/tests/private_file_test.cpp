#include "runtime/naive/private_file.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/os_error.h"
#include "tests/support/file_content.h"
#include "tests/support/temp_tree.h"

namespace korvane::runtime {
namespace {

using namespace std::chrono_literals;
using test::TempTree;

// What the write handed to the applier, seen from the file at that moment.
struct Application {
    std::string dacl;
    LONGLONG sizeThen = -1;
    std::wstring fileName;
};

DaclApplier recordingApplier(std::vector<Application>& applications, DWORD result = 0) {
    return [&applications, result](HANDLE file, PSECURITY_DESCRIPTOR descriptor) {
        Application seen;
        seen.dacl = daclText(descriptor);
        LARGE_INTEGER size{};
        if (::GetFileSizeEx(file, &size)) {
            seen.sizeThen = size.QuadPart;
        }
        wchar_t name[MAX_PATH];
        const DWORD length = ::GetFinalPathNameByHandleW(file, name, MAX_PATH, 0);
        seen.fileName.assign(name, length < MAX_PATH ? length : 0);
        applications.push_back(seen);
        return result != 0 ? result : applyDacl(file, descriptor);
    };
}

TEST(PrivateFile, DescriptorGrantsSystemAdministratorsAndOwnerOnlyAndIsProtected) {
    const auto descriptor = privateFileDescriptor();
    ASSERT_TRUE(descriptor.has_value()) << descriptor.error();
    EXPECT_EQ(daclText(descriptor->get()), "D:P(A;;FA;;;SY)(A;;FA;;;BA)(A;;FA;;;OW)");
}

TEST(PrivateFile, WriteAppliesTheDaclBeforeAnyContentAlsoOverAnOldFile) {
    TempTree tree;
    const auto path = tree.file(L"config.json", "an older, longer content that must go");
    std::vector<Application> applications;

    ASSERT_TRUE(writePrivateFile(path, "secret", recordingApplier(applications)).has_value());
    ASSERT_TRUE(writePrivateFile(path, "secret", recordingApplier(applications)).has_value());

    ASSERT_EQ(applications.size(), 2u);
    for (const Application& seen : applications) {
        EXPECT_EQ(seen.dacl, "D:P(A;;FA;;;SY)(A;;FA;;;BA)(A;;FA;;;OW)");
        EXPECT_EQ(seen.sizeThen, 0) << "nothing is written before the DACL is set";
        // The new file that then replaces the old one in one step.
        EXPECT_TRUE(seen.fileName.ends_with(L"\\config.json.new"));
    }
    EXPECT_EQ(test::waitForFile(path, 0ms), "secret");
}

TEST(PrivateFile, FailureToApplyTheDaclWritesNothingAndKeepsTheOldFile) {
    TempTree tree;
    const auto path = tree.file(L"config.json", "old");
    std::vector<Application> applications;
    const Status written =
        writePrivateFile(path, "secret", recordingApplier(applications, ERROR_ACCESS_DENIED));
    EXPECT_EQ(written, fail(platform::osErrorText(ERROR_ACCESS_DENIED)));
    EXPECT_EQ(test::waitForFile(path, 0ms), "old");
    EXPECT_EQ(test::folderEntries(tree.root()), std::vector<std::wstring>{L"config.json"});
}

TEST(PrivateFile, UnwritablePathIsTheSystemError) {
    TempTree tree;
    const Status written = writePrivateFile(tree.root() / L"missing\\config.json", "secret");
    EXPECT_EQ(written, fail(platform::osErrorText(ERROR_PATH_NOT_FOUND)));
}

}  // namespace
}  // namespace korvane::runtime

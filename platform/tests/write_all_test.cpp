#include "platform/write_all.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <string>

#include "platform/handles.h"
#include "platform/os_error.h"
#include "platform/winsock.h"
#include "tests/support/file_content.h"
#include "tests/support/temp_tree.h"

namespace korvane::platform {
namespace {

using namespace std::chrono_literals;

TEST(WriteAll, WritesATextLargerThanOnePieceWhole) {
    test::TempTree tree;
    const std::filesystem::path path = tree.path(L"big.bin");
    std::string content(3 * (1 << 20) + 17, '\0');
    for (std::size_t i = 0; i < content.size(); ++i) {
        content[i] = static_cast<char>(i * 7 % 251);
    }
    {
        const UniqueFile file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                            FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(file);
        ASSERT_TRUE(writeAll(file.get(), content).has_value());
    }
    EXPECT_EQ(test::readFile(path), content);
}

TEST(WriteAll, AFailedWriteIsTheSystemText) {
    UniqueFile readEnd;
    UniqueFile writeEnd;
    ASSERT_TRUE(::CreatePipe(readEnd.put(), writeEnd.put(), nullptr, 0));
    readEnd.reset();  // nobody reads: the write fails with a broken pipe
    EXPECT_EQ(writeAll(writeEnd.get(), "text"), fail(osErrorText(ERROR_NO_DATA)));
}

TEST(WriteAll, ATargetThatTakesNothingFailsInsteadOfSpinning) {
    // A non-blocking pipe whose buffer is full reports success with nothing
    // written, for as long as nobody reads.
    const std::wstring name =
        L"\\\\.\\pipe\\korvane-write-all-" + std::to_wstring(::GetCurrentProcessId());
    const UniqueFile server(::CreateNamedPipeW(
        name.c_str(), PIPE_ACCESS_OUTBOUND, PIPE_TYPE_BYTE | PIPE_NOWAIT, 1, 512, 512, 0, nullptr));
    ASSERT_TRUE(server);
    UniqueFile client(
        ::CreateFileW(name.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(client);

    auto written = std::async(std::launch::async,
                              [&] { return writeAll(server.get(), std::string(1 << 20, 'x')); });
    const bool finished = written.wait_for(10s) == std::future_status::ready;
    client.reset();  // ends a spinning write, so that the test can end
    ASSERT_TRUE(finished) << "writeAll kept calling WriteFile";
    EXPECT_EQ(written.get(), fail(osErrorText(ERROR_WRITE_FAULT)));
}

TEST(NewSocket, IsNotInheritable) {
    const UniqueSocket socket = newSocket();
    ASSERT_TRUE(socket);
    DWORD flags = 0;
    ASSERT_TRUE(::GetHandleInformation(reinterpret_cast<HANDLE>(socket.get()), &flags));
    EXPECT_EQ(flags & HANDLE_FLAG_INHERIT, 0u);
}

}  // namespace
}  // namespace korvane::platform

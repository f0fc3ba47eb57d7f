// The caller check's Win32 half on a real loopback connection. Wine reports no
// owner for TCP rows, so there the verdict is Unknown; on Windows the client is
// this test process itself, which the check trusts like the service.

#include "service/caller/caller_lookup.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <string>

#include "platform/handles.h"
#include "platform/module_path.h"
#include "platform/registry.h"
#include "platform/winsock.h"

namespace korvane::service {
namespace {

using platform::UniqueSocket;

struct Connection {
    UniqueSocket client;
    UniqueSocket accepted;
};

// A connection over 127.0.0.1 on a port the system picks.
Connection loopbackConnection() {
    EXPECT_TRUE(platform::ensureWinsock());
    UniqueSocket listener(::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
    sockaddr_in address = platform::loopbackAddress(0);
    int length = sizeof address;
    EXPECT_EQ(::bind(listener.get(), reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    EXPECT_EQ(::listen(listener.get(), 1), 0);
    EXPECT_EQ(::getsockname(listener.get(), reinterpret_cast<sockaddr*>(&address), &length), 0);
    Connection connection;
    connection.client.reset(::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
    EXPECT_EQ(
        ::connect(connection.client.get(), reinterpret_cast<sockaddr*>(&address), sizeof address),
        0);
    connection.accepted.reset(::accept(listener.get(), nullptr, nullptr));
    EXPECT_TRUE(connection.accepted);
    // Abortive closes: nothing lingers in TIME_WAIT.
    const linger abortive{1, 0};
    for (const auto* socket : {&connection.client, &connection.accepted}) {
        ::setsockopt(socket->get(), SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&abortive),
                     sizeof abortive);
    }
    return connection;
}

NetworkEndpoint endOf(const UniqueSocket& socket, bool peer) {
    sockaddr_in address{};
    int length = sizeof address;
    (peer ? ::getpeername : ::getsockname)(socket.get(), reinterpret_cast<sockaddr*>(&address),
                                           &length);
    return {address.sin_addr.s_addr, address.sin_port};
}

TEST(CallerLookup, FindsTheConnectionsRowInTheSystemTable) {
    const Connection connection = loopbackConnection();
    const NetworkEndpoint client = endOf(connection.accepted, true);
    const NetworkEndpoint server = endOf(connection.accepted, false);
    const auto rows = tcpConnectionRows();
    const bool listed = std::any_of(rows.begin(), rows.end(), [&](const TcpOwnerRow& row) {
        return row.localAddress == client.address &&
               static_cast<std::uint16_t>(row.localPort) == client.port &&
               row.remoteAddress == server.address &&
               static_cast<std::uint16_t>(row.remotePort) == server.port;
    });
    EXPECT_TRUE(listed) << rows.size() << " rows";
}

TEST(CallerLookup, ServesThisProcessAsTheServiceAndKnowsItsImage) {
    const Connection connection = loopbackConnection();
    const CallerVerdict verdict = checkCaller(connection.accepted.get(), L"C:\\nowhere");
    const auto owners = connectionOwners(tcpConnectionRows(), endOf(connection.accepted, true),
                                         endOf(connection.accepted, false));
    EXPECT_EQ(verdict, owners.empty() ? CallerVerdict::Unknown : CallerVerdict::Trusted);

    const auto image = processImageFinalPath(::GetCurrentProcessId());
    ASSERT_TRUE(image);
    const auto running = platform::currentExecutablePath();
    ASSERT_TRUE(running);
    EXPECT_TRUE(image->ends_with(running->filename().native())) << *image;
    EXPECT_EQ(processImageFinalPath(0xFFFFFFF0u), std::nullopt);
}

TEST(RegistryDword, ReadsAValueAndNothingForMissingOrOtherTypes) {
    const wchar_t* key = L"Software\\KorvaneTests\\RegistryDword";
    const DWORD one = 1;
    ASSERT_EQ(::RegSetKeyValueW(HKEY_CURRENT_USER, key, L"Switch", REG_DWORD, &one, sizeof one),
              ERROR_SUCCESS);
    ASSERT_EQ(::RegSetKeyValueW(HKEY_CURRENT_USER, key, L"Text", REG_SZ, L"1", 4), ERROR_SUCCESS);
    EXPECT_EQ(platform::readRegistryDword(HKEY_CURRENT_USER, key, L"Switch"), 1u);
    EXPECT_EQ(platform::readRegistryDword(HKEY_CURRENT_USER, key, L"Text"), std::nullopt);
    EXPECT_EQ(platform::readRegistryDword(HKEY_CURRENT_USER, key, L"Missing"), std::nullopt);
    ::RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\KorvaneTests");
}

}  // namespace
}  // namespace korvane::service

// The caller check's Win32 half on real loopback connections. The client is
// this test process itself, which the check counts as the service: the
// verdict is Unknown whether or not the system names the owner (Wine names
// none for a process's own connections).

#include "service/caller/caller_lookup.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <ws2tcpip.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "platform/final_path.h"
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

// A connection over 127.0.0.1 on a port the system picks; with `dualStack`
// from an IPv6 socket to ::ffff:127.0.0.1.
Connection loopbackConnection(bool dualStack = false) {
    EXPECT_TRUE(platform::ensureWinsock());
    UniqueSocket listener(::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
    sockaddr_in address = platform::loopbackAddress(0);
    int length = sizeof address;
    EXPECT_EQ(::bind(listener.get(), reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    EXPECT_EQ(::listen(listener.get(), 1), 0);
    EXPECT_EQ(::getsockname(listener.get(), reinterpret_cast<sockaddr*>(&address), &length), 0);
    Connection connection;
    if (dualStack) {
        connection.client.reset(::socket(AF_INET6, SOCK_STREAM, IPPROTO_TCP));
        const DWORD off = 0;
        ::setsockopt(connection.client.get(), IPPROTO_IPV6, IPV6_V6ONLY,
                     reinterpret_cast<const char*>(&off), sizeof off);
        sockaddr_in6 mapped{};
        mapped.sin6_family = AF_INET6;
        mapped.sin6_port = address.sin_port;
        mapped.sin6_addr.s6_addr[10] = mapped.sin6_addr.s6_addr[11] = 0xFF;
        std::memcpy(&mapped.sin6_addr.s6_addr[12], &address.sin_addr, 4);
        EXPECT_EQ(
            ::connect(connection.client.get(), reinterpret_cast<sockaddr*>(&mapped), sizeof mapped),
            0);
    } else {
        connection.client.reset(::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
        EXPECT_EQ(::connect(connection.client.get(), reinterpret_cast<sockaddr*>(&address),
                            sizeof address),
                  0);
    }
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

bool lists(const std::vector<TcpOwnerRow>& rows, const UniqueSocket& accepted) {
    const NetworkEndpoint client = endOf(accepted, true);
    const NetworkEndpoint server = endOf(accepted, false);
    return std::any_of(rows.begin(), rows.end(), [&](const TcpOwnerRow& row) {
        return row.localAddress == client.address &&
               static_cast<std::uint16_t>(row.localPort) == client.port &&
               row.remoteAddress == server.address &&
               static_cast<std::uint16_t>(row.remotePort) == server.port;
    });
}

TEST(CallerLookup, FindsTheClientsEndInTheTableOfItsFamily) {
    const Connection plain = loopbackConnection();
    EXPECT_TRUE(lists(ipv4ConnectionRows(), plain.accepted));
    EXPECT_FALSE(lists(mappedIpv6ConnectionRows(), plain.accepted));
    const Connection dualStack = loopbackConnection(true);
    EXPECT_FALSE(lists(ipv4ConnectionRows(), dualStack.accepted));
    EXPECT_TRUE(lists(mappedIpv6ConnectionRows(), dualStack.accepted));
}

TEST(CallerLookup, ThisProcessAsTheOnlyOwnerIsUnknownAndItsImageIsNative) {
    const auto image = processNativeImagePath(::GetCurrentProcessId());
    ASSERT_TRUE(image);
    EXPECT_TRUE(isOnLocalVolume(*image)) << *image;
    const auto running = platform::currentExecutablePath();
    ASSERT_TRUE(running);
    const auto native = platform::nativeFinalPathOf(*running);
    ASSERT_TRUE(native);
    EXPECT_TRUE(isSamePath(*image, native->native())) << *image << " " << native->native();
    EXPECT_EQ(processNativeImagePath(0xFFFFFFF0u), std::nullopt);

    // Trusted from anywhere this image lies, were it not the only owner.
    const TrustedPlaces everywhere{native->parent_path().native(), {}, {}};
    for (const bool dualStack : {false, true}) {
        const Connection connection = loopbackConnection(dualStack);
        const CallerDecision decision = checkCaller(connection.accepted.get(), everywhere);
        EXPECT_EQ(decision.verdict, CallerVerdict::Unknown);
        EXPECT_EQ(decision.owner, std::nullopt);
    }
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

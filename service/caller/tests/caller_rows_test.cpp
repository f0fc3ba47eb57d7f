#include "service/caller/caller_rows.h"

#include <gtest/gtest.h>

#include <array>
#include <bit>

namespace korvane::service {
namespace {

// Network byte order as the system stores it, whatever this machine's order.
std::uint16_t networkPort(std::uint16_t port) {
    return std::endian::native == std::endian::little
               ? static_cast<std::uint16_t>((port >> 8) | (port << 8))
               : port;
}

std::uint32_t networkAddress(std::uint8_t a, std::uint8_t b, std::uint8_t c, std::uint8_t d) {
    const std::array<std::uint8_t, 4> bytes{a, b, c, d};
    return std::bit_cast<std::uint32_t>(bytes);
}

const NetworkEndpoint kServer{networkAddress(127, 0, 0, 1), networkPort(49190)};
const NetworkEndpoint kClient{networkAddress(127, 0, 0, 1), networkPort(50123)};

TcpOwnerRow row(NetworkEndpoint local, NetworkEndpoint remote, std::uint32_t pid) {
    return {local.address, local.port, remote.address, remote.port, pid};
}

TEST(ConnectionOwners, FindsTheClientsEndNotOursNorTheListener) {
    const TcpOwnerRow rows[] = {
        row({0, kServer.port}, {0, 0}, 4),                        // our listener
        row(kServer, kClient, 4),                                 // our end of the connection
        row(kClient, kServer, 1234),                              // the client's end
        row({kClient.address, networkPort(50124)}, kServer, 99),  // another client
    };
    EXPECT_EQ(connectionOwners(rows, kClient, kServer), std::vector<std::uint32_t>{1234});
}

TEST(ConnectionOwners, ComparesPortsInTheTablesByteOrderIgnoringTheUpperBits) {
    // The same numbers in host order must not match (on little-endian
    // machines they differ), and garbage above the low 16 bits is ignored.
    const std::uint32_t garbage = 0xABCD0000u;
    const TcpOwnerRow rows[] = {
        {kClient.address, 50123, kServer.address, 49190, 7},
        {kClient.address, garbage | kClient.port, kServer.address, garbage | kServer.port, 8},
    };
    const auto owners = connectionOwners(rows, kClient, kServer);
    ASSERT_EQ(owners, std::vector<std::uint32_t>{8});
}

TEST(ConnectionOwners, TellsLoopbackAddressesApart) {
    // A client may connect from any 127.x.y.z; 127.0.0.2 is another end.
    const NetworkEndpoint otherLoopback{networkAddress(127, 0, 0, 2), kClient.port};
    const TcpOwnerRow rows[] = {row(otherLoopback, kServer, 5), row(kClient, kServer, 6)};
    EXPECT_EQ(connectionOwners(rows, kClient, kServer), std::vector<std::uint32_t>{6});
    EXPECT_EQ(connectionOwners(rows, otherLoopback, kServer), std::vector<std::uint32_t>{5});
}

TEST(ConnectionOwners, LeavesOutOwnerZeroAndRepeats) {
    const TcpOwnerRow rows[] = {row(kClient, kServer, 0), row(kClient, kServer, 3),
                                row(kClient, kServer, 3), row(kClient, kServer, 9)};
    EXPECT_EQ(connectionOwners(rows, kClient, kServer), (std::vector<std::uint32_t>{3, 9}));
    EXPECT_TRUE(connectionOwners({}, kClient, kServer).empty());
}

TEST(MappedIpv4Address, ReadsOnlyTheMappedForm) {
    const std::array<std::uint8_t, 16> mapped{0, 0, 0,    0,    0,   0, 0, 0,
                                              0, 0, 0xFF, 0xFF, 127, 0, 0, 1};
    EXPECT_EQ(mappedIpv4Address(mapped), networkAddress(127, 0, 0, 1));
    std::array<std::uint8_t, 16> other = mapped;
    other[10] = 0;  // ::127.0.0.1, the old compatible form
    EXPECT_EQ(mappedIpv4Address(other), std::nullopt);
    std::array<std::uint8_t, 16> loopback{};
    loopback[15] = 1;  // ::1
    EXPECT_EQ(mappedIpv4Address(loopback), std::nullopt);
}

}  // namespace
}  // namespace korvane::service

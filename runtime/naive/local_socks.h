#pragma once
// Whether the loopback SOCKS5 port of naive.exe answers.

#include <cstdint>

#include "common/clock.h"
#include "runtime/naive/listener_table.h"

namespace korvane::runtime {

// One SOCKS5 method negotiation (RFC 1928) with 127.0.0.1:1080, offering "no
// authentication", with 700 ms send and receive time-outs. True when the
// answer is 0x05 and any method but 0xFF ("no acceptable methods"). Never
// fails: anything else is false.
bool probeLocalSocks();

// probeLocalSocks, and then no process but `ownerId` is known to listen on
// the port: a program that took it before naive.exe could must not receive
// the tunnel's traffic. Where the rows cannot be had, or name no owner (as
// under Wine), the answer alone decides.
bool localSocksReadyFor(std::uint32_t ownerId,
                        const ListenerTable& listeners = systemListenerTable);

// localSocksReadyFor at once and every pause for up to 5 seconds.
bool waitForLocalSocks(std::uint32_t ownerId, Clock& clock = systemClock(),
                       const ListenerTable& listeners = systemListenerTable);

}  // namespace korvane::runtime

#pragma once
// Whether the loopback SOCKS5 port of naive.exe answers.

#include "common/clock.h"

namespace korvane::runtime {

// One SOCKS5 method negotiation (RFC 1928) with 127.0.0.1:1080, offering "no
// authentication", with 700 ms send and receive time-outs. True when the
// answer is 0x05 and any method but 0xFF ("no acceptable methods"). Never
// fails: anything else is false.
bool probeLocalSocks();

// probeLocalSocks at once and every 25 ms for up to 5 seconds.
bool waitForLocalSocks(Clock& clock = systemClock());

}  // namespace korvane::runtime

#pragma once
// TUN devices that tests/with_tun_devices.sh makes and deletes on a test's
// request (the sing-box stand-in asks it the same way). Wine lists such a
// device as an adapter with the device's name as its friendly name.

#include <chrono>
#include <string>

namespace korvane::test {

// Whether the test runs under with_tun_devices.sh as root; tests that need
// devices skip otherwise.
bool tunDevicesAvailable();

// A device `name` (at most 15 characters, letters and digits) with `address`
// ("a.b.c.d/len"), up; false when the helper did not carry the request out
// within 5 s.
bool makeTunDevice(const std::string& name, const std::string& address);

// Deletes the device `name`; false when the helper did not carry the request
// out within 5 s.
bool deleteTunDevice(const std::string& name);

// Whether an adapter with the friendly name `name` is listed within `limit`
// (or, for `listed` false, no longer listed).
bool waitForAdapter(const std::string& name, bool listed, std::chrono::milliseconds limit);

}  // namespace korvane::test

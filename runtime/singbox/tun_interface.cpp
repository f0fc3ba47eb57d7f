#include "runtime/singbox/tun_interface.h"

namespace korvane::runtime {

std::string interfaceNameFor(std::uint32_t processId) {
    return "KorvaneTun" + std::to_string(processId);
}

std::string interfaceAddressFor(std::uint32_t processId) {
    const std::uint32_t a = processId % 160 + 32;
    const std::uint32_t b = (processId / 160) % 63 * 4 + 1;
    return "172.19." + std::to_string(a) + "." + std::to_string(b) + "/30";
}

}  // namespace korvane::runtime

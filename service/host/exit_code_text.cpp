#include "service/host/exit_code_text.h"

namespace korvane::service {

std::string exitCodeText(std::uint32_t code) {
    if ((code & 0x80000000u) == 0) {
        return "exit code: " + std::to_string(code);
    }
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text = "exit code: 0x";
    for (int shift = 28; shift >= 0; shift -= 4) {
        text += kDigits[(code >> shift) & 0xFu];
    }
    return text;
}

}  // namespace korvane::service

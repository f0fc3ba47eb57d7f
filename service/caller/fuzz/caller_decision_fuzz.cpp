// Random connection tables and image paths through the caller check. Whatever
// the input, a caller whose connection row names an owner with a known image
// outside the install root is never let through.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "service/caller/caller_decision.h"
#include "service/caller/caller_rows.h"

namespace {

using namespace korvane::service;

// Reads fixed-size values and short wide texts from the input, zeros past its end.
class Input {
  public:
    Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    template <typename T>
    T value() {
        T result{};
        const std::size_t count = std::min(sizeof result, size_);
        std::memcpy(&result, data_, count);
        data_ += count;
        size_ -= count;
        return result;
    }

    // Up to 24 characters drawn from a small alphabet, so that paths often
    // share prefixes with the root.
    std::wstring path() {
        static constexpr wchar_t kAlphabet[] = L"CcXx\\/:?.2K\u212A UN";
        const std::size_t length = value<std::uint8_t>() % 25;
        std::wstring text;
        for (std::size_t i = 0; i < length; ++i) {
            text += kAlphabet[value<std::uint8_t>() % (std::size(kAlphabet) - 1)];
        }
        return text;
    }

    bool empty() const { return size_ == 0; }

  private:
    const std::uint8_t* data_;
    std::size_t size_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Input input(data, size);
    const NetworkEndpoint server{input.value<std::uint32_t>(), input.value<std::uint16_t>()};
    const NetworkEndpoint client{input.value<std::uint32_t>(), input.value<std::uint16_t>()};
    const std::uint32_t servicePid = input.value<std::uint8_t>() % 8;
    const std::wstring root = input.path();

    std::vector<TcpOwnerRow> rows;
    for (std::size_t count = input.value<std::uint8_t>() % 8; count > 0 && !input.empty();
         --count) {
        TcpOwnerRow row;
        // Mostly rows of this connection, so that matching is exercised.
        if (input.value<std::uint8_t>() % 2 == 0) {
            row = {client.address, client.port, server.address, server.port, 0};
        } else {
            row = {input.value<std::uint32_t>(), input.value<std::uint32_t>(),
                   input.value<std::uint32_t>(), input.value<std::uint32_t>(), 0};
        }
        row.localPort |= input.value<std::uint8_t>() << 16;
        row.ownerPid = input.value<std::uint8_t>() % 8;
        rows.push_back(row);
    }

    // Each pid's image: unknown, or a path.
    std::vector<std::optional<std::wstring>> images(8);
    for (auto& image : images) {
        if (input.value<std::uint8_t>() % 3 != 0) {
            image = input.path();
        }
    }

    std::vector<CallerImage> owners;
    for (const std::uint32_t pid : connectionOwners(rows, client, server)) {
        owners.push_back({pid, images[pid]});
    }
    const CallerVerdict verdict = decideCaller(owners, servicePid, root);

    for (const TcpOwnerRow& row : rows) {
        const bool ofThisConnection = row.localAddress == client.address &&
                                      static_cast<std::uint16_t>(row.localPort) == client.port &&
                                      row.remoteAddress == server.address &&
                                      static_cast<std::uint16_t>(row.remotePort) == server.port;
        const auto& image = images[row.ownerPid];
        if (ofThisConnection && row.ownerPid != 0 && row.ownerPid != servicePid && image &&
            !isInsideFolder(*image, root) && verdict != CallerVerdict::Refused) {
            std::abort();
        }
    }
    if (verdict == CallerVerdict::Trusted && owners.empty()) {
        std::abort();
    }
    return 0;
}

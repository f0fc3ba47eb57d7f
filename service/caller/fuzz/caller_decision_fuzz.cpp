// Random connection tables, native image paths and trusted places through the
// caller check. Whatever the input, a caller whose connection row names an
// owner (other than the service) with a known image that is not on a local
// volume, outside the install root, inside a program's folder or the
// service's own executable is never let through, and a connection without
// such an owner is never trusted.

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

    // Up to 8 components drawn from a small set, joined by either
    // separator, so that paths often share prefixes with the root and the
    // programs' folders.
    std::wstring path() {
        static constexpr const wchar_t* kComponents[] = {L"",
                                                         L"Device",
                                                         L"HarddiskVolume3",
                                                         L"harddiskvolume33",
                                                         L"HarddiskVolume",
                                                         L"Mup",
                                                         L"K",
                                                         L"k",
                                                         L"\u212A",
                                                         L".",
                                                         L"..",
                                                         L"naive",
                                                         L"a.exe",
                                                         L"?",
                                                         L"C:",
                                                         L"UNC"};
        const std::size_t count = value<std::uint8_t>() % 9;
        std::wstring text;
        for (std::size_t i = 0; i < count; ++i) {
            const auto pick = value<std::uint8_t>();
            text += (pick & 0x80) ? L'/' : L'\\';
            text += kComponents[pick % std::size(kComponents)];
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
    TrustedPlaces places{input.path(), {input.path(), input.path()}, input.path()};

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
    const CallerDecision decision = decideCaller(owners, servicePid, places);

    // The image rule, from its parts.
    for (const auto& image : images) {
        if (!image) {
            continue;
        }
        const bool inProgramFolder = isInsideFolder(*image, places.programFolders[0]) ||
                                     isInsideFolder(*image, places.programFolders[1]);
        if (isTrustedImage(*image, places) !=
            (isOnLocalVolume(*image) && isInsideFolder(*image, places.installRoot) &&
             !inProgramFolder && !isSamePath(*image, places.serviceImage))) {
            std::abort();
        }
    }

    bool anyOther = false;
    for (const TcpOwnerRow& row : rows) {
        const bool ofThisConnection = row.localAddress == client.address &&
                                      static_cast<std::uint16_t>(row.localPort) == client.port &&
                                      row.remoteAddress == server.address &&
                                      static_cast<std::uint16_t>(row.remotePort) == server.port;
        if (!ofThisConnection || row.ownerPid == 0 || row.ownerPid == servicePid) {
            continue;
        }
        anyOther = true;
        const auto& image = images[row.ownerPid];
        if (image && !isTrustedImage(*image, places) &&
            decision.verdict != CallerVerdict::Refused) {
            std::abort();
        }
        if (!image && decision.verdict == CallerVerdict::Trusted) {
            std::abort();
        }
    }
    if (!anyOther && (decision.verdict != CallerVerdict::Unknown || decision.owner)) {
        std::abort();
    }
    if (decision.owner && decision.owner->pid == servicePid) {
        std::abort();
    }
    return 0;
}

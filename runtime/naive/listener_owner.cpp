#include "runtime/naive/listener_owner.h"

namespace korvane::runtime {

ListenerOwner loopbackListenerOwner(std::span<const ListenerRow> rows, std::uint16_t port,
                                    std::uint32_t ourId) {
    bool anyReachable = false;
    bool ownerMissing = false;
    for (const ListenerRow& row : rows) {
        if (row.port != port || row.address == ListenerRow::Address::other) {
            continue;
        }
        anyReachable = true;
        if (row.ownerId == 0) {
            ownerMissing = true;
        } else if (row.ownerId != ourId) {
            return ListenerOwner::someoneElse;
        }
    }
    return anyReachable && !ownerMissing ? ListenerOwner::ours : ListenerOwner::unknown;
}

}  // namespace korvane::runtime

// parseJsonDocument on any bytes: it fails with a positioned message, or gives
// a tree that prints (compactly) and reads back to the same tree.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "runtime/records/fuzz/fuzz_checks.h"
#include "runtime/records/json_document.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace korvane::runtime;
    const auto parsed = parseJsonDocument({reinterpret_cast<const char*>(data), size});
    if (!parsed) {
        fuzzing::requirePositioned(parsed.error());
        return 0;
    }
    const auto again = parseJsonDocument(parsed->dump());
    if (!again || *again != *parsed) {
        std::abort();
    }
    return 0;
}

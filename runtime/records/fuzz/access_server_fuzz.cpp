// parseAccessServer on any bytes.
#include <cstddef>
#include <cstdint>

#include "runtime/records/fuzz/fuzz_checks.h"
#include "runtime/records/records.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    korvane::runtime::fuzzing::checkRecordReading({reinterpret_cast<const char*>(data), size},
                                                  korvane::runtime::parseAccessServer);
    return 0;
}

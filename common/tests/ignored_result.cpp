// Must NOT compile: a caller drops a returned Status (the test
// common_ignored_result_is_rejected expects the compiler's complaint).
#include "common/result.h"

korvane::Status step();

void caller() {
    step();
}

#pragma once
// Under the Service Control Manager standard error goes nowhere, so the
// service's failures are also recorded in the Application event log.

#include <string_view>

namespace korvane::service {

// Records `message` as an error of the event source named like the service. Failures to log
// are ignored: there is nowhere left to report them.
void reportErrorEvent(std::string_view message);

}  // namespace korvane::service

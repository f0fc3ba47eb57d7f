#pragma once
// Under the Service Control Manager standard error goes nowhere, so the
// service's failures are also recorded in the Application event log.

#include <string_view>

namespace korvane::service {

// The kinds of error event, each with its own event ID and message in the
// message table (service_events.mc); `message` fills in its %1.
enum class ErrorEvent {
    ServiceStartFailed,  // the service could not set itself up under the SCM
    EndpointFailed,      // the endpoint failed, which stops the service
};

// Records `message` as an error of the event source named like the service. Failures to log
// are ignored: there is nowhere left to report them.
void reportErrorEvent(ErrorEvent kind, std::string_view message);

// Records install's warning that others can change the install folder.
void reportInstallFolderWarning(std::string_view warning);

}  // namespace korvane::service

#pragma once
// The runtime's face towards the control service: one handler per route, over
// the two process slots. It keeps no state of its own.

#include "common/result.h"
#include "service/http/handler_set.h"

namespace korvane::runtime {

// The process-wide handler set that the endpoint serves.
service::HandlerSet& runtimeHandlers();

// Ends sing-box, then naive; the service host also calls this when stopping.
Status handleStop();

}  // namespace korvane::runtime

#pragma once
// The message of every refused call to the Service Control Manager.

namespace korvane::service {

// N.B. Deliberately one fixed text without the system's error code: it is the
// documented message of these failures, and the scripts that run the
// installer match it as it stands.
inline constexpr char kWinapiError[] = "IO error in winapi call";

}  // namespace korvane::service

#pragma once
// The rules that keep the secrets of a start out of what people read and pass
// on: the service log and the diagnostics file. What the client is answered
// never goes through them.

#include <string>
#include <string_view>

namespace korvane {

// `text` with the user information of every "<scheme>://<userinfo>@" replaced
// by `replacement`: "https://u:p@host" becomes "https://host" for an empty
// replacement, "https://***@host" for "***". The user information runs from
// "://" to the last '@' before the next white space, quote, '<', '>' or
// control character, so that a password holding '/' or ':' goes whole; an '@'
// in a path takes the path with it, which loses nothing secret.
std::string withoutUrlUserinfo(std::string_view text, std::string_view replacement);

// One value that may hold user information (a JSON string of a configuration
// file), as a report shows it: withoutUrlUserinfo(value, "***") for a URL,
// and for anything else that is no Windows path (holds no '\\'), everything
// before its last '@' as ***, so that "user:pass@host" becomes "***@host".
std::string withUserinfoMasked(std::string_view value);

// One message (or one line of a log) as the service log writes it:
// - "Server <host>:<port> is unreachable." with the host normalised
//   (normaliseServerHost), so no "user:pass@" that the host field held;
// - "Invalid server payload: invalid type: <kind> `<value>`, expected a
//   string" with the value as *** (the one reader message that quotes a value
//   that was sent in place of a string, such as a password sent as a number);
// - withoutUrlUserinfo(<that>, "").
std::string withoutSecrets(std::string_view message);

}  // namespace korvane

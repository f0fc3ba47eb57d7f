#pragma once
// `korvane_service.exe status`: what a user or supporter needs to see first
// when the VPN does not come up. Needs no administrator rights and starts
// nothing: it only asks the Service Control Manager, the endpoint and the
// file system.

#include <filesystem>
#include <string>

namespace korvane::service {

struct StatusReport {
    std::string text;  // labelled lines, each ending in a line break
    bool endpointAnswered = false;
};

// Lines, in this order:
//   Version: <this program's version>
//   Service: not installed | <state>, pid <pid>, start type <type> | unknown (<why>)
//   Endpoint: 127.0.0.1:49190 answered: <health JSON> | 127.0.0.1:49190 did not answer (<why>)
//   Data folder: <dataFolder>
//   Install folder: <each of install's warnings for this executable> | only
//     administrators and the system can change it | not checked (<why>)
//   Log: <name>, <size> bytes, last written <UTC time>   (one per file in <dataFolder>\logs)
//   Last lines of service.log:  then up to 10 lines, indented, through
//     withoutSecrets (lines of an older version may hold what it removes); or
//     the reason they could not be read.
StatusReport collectStatusReport(const std::filesystem::path& dataFolder);

}  // namespace korvane::service

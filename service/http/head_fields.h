#pragma once
// The header fields of a request head. Only a few of them matter to the
// endpoint (Host, Origin, Content-Length); nothing else of the head is kept.

#include <string_view>
#include <vector>

namespace korvane::service {

struct HeadField {
    std::string_view name;
    std::string_view value;
};

// The fields of `head` (the bytes before the blank line): every line after the
// request line that holds a colon, split at the first colon, with spaces and
// tabs around the name and the value removed. Lines end at LF; a CR right
// before the LF is dropped. Works on raw bytes, so it also serves before the
// UTF-8 check. The views point into `head`.
std::vector<HeadField> headFields(std::string_view head);

}  // namespace korvane::service

// Host names that are guaranteed never to resolve.
#pragma once

#include <string>
#include <string_view>

namespace tesselon {

// The host part of a URL, in lower case; empty when the URL cannot be parsed.
std::string urlHost(std::string_view url);

// True for a URL whose host lies under the reserved ".invalid" domain. Such a name
// cannot resolve anywhere, so asking a name server about it would only send the name
// off the machine and wait for a "no".
bool urlNeverResolves(std::string_view url);

}  // namespace tesselon

// The size of what a URL serves, for a download's progress bar.
#pragma once

#include <cstdint>
#include <string_view>

#include "runtime/http/http_transfer.h"

namespace tesselon {

// Asks the server for the headers only and reads their Content-Length; -1 for an empty
// URL, a failed request or an answer without one. With `between`, the request runs on
// a worker and `between` is called while it runs (see awaitTransfer).
int64_t contentLengthProbe(std::string_view url, const HttpLimits& limits = {},
                           const std::function<bool(int64_t)>& between = {});

}  // namespace tesselon

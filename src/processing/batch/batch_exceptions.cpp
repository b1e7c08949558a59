#include "processing/batch/batch_exceptions.h"

namespace tesselon {

CaughtStop currentStop() noexcept {
    return runCatching([] { std::rethrow_exception(std::current_exception()); });
}

}  // namespace tesselon

// An exception that reaches the batch (memory the system would not give, a fault in a
// library or in the program) must not end the process: it stops the batch, which then
// tells what it did and why it stopped. This turns one into a value at the boundary of
// a worker or a batch.
#pragma once

#include <exception>
#include <new>
#include <string>

#include "core/image_failure.h"

namespace tesselon {

struct CaughtStop {
    BatchStop stop = BatchStop::None;
    std::string detail;  // what() of an internal error, when it had one
};

// Runs `work`; answers how an exception ended it, or BatchStop::None when none did.
template <typename Work>
CaughtStop runCatching(Work&& work) noexcept {
    try {
        work();
        return {};
    } catch (const std::bad_alloc&) {
        return {BatchStop::OutOfMemory, {}};
    } catch (const std::exception& e) {
        try {
            return {BatchStop::InternalError, e.what()};
        } catch (...) {
            return {BatchStop::InternalError, {}};
        }
    } catch (...) {
        return {BatchStop::InternalError, {}};
    }
}

// The exception being handled (inside a catch block) as a value.
CaughtStop currentStop() noexcept;

}  // namespace tesselon

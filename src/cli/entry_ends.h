// The ends of a batch's entries as its workers report them, held until the thread that
// runs the batch takes them: whoever is told of them is told on that thread.
#pragma once

#include <cstddef>
#include <mutex>
#include <string>
#include <vector>

#include "processing/batch/parallel_batch.h"

namespace tesselon {

struct EntryEndNote {
    size_t entry = 0;
    EntryEnd end = EntryEnd::NotHandled;
    std::string problem;
};

class EntryEnds {
public:
    // From a worker. An end that cannot be held (no memory) is left to the batch's
    // outcome, which holds every end anyway.
    void add(size_t entry, EntryEnd end, const std::string& problem) noexcept {
        try {
            std::lock_guard lock(mutex_);
            notes_.push_back({entry, end, problem});
        } catch (...) {
        }
    }
    // The ends reported since the last call, in the order they came.
    std::vector<EntryEndNote> take() {
        std::vector<EntryEndNote> taken;
        std::lock_guard lock(mutex_);
        taken.swap(notes_);
        return taken;
    }

private:
    std::mutex mutex_;
    std::vector<EntryEndNote> notes_;
};

}  // namespace tesselon

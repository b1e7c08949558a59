// The memory a batch's workers may take together. Each worker reserves what its image
// will need, by the size its header declares, before decoding it, and gives it back
// when the image is done; a worker whose image does not fit beside the others' waits.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>

namespace tesselon {

class MemoryBudget;

// Memory held from a budget; given back when destroyed.
class MemoryReservation {
public:
    MemoryReservation() = default;
    MemoryReservation(MemoryReservation&& other) noexcept;
    MemoryReservation& operator=(MemoryReservation&& other) noexcept;
    MemoryReservation(const MemoryReservation&) = delete;
    MemoryReservation& operator=(const MemoryReservation&) = delete;
    ~MemoryReservation() { release(); }

    uint64_t bytes() const { return bytes_; }
    void release();
    // Gives back what is held beyond `bytes`.
    void shrinkTo(uint64_t bytes);

private:
    friend class MemoryBudget;
    MemoryReservation(MemoryBudget* budget, uint64_t bytes) : budget_(budget), bytes_(bytes) {}
    MemoryBudget* budget_ = nullptr;
    uint64_t bytes_ = 0;
    bool forTheBatch_ = false;  // grown by growForTheBatch
};

class MemoryBudget {
public:
    explicit MemoryBudget(uint64_t limitBytes) : limit_(limitBytes) {}
    MemoryBudget(const MemoryBudget&) = delete;
    MemoryBudget& operator=(const MemoryBudget&) = delete;

    uint64_t limit() const { return limit_; }
    // The most one image may take: the limit less what is held for the whole batch.
    uint64_t forOneImage() const;

    // Waits until `bytes` fit beside what is held, then holds them. Requests are served
    // in the order they came, so a large image is not overtaken for ever by small ones.
    // Nothing when `bytes` exceed the whole limit, less what is held for the batch:
    // such an image can never be converted.
    std::optional<MemoryReservation> reserve(uint64_t bytes);

    // Adds `extra` bytes to `reservation` (an empty one or one of this budget) when they
    // fit now and nobody is waiting; never waits. A worker that already holds memory must
    // not wait for more while holding it: two such workers would wait for each other.
    bool tryGrow(MemoryReservation& reservation, uint64_t extra);

    // As tryGrow, for memory held while the whole batch runs (the manifest's records):
    // it comes off what any one image may take, so that no image waits for it.
    bool growForTheBatch(MemoryReservation& reservation, uint64_t extra);

    uint64_t held() const;

private:
    friend class MemoryReservation;
    void giveBack(uint64_t bytes, bool forTheBatch);

    const uint64_t limit_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    uint64_t held_ = 0;
    uint64_t heldForTheBatch_ = 0;  // part of held_
    uint64_t nextTicket_ = 0;
    uint64_t serving_ = 0;
};

// Half of the machine's physical memory: the default limit of a batch.
uint64_t defaultMemoryLimit();

// "512 MiB", "1.5 GiB": a size for messages.
std::string describeBytes(uint64_t bytes);

}  // namespace tesselon

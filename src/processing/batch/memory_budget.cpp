#include "processing/batch/memory_budget.h"

#include <unistd.h>

#include <cstdio>
#include <utility>

namespace tesselon {

MemoryReservation::MemoryReservation(MemoryReservation&& other) noexcept
    : budget_(std::exchange(other.budget_, nullptr)),
      bytes_(std::exchange(other.bytes_, 0)),
      forTheBatch_(std::exchange(other.forTheBatch_, false)) {}

MemoryReservation& MemoryReservation::operator=(MemoryReservation&& other) noexcept {
    if (this != &other) {
        release();
        budget_ = std::exchange(other.budget_, nullptr);
        bytes_ = std::exchange(other.bytes_, 0);
        forTheBatch_ = std::exchange(other.forTheBatch_, false);
    }
    return *this;
}

void MemoryReservation::release() {
    if (budget_) budget_->giveBack(bytes_, forTheBatch_);
    budget_ = nullptr;
    bytes_ = 0;
    forTheBatch_ = false;
}

void MemoryReservation::shrinkTo(uint64_t bytes) {
    if (!budget_ || bytes >= bytes_) return;
    budget_->giveBack(bytes_ - bytes, forTheBatch_);
    bytes_ = bytes;
}

std::optional<MemoryReservation> MemoryBudget::reserve(uint64_t bytes) {
    std::unique_lock lock(mutex_);
    if (bytes > limit_ - heldForTheBatch_) return std::nullopt;
    const uint64_t ticket = nextTicket_++;
    changed_.wait(lock, [&] { return serving_ == ticket && held_ + bytes <= limit_; });
    held_ += bytes;
    ++serving_;
    lock.unlock();
    // The next in line may fit too.
    changed_.notify_all();
    return MemoryReservation(this, bytes);
}

bool MemoryBudget::tryGrow(MemoryReservation& reservation, uint64_t extra) {
    if (reservation.budget_ && reservation.budget_ != this) return false;
    {
        std::lock_guard lock(mutex_);
        if (serving_ != nextTicket_ || extra > limit_ - held_) return false;
        held_ += extra;
    }
    reservation.budget_ = this;
    reservation.bytes_ += extra;
    return true;
}

bool MemoryBudget::growForTheBatch(MemoryReservation& reservation, uint64_t extra) {
    if (reservation.budget_ && !reservation.forTheBatch_) return false;
    if (!tryGrow(reservation, extra)) return false;
    reservation.forTheBatch_ = true;
    std::lock_guard lock(mutex_);
    heldForTheBatch_ += extra;
    return true;
}

uint64_t MemoryBudget::forOneImage() const {
    std::lock_guard lock(mutex_);
    return limit_ - heldForTheBatch_;
}

uint64_t MemoryBudget::held() const {
    std::lock_guard lock(mutex_);
    return held_;
}

void MemoryBudget::giveBack(uint64_t bytes, bool forTheBatch) {
    {
        std::lock_guard lock(mutex_);
        held_ -= bytes;
        if (forTheBatch) heldForTheBatch_ -= bytes;
    }
    changed_.notify_all();
}

uint64_t defaultMemoryLimit() {
    const long pages = ::sysconf(_SC_PHYS_PAGES);
    const long pageSize = ::sysconf(_SC_PAGE_SIZE);
    if (pages <= 0 || pageSize <= 0) return uint64_t(1) << 31;
    return uint64_t(pages) * uint64_t(pageSize) / 2;
}

std::string describeBytes(uint64_t bytes) {
    char text[32];
    if (bytes >= (uint64_t(10) << 30)) {
        std::snprintf(text, sizeof text, "%llu GiB", static_cast<unsigned long long>(bytes >> 30));
    } else if (bytes >= (uint64_t(1) << 30)) {
        std::snprintf(text, sizeof text, "%.1f GiB", double(bytes) / double(uint64_t(1) << 30));
    } else {
        std::snprintf(text, sizeof text, "%llu MiB", static_cast<unsigned long long>((bytes + (1 << 20) - 1) >> 20));
    }
    return text;
}

}  // namespace tesselon

#include "remote/spare_connections.h"

#include <algorithm>

namespace tesselon {

void SpareConnections::keep(std::string key, std::unique_ptr<RemoteClient> client) {
    if (!client) return;
    std::lock_guard lock(mutex_);
    spares_.push_back({std::move(key), std::move(client), std::chrono::steady_clock::now()});
}

std::unique_ptr<RemoteClient> SpareConnections::take(const std::string& key, std::chrono::seconds maxIdle) {
    std::vector<Spare> ending;  // their connections end outside the lock
    std::unique_ptr<RemoteClient> taken;
    {
        std::lock_guard lock(mutex_);
        const auto now = std::chrono::steady_clock::now();
        const auto stale = std::stable_partition(spares_.begin(), spares_.end(),
                                                 [now, maxIdle](const Spare& s) { return now - s.since <= maxIdle; });
        std::move(stale, spares_.end(), std::back_inserter(ending));
        spares_.erase(stale, spares_.end());
        for (auto it = spares_.rbegin(); it != spares_.rend(); ++it) {
            if (it->key != key) continue;
            taken = std::move(it->client);
            spares_.erase(std::next(it).base());
            break;
        }
    }
    return taken;
}

void SpareConnections::clear() {
    std::vector<Spare> ending;
    std::lock_guard lock(mutex_);
    ending.swap(spares_);
}

void SpareConnections::keepOnly(const std::string& key) {
    std::vector<Spare> ending;
    std::lock_guard lock(mutex_);
    const auto other = std::stable_partition(spares_.begin(), spares_.end(),
                                             [&key](const Spare& s) { return s.key == key; });
    std::move(other, spares_.end(), std::back_inserter(ending));
    spares_.erase(other, spares_.end());
}

size_t SpareConnections::size() const {
    std::lock_guard lock(mutex_);
    return spares_.size();
}

void SpareConnections::noteKept(int32_t id, std::string key) {
    std::lock_guard lock(mutex_);
    keptId_ = id;
    keptKey_ = std::move(key);
}

bool SpareConnections::keptFor(int32_t id, const std::string& key) const {
    std::lock_guard lock(mutex_);
    return id != 0 && id == keptId_ && key == keptKey_;
}

}  // namespace tesselon

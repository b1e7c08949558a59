// Connections a remote scan opened and left logged in, for the download that follows
// to take over instead of logging in again. Each is kept under a key naming what it is
// a connection to (server, user, trust), so that a download to another server never
// gets one, and for a short while only: an idle connection is soon dropped by servers.
#pragma once

#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "remote/remote_client.h"

namespace tesselon {

class SpareConnections {
public:
    // Kept longer than this, a connection is ended rather than handed out.
    static constexpr std::chrono::seconds kMaxIdle{60};

    void keep(std::string key, std::unique_ptr<RemoteClient> client);
    // A spare kept under `key`, the one kept last first; null when none is left. Spares
    // idle longer than `maxIdle` are ended on the way.
    std::unique_ptr<RemoteClient> take(const std::string& key, std::chrono::seconds maxIdle = kMaxIdle);
    // Ends every spare.
    void clear();
    // Ends every spare kept under another key than `key`.
    void keepOnly(const std::string& key);
    size_t size() const;

    // The FTP session that FtpID names was opened for `key` (0: none).
    void noteKept(int32_t id, std::string key);
    bool keptFor(int32_t id, const std::string& key) const;

private:
    struct Spare {
        std::string key;
        std::unique_ptr<RemoteClient> client;
        std::chrono::steady_clock::time_point since;
    };
    mutable std::mutex mutex_;
    std::vector<Spare> spares_;
    int32_t keptId_ = 0;
    std::string keptKey_;
};

}  // namespace tesselon

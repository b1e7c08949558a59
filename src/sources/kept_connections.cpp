#include "sources/kept_connections.h"

namespace tesselon {

namespace {

// Kept connections are checked before use, so age alone never ends one.
constexpr std::chrono::seconds kKeptIdleLimit = std::chrono::hours(24 * 365);

// Whether a connection taken again still answers its server. One that never
// transferred passes usable() without a word on the wire; a watch's connections have
// idled for an interval, long enough for the server to have gone, so they are asked.
bool stillAnswers(const RemoteContext& context, FtpClient& client) {
    // One PWD either way: asking for the folder also tells a session out of step.
    if (context.keepConnections) return !client.session()->currentDir().empty();
    return client.usable();
}

}  // namespace

std::chrono::seconds spareIdleLimit(const RemoteContext& context) {
    return context.keepConnections ? kKeptIdleLimit : SpareConnections::kMaxIdle;
}

std::unique_ptr<FtpClient> takeKeptFtpSession(const RemoteContext& context, const std::string& key, bool tls) {
    FtpSessionTable& sessions = context.sessions;
    if (!sessions.spares.keptFor(context.keptSession, key)) return nullptr;
    if (std::shared_ptr<FtpSession> kept = sessions.find(context.keptSession)) {
        auto client = std::make_unique<FtpClient>(std::move(kept), tls);
        if (stillAnswers(context, *client)) return client;
    }
    ftpClose(sessions, context.keptSession);
    context.keptSession = 0;
    sessions.spares.noteKept(0, {});
    return nullptr;
}

std::optional<FtpClient> takeSpareFtp(const RemoteContext& context, const std::string& key) {
    while (std::unique_ptr<RemoteClient> spare = context.sessions.spares.take(key, spareIdleLimit(context))) {
        auto* ftp = dynamic_cast<FtpClient*>(spare.get());
        if (ftp && stillAnswers(context, *ftp)) return std::move(*ftp);
    }
    return std::nullopt;
}

}  // namespace tesselon

#include "remote/create_remote_path.h"

#include <algorithm>
#include <string>

#include "remote/ftp_client.h"
#include "runtime/text/ascii_text.h"

namespace tesselon {

bool createRemotePath(FtpClient& client, std::string_view untrimmed) {
    const std::string trimmed(trimSpaces(untrimmed));
    std::string_view path = trimmed;
    const bool absolute = !path.empty() && path.front() == '/';
    std::string partial = absolute ? "" : "/";
    bool first = true;
    for (;;) {
        const size_t slash = path.find('/');
        const std::string_view component = path.substr(0, slash);
        if (!(first && absolute)) {
            partial += "/";
            partial += component;
            if (partial.rfind("//", 0) == 0) partial.erase(0, 1);
            if (!client.changeDir(partial) && !client.session()->makeDir(partial)) return false;
        }
        first = false;
        if (slash == std::string_view::npos) break;
        path.remove_prefix(slash + 1);
    }
    return true;
}

bool remoteFolderExists(RemoteClient& client, const std::string& folder) {
    if (auto* ftp = dynamic_cast<FtpClient*>(&client)) return ftp->changeDir(folder);
    RemoteListBounds bounds;
    bounds.maxEntries = 1;
    const RemoteListing listing = client.list(folder, bounds);
    return listing.failure == RemoteFailure::None || listing.overBound;
}

bool createRemotePath(RemoteClient& client, std::string_view untrimmed) {
    if (auto* ftp = dynamic_cast<FtpClient*>(&client)) return createRemotePath(*ftp, untrimmed);
    const std::string trimmed(trimSpaces(untrimmed));
    std::string partial;
    size_t from = 0;
    while (from <= trimmed.size()) {
        const size_t slash = std::min(trimmed.find('/', from), trimmed.size());
        const std::string_view component = std::string_view(trimmed).substr(from, slash - from);
        from = slash + 1;
        if (component.empty()) continue;  // a leading, doubled or final "/"
        partial += "/";
        partial += component;
        if (!remoteFolderExists(client, partial) && client.makeFolder(partial) != RemoteFailure::None) return false;
    }
    return true;
}

bool createRemotePath(FtpSessionTable& sessions, FtpID id, std::string_view path) {
    std::shared_ptr<FtpSession> session = sessions.find(id);
    if (!session) return false;
    FtpClient client(std::move(session), false);
    return createRemotePath(client, path);
}

}  // namespace tesselon

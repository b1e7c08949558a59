#include "core/state.h"
#include "runtime/fs/file_system.h"
#include "update/update_check/staged_update.h"
#include "update/update_check/update_bounds.h"
#include "update/update_check/update_steps.h"

namespace tesselon {

namespace {
constexpr double kStartPauseMs = 200;
}  // namespace

std::optional<std::string> chooseBaseUrl(UpdateSession& session) {
    session.pause(kStartPauseMs);
    const VendorHosts& hosts = session.check.hosts;
    std::string base = hosts.primary;
    const std::string probeCopy = session.temporary.file("$tesselonlv.$");
    const std::string probeUrl = base + kUpdateFolder + kVersionFileName;
    // Any answer of the host, whatever its status, shows that the host is there.
    if (session.useTool()) {
        const ToolDownloadResult result = session.toolDownload(probeUrl, probeCopy, kVersionFileMaxBytes);
        if (result.endProgram) return std::nullopt;
        if (result.text.empty()) base = hosts.fallback;
    } else {
        HttpTransferPtr probe = receiveHttpFile(probeUrl, probeCopy, session.httpOptions(kVersionFileMaxBytes));
        if (!probe || session.await(*probe) != kHttpSucceeded) base = hosts.fallback;
    }
    const std::string leftOver = session.programFolder() + "deleteme.now";
    if (fileSize(leftOver) > 0) deleteFile(leftOver);
    removeAbandonedStaging(session.programFolder());
    return base;
}

}  // namespace tesselon

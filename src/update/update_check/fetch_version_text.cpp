#include "runtime/fs/file_system.h"
#include "update/update_check/update_steps.h"

namespace tesselon {

namespace {

bool isSuccessStatus(long status) { return status >= 200 && status <= 299; }

// The body of a download that ended with a 2xx answer; empty otherwise.
std::string answerText(UpdateSession& session, HttpTransferPtr transfer) {
    if (!transfer || session.await(*transfer) != kHttpSucceeded || !isSuccessStatus(transfer->statusCode())) return {};
    return finishHttp(std::move(transfer)).body;
}

}  // namespace

std::optional<std::string> fetchVersionText(UpdateSession& session, const std::string& versionUrl) {
    if (session.useTool()) {
        ToolDownloadResult result = session.toolDownload(versionUrl, session.temporary.file("$zikupdate.tmp"), true);
        if (result.endProgram) return std::nullopt;
        return std::move(result.text);
    }
    std::string text = answerText(session, receiveHttpMemory(versionUrl, session.httpOptions()));
    if (text.find("Error 404 Not Found") == std::string::npos) return text;

    // Some hosts answer a first request with an error page; a second try goes through
    // a file.
    const std::string copy = session.temporary.file("~lastversion.tmp");
    HttpTransferPtr second = receiveHttpFile(versionUrl, copy, session.httpOptions());
    text.clear();
    if (second && session.await(*second) == kHttpSucceeded && isSuccessStatus(second->statusCode()))
        text = readWholeFile(copy).value_or(std::string());
    deleteFile(copy);
    return text;
}

}  // namespace tesselon

#include "runtime/fs/file_system.h"
#include "update/update_check/update_bounds.h"
#include "update/update_check/update_steps.h"

namespace tesselon {

namespace {

bool isSuccessStatus(long status) { return status >= 200 && status <= 299; }

// The body of a download that ended with a 2xx answer; empty otherwise.
std::string answerText(UpdateSession& session, HttpTransferPtr transfer) {
    if (!transfer || session.await(*transfer) != kHttpSucceeded || !isSuccessStatus(transfer->statusCode())) return {};
    return finishHttp(std::move(transfer)).body;
}

// A small file fetched whole through the download tool into the check's private
// folder, read and removed; empty when it did not come. Nothing when the program must
// end.
std::optional<std::string> throughTool(UpdateSession& session, const std::string& url, const char* copyName,
                                       int64_t maxBytes) {
    if (!session.temporary.valid()) return std::string();
    const std::string copy = session.temporary.file(copyName);
    const ToolDownloadResult result = session.toolDownload(url, copy, maxBytes);
    if (result.endProgram) return std::nullopt;
    std::string text;
    if (result.text == "OK") text = readWholeFile(copy, uint64_t(maxBytes)).value_or(std::string());
    deleteFile(copy);
    return text;
}

}  // namespace

std::optional<std::string> fetchVersionText(UpdateSession& session, const std::string& versionUrl) {
    if (session.useTool()) return throughTool(session, versionUrl, "$zikupdate.tmp", kVersionFileMaxBytes);
    const HttpOptions options = session.httpOptions(kVersionFileMaxBytes);
    std::string text = answerText(session, receiveHttpMemory(versionUrl, options));
    if (text.find("Error 404 Not Found") == std::string::npos) return text;

    // Some hosts answer a first request with an error page; a second try goes through
    // a file.
    text.clear();
    if (!session.temporary.valid()) return text;
    const std::string copy = session.temporary.file("~lastversion.tmp");
    HttpTransferPtr second = receiveHttpFile(versionUrl, copy, options);
    if (second && session.await(*second) == kHttpSucceeded && isSuccessStatus(second->statusCode()))
        text = readWholeFile(copy, uint64_t(kVersionFileMaxBytes)).value_or(std::string());
    deleteFile(copy);
    return text;
}

std::optional<std::string> fetchVersionSignature(UpdateSession& session, const std::string& versionUrl) {
    const std::string url = versionUrl + kSignatureSuffix;
    if (session.useTool()) return throughTool(session, url, "$zikupdate.sig", kSignatureMaxBytes);
    return answerText(session, receiveHttpMemory(url, session.httpOptions(kSignatureMaxBytes)));
}

}  // namespace tesselon

#include "update/download_tools/external_download.h"

#include <algorithm>
#include <array>

#include "core/frontend.h"
#include "runtime/fs/file_system.h"
#include "runtime/fs/private_folder.h"
#include "runtime/fs/text_codec.h"
#include "runtime/fs/text_file.h"
#include "runtime/http/reserved_hosts.h"
#include "runtime/process/program_run.h"
#include "runtime/text/ascii_text.h"
#include "update/download_tools/tool_arguments.h"
#include "update/download_tools/tool_choice.h"
#include "update/download_tools/tool_output.h"

namespace tesselon {

namespace {

constexpr const char* kMissingTitle = "WGET NO ENCONTRADO";
constexpr const char* kMissingText =
    "NO SE HA ENCONTRADO archivo WGET.dat\r\n\r\nDownload from Halvren Labs?\r\n\r\n"
    "(Download and copy it to the main executable folder)";
constexpr const char* kClosingTitle = "Closing Program";
constexpr const char* kClosingText =
    "This software will now close. Reopen it when WGET.dat is in the main executable folder.\r\n(";

constexpr size_t kChunkBytes = 4096;
constexpr size_t kDownloadBlockBytes = 2048;
constexpr size_t kBytesPerPass = 1 << 20;
constexpr size_t kFirstLineCharacters = 65536;
constexpr double kStartPauseMs = 100;
constexpr double kPassPauseMs = 1;
constexpr int kToolRunFlags = kRunHide | kRunOpen | kRunReadOutput | kRunReadError;

class ToolSession {
public:
    explicit ToolSession(const ToolDownloadContext& context) : context_(context) {}

    // Starts a tool; null when it cannot be started.
    std::unique_ptr<ProgramRun> start(const std::vector<std::string>& arguments, int flags = kToolRunFlags) {
        return std::move(runProgramArguments(arguments, {}, flags).run);
    }

    // One pass of the reading loop: the output waiting now (trimmed, up to 4096
    // bytes, empty when none), with the error output drained so the tool never
    // stalls on a full pipe.
    std::string readChunk(ProgramRun& run) {
        std::array<char, kChunkBytes> buffer{};
        std::string discard(run.availableErrorOutput(), '\0');
        if (!discard.empty()) run.readError(discard.data(), discard.size());
        const size_t waiting = std::min(run.availableOutput(), buffer.size());
        if (waiting == 0) return {};
        const size_t got = run.readOutput(buffer.data(), waiting);
        return std::string(trimSpaces(std::string_view(buffer.data(), got)));
    }

    // Keeps the windows alive between passes; false once the caller wants to stop.
    bool pause(double ms) {
        context_.frontend.waitPumpingEvents(ms);
        return !(context_.stopRequested && context_.stopRequested());
    }

private:
    const ToolDownloadContext& context_;
};

bool wget(const ToolDownloadContext& context, ToolSession& session, const std::string& url,
          const std::string& localPath, int64_t maxBytes) {
    std::unique_ptr<ProgramRun> run =
        session.start(boundFileSize(wgetArguments(context.programFolder, localPath, url), maxBytes));
    if (!run) return false;
    if (!session.pause(kStartPauseMs)) return false;
    bool complete = false;
    std::string lastText;
    while (run->running()) {
        const std::string chunk = session.readChunk(*run);
        // The closing line is looked for in the last output seen, not in the empty
        // read of a pass that found the tool already quiet.
        if (!chunk.empty()) lastText = chunk;
        if (wgetPercentage(chunk) == "100%") complete = true;
        if (!session.pause(kPassPauseMs)) return false;
    }
    return complete || wgetReportsSaved(lastText, localPath);
}

bool aria2(const ToolDownloadContext& context, ToolSession& session, const std::string& url,
           const std::string& localPath, int64_t maxBytes) {
    std::unique_ptr<ProgramRun> run =
        session.start(boundFileSize(aria2Arguments(context.programFolder, localPath, url), maxBytes));
    if (!run) return false;
    while (run->running()) {
        session.readChunk(*run);
        if (!session.pause(kPassPauseMs)) return false;
    }
    return run->exitCode() == 0;
}

bool xh(const ToolDownloadContext& context, ToolSession& session, const std::string& url,
        const std::string& localPath, int64_t maxBytes) {
    int64_t size = 0;
    {
        std::unique_ptr<ProgramRun> run = session.start(xhHeadersArguments(context.programFolder, url));
        if (!run) return false;
        while (run->running()) {
            if (const std::optional<int64_t> found = xhContentLength(session.readChunk(*run))) size = *found;
            if (!session.pause(kPassPauseMs)) return false;
        }
    }
    if (size <= 0 || (maxBytes >= 0 && size > maxBytes)) return false;

    // The body arrives on standard output and is written to the file here. The file is
    // made anew (never written through a link left in its place) before the tool runs.
    deleteFile(localPath);
    FileDescriptor file = createNewFile(localPath);
    if (!file.valid()) return false;
    std::unique_ptr<ProgramRun> run =
        session.start(xhDownloadArguments(context.programFolder, url), kRunHide | kRunOpen | kRunReadOutput);
    if (!run) return false;
    std::array<char, kDownloadBlockBytes> block{};
    int64_t received = 0;
    std::string percentage;
    bool written = true;
    while (run->running()) {
        // Reads what is there in blocks, then lets the windows run: at once while data
        // flows, after a short pause while the tool is quiet.
        size_t readThisPass = 0;
        for (size_t waiting; readThisPass < kBytesPerPass &&
                             (waiting = std::min(run->availableOutput(), block.size())) > 0;) {
            const size_t got = run->readOutput(block.data(), waiting);
            received += int64_t(got);
            // More than the answer announced is not the file; the tool is left to end
            // on its closed pipe.
            if (received > size) return false;
            written = written && writeAll(file.get(), block.data(), got);
            readThisPass += got;
            percentage = std::to_string(received * 100 / size) + "%";
        }
        if (!session.pause(readThisPass > 0 ? 0 : kPassPauseMs)) return false;
    }
    return file.reset() && written && percentage == "100%";
}

std::string firstLineOf(const std::string& path) {
    TextFile file = TextFile::openForReading(path, TextEncoding::Utf8);
    if (!file.isOpen()) return {};
    const std::string line = file.readLine();
    size_t pos = 0;
    for (size_t characters = 0; pos < line.size() && characters < kFirstLineCharacters; ++characters)
        decodeUtf8(line, pos);
    return line.substr(0, pos);
}

// Offers the tool's download page; true when the user took it and the program must end.
bool offerTool(const ToolDownloadContext& context) {
    Frontend& frontend = context.frontend;
    if (frontend.messageBox(kMissingTitle, kMissingText, MessageButtons::YesNo, MessageIcon::Warning) !=
        MessageAnswer::Yes)
        return false;
    runProgram(toolDownloadUrl(context.hosts));
    frontend.messageBox(kClosingTitle, std::string(kClosingText) + context.programFolder + ")", MessageButtons::Ok,
                        MessageIcon::Information);
    return true;
}

// Only web addresses reach a tool: a URL starting with "-" would be read as an option.
bool isWebUrl(const std::string& url) {
    const std::string lower = asciiLower(url);
    return lower.starts_with("http://") || lower.starts_with("https://");
}

}  // namespace

ToolDownloadResult externalDownload(const ToolDownloadContext& context, const std::string& url,
                                    const std::string& localPath, bool textMode, int64_t maxBytes) {
    const DownloadTool tool = chooseDownloadTool(context.programFolder);
    if (tool == DownloadTool::None) return ToolDownloadResult{{}, offerTool(context)};
    if (!isWebUrl(url) || urlNeverResolves(url)) return {};

    ToolSession session(context);
    bool ok = false;
    switch (tool) {
    case DownloadTool::Wget: ok = wget(context, session, url, localPath, maxBytes); break;
    case DownloadTool::Xh: ok = xh(context, session, url, localPath, maxBytes); break;
    case DownloadTool::Aria2: ok = aria2(context, session, url, localPath, maxBytes); break;
    case DownloadTool::None: break;
    }
    if (!ok) return {};
    if (!textMode) return ToolDownloadResult{"OK", false};
    std::string line = firstLineOf(localPath);
    if (tool != DownloadTool::Aria2) deleteFile(localPath);
    return ToolDownloadResult{std::move(line), false};
}

}  // namespace tesselon

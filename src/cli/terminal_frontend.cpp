#include "cli/terminal_frontend.h"

#include "cli/remote_options.h"
#include "cli/remote_texts.h"
#include "cli/terminal_text.h"

namespace tesselon {

std::string oneLine(std::string_view text) {
    std::string out;
    bool pendingSpace = false;
    for (char c : text) {
        if (c == '\r' || c == '\n') {
            pendingSpace = !out.empty();
            continue;
        }
        if (pendingSpace && c != ' ') out += ' ';
        pendingSpace = false;
        out += c;
    }
    return out;
}

MessageAnswer TerminalFrontend::messageBox(std::string_view title, std::string_view text,
                                           MessageButtons buttons, MessageIcon) {
    std::string line = terminalSafe(std::string(title) + ": " + oneLine(text));
    shown_.push_back(line);
    MessageAnswer answer = MessageAnswer::Ok;
    switch (buttons) {
    case MessageButtons::Ok: answer = MessageAnswer::Ok; break;
    case MessageButtons::OkCancel:
    case MessageButtons::RetryCancel: answer = MessageAnswer::Cancel; break;
    case MessageButtons::YesNo:
    case MessageButtons::YesNoDefaultNo:
    case MessageButtons::YesNoCancel:
    case MessageButtons::RetrySkipCancel: answer = questionAnswer; break;
    }
    // Every message box is a notice, a question or a refusal: --quiet keeps them.
    std::fprintf(out_, "%s\n", line.c_str());
    std::fflush(out_);
    return answer;
}

void TerminalFrontend::showConnectionTest(const ConnectionTestReport& report, bool silent) {
    std::string line;
    if (!report.connection.ok()) {
        line = connectionFailureText(report.connection);
        if (report.connection.failure == RemoteFailure::LoginRefused && passwordVariableUnset)
            line += std::string("; ") + kFtpPasswordVariable + " is not set, so only the settings file's password, if "
                    "any, was sent";
    } else if (!silent) {
        line = "connected to " + report.connection.server;
        if (!report.folder.empty())
            line += "; the folder '" + report.folder + (report.folderValid ? "' exists" : "' cannot be entered");
    }
    if (line.empty()) return;
    std::fprintf(out_, "tesselon-batch: %s\n", terminalSafe(line).c_str());
    std::fflush(out_);
}

void TerminalFrontend::setStatusLine(bool hide, std::string_view text) {
    if (!hide && !text.empty() && !quiet) {
        std::fprintf(out_, "%s\n", terminalSafe(oneLine(text)).c_str());
        std::fflush(out_);
    }
}

}  // namespace tesselon

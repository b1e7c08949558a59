#include "support/scripted_frontend.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <thread>

#include <gtest/gtest.h>

namespace tesselon::testing {

MessageAnswer ScriptedFrontend::messageBox(std::string_view title, std::string_view text,
                                           MessageButtons buttons, MessageIcon icon) {
    messages.push_back({std::string(title), std::string(text), buttons, icon});
    if (!answers.empty()) {
        MessageAnswer a = answers.front();
        answers.pop_front();
        return a;
    }
    if (buttons != MessageButtons::Ok) {
        ADD_FAILURE() << "unscripted question: " << title << " / " << text;
        return MessageAnswer::Cancel;
    }
    return MessageAnswer::Ok;
}

void ScriptedFrontend::setStatusLine(bool hide, std::string_view text) {
    statusLines.emplace_back(text);
    statusHidden = hide;
}

void ScriptedFrontend::openProgressWindow(std::string_view text, int) {
    progressOpen = true;
    progressTexts.emplace_back(text);
}

void ScriptedFrontend::setProgressText(std::string_view text) { progressTexts.emplace_back(text); }

void ScriptedFrontend::waitPumpingEvents(double ms) {
    waitedMs += ms;
    ++pumpedEvents;
    // A batch waiting for its workers calls this in a loop: a moment of real sleep keeps
    // that loop from taking the core the workers need, while the time asked for is only
    // counted.
    if (ms > 0) std::this_thread::sleep_for(std::chrono::microseconds(std::min<int64_t>(int64_t(ms * 1000), 1000)));
}

void ScriptedFrontend::showRemoteProgress(const RemoteProgress& progress) {
    std::lock_guard lock(progressMutex_);
    remoteProgress.push_back(progress);
}

void ScriptedFrontend::showConnectionTest(const ConnectionTestReport& report, bool silent) {
    connectionTests.push_back(report);
    connectionTestsSilent.push_back(silent);
}

bool ScriptedFrontend::askTrustServer(const ServerIdentity& identity) {
    trustQuestions.push_back(identity);
    if (trustAnswers.empty()) {
        ADD_FAILURE() << "unscripted trust question: " << identity.host << " " << identity.fingerprint;
        return false;
    }
    const bool answer = trustAnswers.front();
    trustAnswers.pop_front();
    return answer;
}

RetryAnswer ScriptedFrontend::askRetryRemoteFile(const FailedRemoteFile& file) {
    retryQuestions.push_back(file);
    if (retryAnswers.empty()) {
        ADD_FAILURE() << "unscripted retry question: " << file.path;
        return RetryAnswer::Cancel;
    }
    const RetryAnswer answer = retryAnswers.front();
    retryAnswers.pop_front();
    return answer;
}

}  // namespace tesselon::testing

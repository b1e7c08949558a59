#include "support/scripted_frontend.h"

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
}

}  // namespace tesselon::testing

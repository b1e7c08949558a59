// A desktop program started in-process on the offscreen platform, with its message
// boxes and requesters answered from scripts and every control driven by number.
#pragma once

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QSlider>
#include <QSpinBox>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/application.h"
#include "core/state.h"
#include "support/temp_dir.h"
#include "ui/control_registry.h"
#include "ui/main_window.h"
#include "ui/qt_frontend.h"

namespace tesselon::testing {

struct Shown {
    std::string title;
    std::string text;
    MessageButtons buttons;
    MessageIcon icon;
};

class DesktopTest : public ::testing::Test {
protected:
    // Answers for the questions (Yes/No boxes) in the order they come. An OK box is
    // answered without a script entry; a question without one fails the test.
    std::deque<MessageAnswer> answers;
    std::vector<Shown> messages;
    // Answers for the requesters, in order; an unscripted requester is a cancel.
    std::deque<RequesterAnswer> requesterAnswers;
    std::vector<RequesterCall> requests;
    // Runs as each message box comes up, before it is answered.
    std::function<void(const Shown&)> onMessage;

    TempDir programFolder;
    std::unique_ptr<Application> app;
    // What the online update replaces and restarts; the test binary itself when empty,
    // which no test lets it replace.
    std::string executablePath;
    // The folder the program starts from when not programFolder (a read-only one, say).
    std::string startFolder;

    // A consent file so that the start asks only whether to rescan.
    void giveConsent() { programFolder.write("HayConsentimiento.dat", std::string(84, 'x')); }

    // The defaults with the source, the destination and the extensions of a test.
    static Settings settingsFor(const std::string& source, const std::string& destination);
    // Writes default.cfg beside the program.
    void writeDefaultSettings(const Settings& settings);

    // Consent given, `count` solid images of different colours in a source folder
    // (a.png, b.png ...: image i is colourOf(i), and 60 + 10 i pixels wide), a
    // destination folder, and a start whose rescan question is answered Yes.
    void startWithImages(int count, std::function<void(Settings&)> adjust = {});
    // The same start over whatever the source folder holds.
    void startScanningSource(std::function<void(Settings&)> adjust = {});
    static uint32_t colourOf(int i) { return 0x102030u * uint32_t(i + 1) & 0xFFFFFF; }
    TempDir source;
    TempDir destination;

    // True when `action` refreshed the preview (which rewrites the image counter).
    bool previews(const std::function<void()>& action);

    // Starts the program with `params`; the answer to the start's rescan question is
    // taken from `answers`.
    bool startWith(std::vector<std::string> params = {}) {
        app = std::make_unique<Application>(
            Application::Options{startFolder.empty() ? programFolder.path() : startFolder, std::move(params)});
        if (!executablePath.empty()) app->setExecutablePath(executablePath);
        app->frontend().setMessageScript([this](std::string_view title, std::string_view text, MessageButtons b,
                                                MessageIcon i) { return answer(Shown{std::string(title),
                                                                                     std::string(text), b, i}); });
        app->frontend().setRequesterScript([this](const RequesterCall& call) {
            requests.push_back(call);
            if (requesterAnswers.empty()) return RequesterAnswer{};
            RequesterAnswer a = requesterAnswers.front();
            requesterAnswers.pop_front();
            return a;
        });
        return app->start();
    }

    AppState& state() { return app->state(); }
    MainWindow& window() { return *app->mainWindow(); }
    ControlRegistry& controls() { return window().controls(); }

    // A start whose questions all answer No: no consent file is needed for it.
    void startQuietly(std::vector<std::string> params = {}) {
        giveConsent();
        answers = {MessageAnswer::No};
        ASSERT_TRUE(startWith(std::move(params)));
    }

    // Starts with `settings` in default.cfg and answers No to the rescan.
    void startIdle(const Settings& settings) {
        writeDefaultSettings(settings);
        startQuietly();
    }

    // The user's actions, through the widgets themselves.
    void click(int id) { qobject_cast<QAbstractButton*>(controls().widget(id))->click(); }
    void slide(int id, int value) { qobject_cast<QSlider*>(controls().widget(id))->setValue(value); }
    void spin(int id, int value) { qobject_cast<QSpinBox*>(controls().widget(id))->setValue(value); }

    static RequesterAnswer path(std::string p) { return RequesterAnswer{true, std::move(p), 0, {}}; }
    static RequesterAnswer colour(uint32_t c) { return RequesterAnswer{true, {}, c, {}}; }
    static RequesterAnswer font(FontChoice f) { return RequesterAnswer{true, {}, 0, std::move(f)}; }

    // Titles of the boxes shown so far, from `from` on.
    std::vector<std::string> titles(size_t from = 0) const {
        std::vector<std::string> out;
        for (size_t i = from; i < messages.size(); ++i) out.push_back(messages[i].title);
        return out;
    }

private:
    MessageAnswer answer(const Shown& shown) {
        messages.push_back(shown);
        if (onMessage) onMessage(shown);
        if (shown.buttons == MessageButtons::Ok) return MessageAnswer::Ok;
        if (answers.empty()) {
            ADD_FAILURE() << "unscripted question: " << shown.title;
            return MessageAnswer::No;
        }
        const MessageAnswer a = answers.front();
        answers.pop_front();
        return a;
    }
};

// Writes a solid image of the given colour (0x00BBGGRR) as PNG or JPEG.
bool writeSolidImage(const std::string& path, int width, int height, uint32_t colour);

// The colour in the middle of a preview pane, 0x00BBGGRR.
uint32_t centreColour(const ImageObject* pane);

}  // namespace tesselon::testing

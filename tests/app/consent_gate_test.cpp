#include <gtest/gtest.h>

#include "app/consent_gate.h"
#include "runtime/dates/dates.h"
#include "runtime/fs/file_system.h"
#include "support/scripted_frontend.h"
#include "support/temp_dir.h"

namespace tesselon {
namespace {

using testing::ScriptedFrontend;
using testing::TempDir;
using testing::readFile;

TEST(ConsentGate, MissingFileAsksAndYesWritesTheDatedLine) {
    TempDir dir;
    ScriptedFrontend ui;
    ui.answers = {MessageAnswer::Yes};
    ASSERT_TRUE(passConsentGate(dir.path(), ui, makeDate(2026, 3, 5, 10, 0, 0)));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].title, "ATENCIÓN/PLEASE NOTE");
    EXPECT_EQ(ui.messages[0].buttons, MessageButtons::YesNo);
    EXPECT_EQ(ui.messages[0].icon, MessageIcon::Warning);
    EXPECT_NE(ui.messages[0].text.find("\r\n\r\n¿CONTINUAR? / CONTINUE?"), std::string::npos);
    const std::string written = readFile(dir.file("HayConsentimiento.dat"));
    EXPECT_EQ(written.size(), 84u);
    EXPECT_EQ(written.substr(written.size() - 12), "05/03/2026\r\n");
}

TEST(ConsentGate, NoEndsWithoutWritingAnything) {
    TempDir dir;
    ScriptedFrontend ui;
    ui.answers = {MessageAnswer::No};
    EXPECT_FALSE(passConsentGate(dir.path(), ui, currentDate()));
    EXPECT_EQ(fileSize(dir.file("HayConsentimiento.dat")), -1);
}

TEST(ConsentGate, TwentyBytesPassNineteenDoNot) {
    TempDir dir;
    ScriptedFrontend ui;
    dir.write("HayConsentimiento.dat", std::string(20, 'x'));
    EXPECT_TRUE(passConsentGate(dir.path(), ui, currentDate()));
    EXPECT_TRUE(ui.messages.empty());

    dir.write("HayConsentimiento.dat", std::string(19, 'x'));
    ui.answers = {MessageAnswer::Yes};
    EXPECT_TRUE(passConsentGate(dir.path(), ui, currentDate()));
    EXPECT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(fileSize(dir.file("HayConsentimiento.dat")), 84);
}

TEST(ConsentGate, UnwritableFileIsNotReportedAndTheProgramGoesOn) {
    TempDir dir;
    // A folder with the file's name cannot be replaced by a file, even by root.
    dir.write("HayConsentimiento.dat/keep", "");
    ScriptedFrontend ui;
    ui.answers = {MessageAnswer::Yes, MessageAnswer::Yes};
    EXPECT_TRUE(passConsentGate(dir.path(), ui, currentDate()));
    EXPECT_EQ(ui.messages.size(), 1u);
    // Still no proof of consent: the next start asks again.
    EXPECT_TRUE(passConsentGate(dir.path(), ui, currentDate()));
    EXPECT_EQ(ui.messages.size(), 2u);
}

}  // namespace
}  // namespace tesselon

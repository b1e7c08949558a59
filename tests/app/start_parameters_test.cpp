#include <gtest/gtest.h>

#include "app/start_parameters.h"
#include "core/state.h"

namespace tesselon {
namespace {

AppState stateWithFile() {
    AppState s;
    s.SettingsFilePath = "/prog/default.cfg";
    s.settings.entorno.RutaOrigenLocal = "/home/u/";
    s.settings.entorno.RutaImagenesDestino = "/tmp/";
    s.settings.entorno.imagenesRecursivo = 1;
    s.settings.entorno.imagenesSobreescribir = 1;
    s.settings.entorno.FormatoImagen = "png";
    s.settings.entorno.LocalRemoto = "R";
    return s;
}

TEST(StartParameters, QuotedFolderWithBlanksIsOneParameterWithoutQuotes) {
    for (const char* line : {R"(/FORIGEN="/home/u/my photos" /LOCKED=1)", R"("/FORIGEN=/home/u/my photos" /LOCKED=1)"}) {
        StartParameters params = StartParameters::fromCommandLine(line);
        ASSERT_EQ(params.count(), 2u) << line;
        AppState s = stateWithFile();
        applyStartSwitches(s, params);
        EXPECT_EQ(s.settings.entorno.RutaOrigenLocal, "/home/u/my photos");
        EXPECT_EQ(s.settings.entorno.locked, 1);
    }
}

TEST(StartParameters, LockedValues) {
    const std::pair<const char*, int> cases[] = {{"1", 1}, {"2", 2}, {"0", 0}, {"abc", 0}, {"256", 0},
                                                 {"257", 1}, {"$10", 16}, {"  7x", 7}, {"-1", -1}};
    for (auto [value, expected] : cases) {
        AppState s = stateWithFile();
        StartParameters params({std::string("/locked=") + value});
        applyStartSwitches(s, params);
        EXPECT_EQ(s.settings.entorno.locked, expected) << value;
    }
}

TEST(StartParameters, DestinationSwitchForcesALocalPlainJob) {
    AppState s = stateWithFile();
    StartParameters params({"/FDESTINO=/out/dir/"});
    applyStartSwitches(s, params);
    const STRProcesosEntorno& e = s.settings.entorno;
    EXPECT_EQ(e.RutaImagenesDestino, "/out/dir/");
    EXPECT_EQ(e.imagenesRecursivo, 0);
    EXPECT_EQ(e.imagenesSobreescribir, 0);
    EXPECT_EQ(e.FormatoImagen, "original");
    EXPECT_EQ(e.LocalRemoto, "L");
}

TEST(StartParameters, UnknownAndLongerNamesAreIgnoredAndPositionIsNotReset) {
    AppState s = stateWithFile();
    StartParameters params({"-update", "/FCONFIGX=/a.cfg", "plain", "/fconfig=/b.cfg"});
    applyStartSwitches(s, params);
    EXPECT_EQ(s.SettingsFilePath, "/b.cfg");
    // A second application (a later settings load) finds nothing left.
    s.SettingsFilePath = "/c.cfg";
    applyStartSwitches(s, params);
    EXPECT_EQ(s.SettingsFilePath, "/c.cfg");
    EXPECT_EQ(params.next(), "");
}

TEST(StartParameters, EmptyParameterHidesTheRest) {
    AppState s = stateWithFile();
    StartParameters params = StartParameters::fromCommandLine(R"("" /LOCKED=1)");
    EXPECT_EQ(params.count(), 2u);
    applyStartSwitches(s, params);
    EXPECT_EQ(s.settings.entorno.locked, 0);
}

TEST(StartParameters, EnclosingQuotesLeftInValuesAreStripped) {
    AppState s = stateWithFile();
    StartParameters params = StartParameters::fromCommandLine("");
    // Values reach the switch with quotes only when the shell passed them literally.
    s.settings.entorno.RutaOrigenLocal = "\"/a b/\"";
    s.SettingsFilePath = "\"";
    applyStartSwitches(s, params);
    EXPECT_EQ(s.settings.entorno.RutaOrigenLocal, "/a b/");
    EXPECT_EQ(s.SettingsFilePath, "\"");  // a single character is left alone
}

}  // namespace
}  // namespace tesselon

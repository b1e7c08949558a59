// What window 1's events do: the dispatcher that turns each control event, the close
// request and the release of the mouse button into an action on the settings, the
// image list, the preview or a long operation.
#pragma once

#include <functional>
#include <map>
#include <string>

#include "ui/control_types.h"
#include "ui/event_gate.h"

namespace tesselon {

struct AppState;
class ControlRegistry;
class Requesters;

// The answer that ends the program.
inline constexpr const char* kEndProgramAnswer = "findeprograma";

struct MainEventContext {
    AppState& state;
    ControlRegistry& controls;
    Requesters& requesters;
    // Rebuilds the working settings after a settings file was chosen for loading.
    std::function<void()> reloadSettings;
    // The FTP connection data window; true when the user accepted new data. While it
    // is missing the FTP button does nothing.
    std::function<bool()> openFtpConnectionWindow;
    // The download of the remote images; while it is missing the button does nothing.
    std::function<void()> downloadRemoteImages;

    // The position each trackbar had when its event was last handled.
    std::map<int, int> handledPositions;

    // Window 1's gate: a preview refresh holds it open to keep the events that arrive
    // meanwhile, and hands them to the handler when it is over. Without it they are lost.
    EventGate* gate = nullptr;
    bool refreshing = false;    // a refresh and the events it kept are being handled
    bool refreshOwed = false;   // one of those events asked for a refresh of its own
    bool endOwed = false;       // one of them asked to end the program
};

// Handles one event of window 1. Answers kEndProgramAnswer to end the program, else "".
std::string handleMainEvent(MainEventContext& context, const WindowEvent& event);

// What shows at once of an event kept for later: a trackbar's label follows it.
void showKeptEvent(MainEventContext& context, const WindowEvent& event);

// Filter lists of the file requesters.
inline constexpr const char* kSettingsFilters = "Configuración (*.cfg)|*.cfg|Todos (*.*)|*.*";
inline constexpr const char* kPhrasesFilters = "Texto (*.txt)|*.txt|Todos (*.*)|*.*";

// The name a settings file is saved under: ".cfg" appended unless the file's
// extension already is cfg in any letter case.
std::string settingsFileName(const std::string& chosen);

}  // namespace tesselon

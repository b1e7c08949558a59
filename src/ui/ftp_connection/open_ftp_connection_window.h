// The FTP action of window 1: window 3 with the stored connection data, and what
// accepting new data does to the settings, the image list and the window.
#pragma once

class QWidget;

namespace tesselon {

struct AppState;
class ControlRegistry;
class LanguageTable;

// Opens window 3 modal over window 1. On Aceptar the data are stored; when the server
// or the remote folder changed, the image list is emptied, the settings are shown in
// window 1 and the rescan is offered (the preview follows a rescan). True on Aceptar.
bool openFtpConnectionWindow(AppState& state, LanguageTable& table, ControlRegistry& mainControls,
                             QWidget* mainWindow);

}  // namespace tesselon

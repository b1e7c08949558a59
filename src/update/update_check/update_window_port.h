// Window 4 as the update check sees it: what the window is to show, and what the user
// did since the last look. The desktop program implements it with a dialog; tests
// with a script.
#pragma once

#include <cstdint>
#include <string>

namespace tesselon {

struct UpdateScreen {
    bool expanded = false;      // the download rows shown too, not only the two stamps
    std::string localStamp;
    std::string onlineStamp;    // empty until known: the window shows its waiting text
    std::string fileCounter;    // "(2 de 3)"; empty keeps the window's own text
    int64_t progressMaximum = 100;  // 0 while the size is unknown: a busy bar
    int64_t progressValue = 0;
};

struct UpdateInput {
    bool downloadPressed = false;  // "Descargar  Nueva Versión"
    bool leavePressed = false;     // "Salir", or the window's close button or Escape
    bool checkBoxChecked = false;  // "Buscar actualización al inicio del programa"
};

class UpdateWindowPort {
public:
    virtual ~UpdateWindowPort() = default;

    // Opens the window centred, above the main window, showing `screen`; the check box
    // starts unchecked.
    virtual void open(const UpdateScreen& screen) = 0;
    virtual void show(const UpdateScreen& screen) = 0;
    // The presses since the last call, and the check box as it is now.
    virtual UpdateInput takeInput() = 0;
    virtual void close() = 0;
};

}  // namespace tesselon

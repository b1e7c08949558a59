// A message box as the desktop shows it: composed first, then shown by the front end.
#pragma once

#include <string>

#include "core/frontend.h"

namespace tesselon {

struct MessageBoxText {
    std::string title;
    std::string text;
    MessageIcon icon = MessageIcon::Information;
    MessageButtons buttons = MessageButtons::Ok;
};

}  // namespace tesselon

// Fonts of the window tables as Qt fonts.
#pragma once

#include <QFont>

#include "ui/control_types.h"

namespace tesselon {

// Every attribute of the result is set explicitly, so a control never inherits the
// font of the panel or container it sits in: a control with the default font shows
// the application's interface font even inside Calibri 11 bold panel 5.
QFont resolveFont(const FontSpec& spec);

}  // namespace tesselon

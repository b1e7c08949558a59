// Turns a window table into widgets registered by number.
#pragma once

#include <span>

#include "ui/interface_images.h"
#include "ui/language_table.h"
#include "ui/window_layout.h"

class QWidget;

namespace tesselon {

class ControlRegistry;

struct WindowContent {
    std::span<const ControlSpec> controls;
    std::span<const char* const> panelTabKeys;  // caption keys of the panel's tabs
    const InterfaceImages* images = nullptr;    // may be null when the table shows none
};

// Creates every control in table order under `window`: captions and tooltips from the
// language table, fonts, colours, ranges, images, option groups and accessible names.
// A control whose parent is missing is skipped. Returns the number created.
int buildControls(QWidget* window, const WindowContent& content, ControlRegistry& registry,
                  LanguageTable& table);

}  // namespace tesselon

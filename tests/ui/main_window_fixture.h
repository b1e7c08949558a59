// A built main window with the program's language table and interface images.
#pragma once

#include <gtest/gtest.h>

#include "runtime/imaging/codec_registry.h"
#include "ui/interface_images.h"
#include "ui/language_table.h"
#include "ui/main_window.h"

namespace tesselon::testing {

class MainWindowTest : public ::testing::Test {
protected:
    MainWindowTest() { window.buildControls(table, images); }

    ControlRegistry& controls() { return window.controls(); }
    template <class W>
    W* widget(int id) {
        return qobject_cast<W*>(window.controls().widget(id));
    }

    LanguageTable table = buildLanguageTable();
    InterfaceImages images = decodeInterfaceImages(standardRegistry(), 1.0, 1.0);
    MainWindow window;
};

}  // namespace tesselon::testing

// Window 2: the small progress window of long operations, with an information text
// (127), a bar (128) and a cancel button (129).
#pragma once

#include <QWidget>
#include <cstdint>
#include <functional>
#include <string_view>

#include "ui/control_registry.h"

namespace tesselon {

class LanguageTable;

class ProgressWindow : public QWidget {
    Q_OBJECT
public:
    static constexpr int kClientWidth = 500;
    static constexpr int kClientHeight = 145;
    static constexpr uint32_t kBackgroundColour = 0x464646;  // 0x00BBGGRR

    // Builds the window hidden: a dialog whose title bar has no buttons at all.
    explicit ProgressWindow(LanguageTable& table, QWidget* parent = nullptr);

    ControlRegistry& controls() { return controls_; }

    // Sets the information text, the bar's range to 0..maximum and its position to 0.
    void reset(std::string_view text, int maximum);
    void setInformation(std::string_view text);
    void setPosition(int position);

    void centreOnScreen();
    // Closes the window for good. A close from the window manager does not close it,
    // since the operation that opened it decides when it ends: it calls
    // onCloseRequested instead, which acts as the window's Cancelar.
    void closeForExit();
    std::function<void()> onCloseRequested;

protected:
    void closeEvent(QCloseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    ControlRegistry controls_;
    bool closingForExit_ = false;
};

}  // namespace tesselon

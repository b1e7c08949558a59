// Window 4: the online update's window, showing the local and the online build stamps
// and, when a newer build is offered, the download counter, a progress bar, the
// "Descargar" and "Salir" buttons and the start-up check box. It shows what it is
// given and reports what the user pressed; the update check decides everything else.
#pragma once

#include <QPointer>
#include <QWidget>
#include <cstdint>

#include "ui/control_registry.h"
#include "update/update_check/update_window_port.h"

namespace tesselon {

class LanguageTable;

class UpdateWindow : public QWidget, public UpdateWindowPort {
    Q_OBJECT
public:
    static constexpr int kClientWidth = 305;
    static constexpr int kClientHeight = 350;
    static constexpr int kSmallHeight = 110;  // only the two stamps
    static constexpr uint32_t kBackgroundColour = 0x020202;  // 0x00BBGGRR

    // Builds the window hidden. It stays above `owner` (the main window) without being
    // its child, so it keeps working while the main window is disabled.
    explicit UpdateWindow(LanguageTable& table, QWidget* owner = nullptr);

    ControlRegistry& controls() { return controls_; }

    void open(const UpdateScreen& screen) override;
    void show(const UpdateScreen& screen) override;
    UpdateInput takeInput() override;
    void close() override;

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void centreOnScreen();

    LanguageTable& table_;
    QPointer<QWidget> owner_;
    ControlRegistry controls_;
    UpdateInput pressed_;
    bool closingForGood_ = false;
};

}  // namespace tesselon

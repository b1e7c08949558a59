#include <gtest/gtest.h>

#include <QCheckBox>
#include <QGroupBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

#include "ui/language_table.h"
#include "ui/update_window/update_window.h"
#include "ui/update_window/update_window_controls.h"

namespace tesselon::testing {
namespace {

class Window4 : public ::testing::Test {
protected:
    Window4() { window.open(screen); }
    ~Window4() override { window.close(); }

    template <class W>
    W* widget(int id) {
        return qobject_cast<W*>(window.controls().widget(id));
    }

    LanguageTable table = buildLanguageTable();
    UpdateWindow window{table};
    UpdateScreen screen{false, "2025112112342", "", "", 100, 0};
};

TEST_F(Window4, OpensSmallShowingBothStampsThenGrowsForTheDownload) {
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(window.windowTitle(), "Actualización OnLine");
    EXPECT_EQ(window.size(), QSize(305, 110));
    EXPECT_EQ(window.windowFlags() & Qt::WindowType_Mask, Qt::Tool);
    EXPECT_TRUE(window.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(window.grab().toImage().pixelColor(300, 105), QColor(2, 2, 2));

    ControlRegistry& c = window.controls();
    EXPECT_EQ(c.text(Gadget_Update_Text73), "Tu versión:");
    EXPECT_EQ(c.text(Gadget_Update_Text_VersionLocal), "2025112112342");
    EXPECT_EQ(c.textColour(Gadget_Update_Text_VersionLocal), 0x0000AEu);
    EXPECT_EQ(c.text(Gadget_Update_Text74), "Última Versión:");
    // Until the host answered.
    EXPECT_EQ(c.text(Gadget_Update_Text_VersionInternet), "Descargando....");
    EXPECT_EQ(c.textColour(Gadget_Update_Text_VersionInternet), 0xFF8000u);
    EXPECT_EQ(c.widget(Gadget_Update_Text_VersionInternet)->geometry(), QRect(140, 70, 150, 20));
    EXPECT_TRUE(widget<QGroupBox>(Gadget_Update_Frame3D69)->font().underline());

    screen.onlineStamp = "2025112112343";
    screen.expanded = true;
    screen.fileCounter = "(1 de 3)";
    screen.progressMaximum = 5000;
    screen.progressValue = 1250;
    window.show(screen);
    EXPECT_EQ(window.size(), QSize(305, 350));
    // The check box's row is as dark as the window, so its white caption shows.
    EXPECT_EQ(window.grab().toImage().pixelColor(287, 337), QColor(2, 2, 2));
    EXPECT_EQ(c.text(Gadget_Update_Text_VersionInternet), "2025112112343");
    EXPECT_EQ(c.text(Gadget_Update_Text_DownloadingCurrentFile), "(1 de 3)");
    EXPECT_EQ(c.textColour(Gadget_Update_Text_DownloadingCurrentFile), 0x00FFFFu);
    EXPECT_EQ(c.text(Gadget_Update_Button_Descargar), "Descargar  Nueva Versión");
    EXPECT_EQ(c.widget(Gadget_Update_Button_Descargar)->geometry(), QRect(70, 115, 170, 65));
    EXPECT_EQ(c.text(Gadget_Update_Button_Cancelar), "Salir");
    EXPECT_EQ(c.widget(Gadget_Update_Button_Cancelar)->geometry(), QRect(15, 270, 275, 40));
    EXPECT_EQ(c.text(Gadget_Update_Text_Downloading), "Progreso de descarga");
    EXPECT_EQ(c.text(Gadget_Update_Text_DownloadingB), "Archivo");
    EXPECT_EQ(c.text(Gadget_Update_CheckBox_ComprobarActualizacion), "Buscar actualización al inicio del programa");
    EXPECT_EQ(c.widget(Gadget_Update_CheckBox_ComprobarActualizacion)->geometry(), QRect(15, 320, 275, 20));
    QProgressBar* bar = widget<QProgressBar>(Gadget_Update_ProgressBar);
    EXPECT_EQ(bar->geometry(), QRect(15, 235, 275, 25));
    EXPECT_EQ(double(bar->value()) / bar->maximum(), 0.25);

    // A file larger than the bar can count is shown in proportion.
    screen.progressMaximum = int64_t(6) << 32;
    screen.progressValue = int64_t(3) << 32;
    window.show(screen);
    EXPECT_EQ(double(bar->value()) / bar->maximum(), 0.5);
}

TEST_F(Window4, PressesAreReportedOnceAndTheCheckBoxAsItIs) {
    screen.expanded = true;
    window.show(screen);
    widget<QPushButton>(Gadget_Update_Button_Descargar)->click();
    widget<QCheckBox>(Gadget_Update_CheckBox_ComprobarActualizacion)->click();
    UpdateInput input = window.takeInput();
    EXPECT_TRUE(input.downloadPressed);
    EXPECT_FALSE(input.leavePressed);
    EXPECT_TRUE(input.checkBoxChecked);
    input = window.takeInput();
    EXPECT_FALSE(input.downloadPressed);
    EXPECT_TRUE(input.checkBoxChecked);

    // The title bar's close button and Escape mean "Salir"; the window stays until the
    // update check closes it.
    window.QWidget::close();
    EXPECT_TRUE(window.isVisible());
    EXPECT_TRUE(window.takeInput().leavePressed);
    QTest::keyClick(&window, Qt::Key_Escape);
    EXPECT_TRUE(window.takeInput().leavePressed);
    widget<QPushButton>(Gadget_Update_Button_Cancelar)->click();
    EXPECT_TRUE(window.takeInput().leavePressed);

    // Every start offers the check box unchecked.
    window.close();
    window.open(screen);
    EXPECT_FALSE(window.takeInput().checkBoxChecked);
}

TEST_F(Window4, KeyboardReachesEveryControlAndScreenReadersCanNameThem) {
    screen.expanded = true;
    window.show(screen);
    QWidget* download = window.controls().widget(Gadget_Update_Button_Descargar);
    QWidget* leave = window.controls().widget(Gadget_Update_Button_Cancelar);
    QWidget* check = window.controls().widget(Gadget_Update_CheckBox_ComprobarActualizacion);
    // Where Tab goes next, as Qt picks it: the next control in the chain that takes
    // focus from the keyboard.
    const auto tabFrom = [this](QWidget* from) {
        QWidget* w = from->nextInFocusChain();
        while (w != from && !((w->focusPolicy() & Qt::TabFocus) && w->isVisibleTo(&window) && w->isEnabled()))
            w = w->nextInFocusChain();
        return w;
    };
    EXPECT_EQ(tabFrom(download), leave);
    EXPECT_EQ(tabFrom(leave), check);
    EXPECT_EQ(tabFrom(check), download);
    EXPECT_EQ(widget<QProgressBar>(Gadget_Update_ProgressBar)->accessibleName(), "Progreso de descarga");
    EXPECT_EQ(window.controls().widget(Gadget_Update_Frame3D69)->accessibleName(), "Versión instalada");
    EXPECT_EQ(window.controls().widget(Gadget_Update_Frame3D69_70)->accessibleName(), "Versión disponible");
}

}  // namespace
}  // namespace tesselon::testing

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QButtonGroup>
#include <QFontInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTabBar>
#include <QTabWidget>
#include <QRegularExpression>
#include <set>

#include "main_window_fixture.h"
#include "ui/fitting_label.h"
#include "ui/format_controls.h"
#include "ui/main_window_controls.h"
#include "ui/window_layout.h"

namespace tesselon::testing {
namespace {

QRect geometryOf(ControlRegistry& c, int id) { return c.widget(id)->geometry(); }

QString familyShown(QWidget* w) { return QFontInfo(w->font()).family(); }

class MainWindowLayout : public MainWindowTest {};

TEST_F(MainWindowLayout, WindowFrameTitleAndBackground) {
    EXPECT_EQ(window.windowTitle(), "Varimosa");
    EXPECT_EQ(window.minimumSize(), QSize(1024, 700));
    EXPECT_EQ(window.maximumSize(), QSize(1024, 700));
    const Qt::WindowFlags flags = window.windowFlags();
    EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(flags & Qt::WindowMinimizeButtonHint);
    EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(window.isVisible());  // shown by the start-up once everything exists

    // The purple shows in the gap between the top strip and panel 5.
    const QImage shot = window.grab().toImage();
    EXPECT_EQ(shot.pixelColor(500, 50), QColor(0x40, 0x00, 0x80));
    EXPECT_EQ(window.backgroundColour(), 0x800040u);
}

TEST_F(MainWindowLayout, StatusBarFieldsAndClock) {
    EXPECT_EQ(window.statusFieldText(0), "Area 1");
    EXPECT_EQ(window.statusFieldText(1), "Area 2");
    EXPECT_TRUE(QRegularExpression(R"(^\d\d/\d\d/\d{4} \d\d:\d\d:\d\d$)").match(window.clockText()).hasMatch());
    EXPECT_EQ(window.statusFieldText(3), "");
}

TEST_F(MainWindowLayout, EveryNumberExceptTheUnusedOnes) {
    std::set<int> expected;
    for (int id = 1; id <= 126; ++id)
        if (id != 6 && id != 7 && id != 32 && id != 73) expected.insert(id);
    // Formats beyond JPG, PNG and GIF have controls of their own.
    for (const auto* formats : {&sourceFormatControls(), &resultFormatControls()})
        for (const FormatControl& f : *formats) expected.insert(f.id);
    const std::vector<int> ids = controls().ids();
    EXPECT_EQ(std::set<int>(ids.begin(), ids.end()), expected);
    EXPECT_EQ(ids.size(), expected.size());
    EXPECT_EQ(std::vector<int>(ids.begin(), ids.begin() + 6), (std::vector<int>{1, 2, 3, 4, 5, 74}));
    EXPECT_EQ(ids.back(), Gadget_Principal_Button_Cancelar);
    // Every caption and tooltip key the window asked for was in the table: the built-in
    // texts and the captions of the added format controls.
    EXPECT_EQ(table.size(), 180u + sourceFormatControls().size() + resultFormatControls().size() - 6);
}

TEST_F(MainWindowLayout, SampleRowsAsLaidOut) {
    // Status line: text on the window, centred, Calibri 14 bold, yellow on red.
    auto* status = widget<QLabel>(Gadget_Principal_TextInformativo);
    ASSERT_NE(status, nullptr);
    EXPECT_EQ(status->parentWidget(), &window);
    EXPECT_EQ(status->geometry(), QRect(220, 5, 590, 40));
    EXPECT_EQ(status->text(), "TextoLog");
    EXPECT_TRUE(status->alignment() & Qt::AlignHCenter);
    EXPECT_EQ(status->font().pointSize(), 14);
    EXPECT_TRUE(status->font().bold());
    EXPECT_EQ(familyShown(status), "Carlito");
    EXPECT_EQ(controls().backColour(Gadget_Principal_TextInformativo), 0x0000FFu);
    EXPECT_EQ(controls().textColour(Gadget_Principal_TextInformativo), 0x00FFFFu);
    EXPECT_EQ(status->palette().color(QPalette::Window), QColor(255, 0, 0));

    // Source path: read-only string on tab 0 in Calibri Light 10 with its tooltip.
    auto* path = widget<QLineEdit>(Gadget_Principal_Archivo_String_RutaImagenes);
    ASSERT_NE(path, nullptr);
    EXPECT_EQ(path->geometry(), QRect(20, 50, 535, 20));
    EXPECT_TRUE(path->isReadOnly());
    EXPECT_EQ(path->text(), "");
    EXPECT_EQ(path->font().pointSize(), 10);
    EXPECT_EQ(familyShown(path), "Carlito");
    EXPECT_EQ(controls().toolTip(Gadget_Principal_Archivo_String_RutaImagenes),
              "Introduzca la URL a las imágenes. Example: https://www.example.com/content/uploads/");

    // Quality trackbar: range 10-100, ticks, tooltip, default font.
    auto* quality = widget<QSlider>(Gadget_Principal_Archivo_TrackBar_GrabarCalidad);
    ASSERT_NE(quality, nullptr);
    EXPECT_EQ(quality->geometry(), QRect(750, 220, 225, 25));
    EXPECT_EQ(quality->minimum(), 10);
    EXPECT_EQ(quality->maximum(), 100);
    EXPECT_NE(quality->tickPosition(), QSlider::NoTicks);
    EXPECT_EQ(quality->orientation(), Qt::Horizontal);
    EXPECT_EQ(controls().toolTip(Gadget_Principal_Archivo_TrackBar_GrabarCalidad),
              "A mayor calidad, mayor tamaño de archivo en disco. Recomendado: 70 mínimo");

    // Free angle spin: -1..360 on pale yellow.
    auto* spin = widget<QSpinBox>(Gadget_Principal_Basico_Spin_RotarLibre);
    ASSERT_NE(spin, nullptr);
    EXPECT_EQ(spin->geometry(), QRect(130, 115, 55, 20));
    EXPECT_EQ(spin->minimum(), -1);
    EXPECT_EQ(spin->maximum(), 360);
    EXPECT_EQ(controls().backColour(Gadget_Principal_Basico_Spin_RotarLibre), 0xB3FFFFu);

    // Background swatch: sunken, white on near-black.
    auto* swatch = widget<QLabel>(Gadget_Principal_Basico_Text_ColorFondo);
    ASSERT_NE(swatch, nullptr);
    EXPECT_EQ(swatch->text(), "Color del fondo");
    EXPECT_EQ(swatch->frameShadow(), QFrame::Sunken);
    EXPECT_EQ(controls().backColour(Gadget_Principal_Basico_Text_ColorFondo), 0x000001u);
    EXPECT_EQ(controls().textColour(Gadget_Principal_Basico_Text_ColorFondo), 0xFFFFFFu);

    // Counter of the preview: blue on pale green in container 64.
    EXPECT_EQ(controls().text(Gadget_Principal_Text_InfoNumImagenes), "9999999/9999999");
    EXPECT_EQ(controls().backColour(Gadget_Principal_Text_InfoNumImagenes), 0xB7FFB7u);
    EXPECT_EQ(controls().textColour(Gadget_Principal_Text_InfoNumImagenes), 0xFF0000u);

    // Font button: Calibri 16 bold italic.
    auto* font = widget<QPushButton>(Gadget_Principal_Button_Font);
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(font->text(), "T");
    EXPECT_TRUE(font->font().bold());
    EXPECT_TRUE(font->font().italic());
    EXPECT_EQ(font->font().pointSize(), 16);

    // The download field has an empty face name: the system's face at 9 points.
    auto* downloads = widget<QLineEdit>(Gadget_Principal_Archivo_String_RutaImagenesDescargadas);
    ASSERT_NE(downloads, nullptr);
    EXPECT_EQ(downloads->text(), "C:\\TEMP");
    EXPECT_EQ(downloads->font().pointSize(), 9);
    EXPECT_EQ(downloads->font().family(), QApplication::font().family());
    EXPECT_EQ(controls().textColour(Gadget_Principal_Archivo_String_RutaImagenesDescargadas), 0xFF0000u);

    // PROCESAR: Calibri 14 bold in container 116.
    auto* run = widget<QPushButton>(Gadget_Principal_Button_Procesar);
    ASSERT_NE(run, nullptr);
    EXPECT_EQ(run->parentWidget(), controls().widget(Container_Principal_Procesado));
    EXPECT_EQ(run->text(), "PROCESAR");
    EXPECT_EQ(familyShown(run), "Carlito");
}

TEST_F(MainWindowLayout, DefaultFontIsNotInheritedFromThePanel) {
    // Panel 5 uses Calibri 11 bold; a control with the default font inside it keeps the
    // application's interface font.
    QWidget* label = controls().widget(Gadget_Principal_Basico_Text_CantidadTinteLabel);
    EXPECT_EQ(controls().font(Panel_Principal).pointSize(), 11);
    EXPECT_TRUE(controls().font(Panel_Principal).bold());
    EXPECT_EQ(label->font().family(), QApplication::font().family());
    EXPECT_EQ(label->font().pointSizeF(), QApplication::font().pointSizeF());
    EXPECT_FALSE(label->font().bold());
    // Tab captions show in the panel's font.
    auto* tabs = widget<QTabWidget>(Panel_Principal);
    EXPECT_TRUE(tabs->tabBar()->font().bold());
}

TEST_F(MainWindowLayout, ParentsArePanelPagesAndContainers) {
    auto* tabs = widget<QTabWidget>(Panel_Principal);
    ASSERT_NE(tabs, nullptr);
    EXPECT_EQ(tabs->geometry(), QRect(10, 55, 1005, 290));
    EXPECT_EQ(controls().widget(Gadget_Principal_Archivo_Frame_RutaImagenesOrigen)->parentWidget(), tabs->widget(0));
    EXPECT_EQ(controls().widget(Gadget_Principal_Basico_Frame_Espejo)->parentWidget(), tabs->widget(1));
    EXPECT_EQ(controls().widget(Gadget_Principal_Frame_ArchivoTextos)->parentWidget(), tabs->widget(2));
    EXPECT_EQ(controls().widget(Gadget_Principal_FramePreview)->parentWidget(),
              controls().widget(Container_Principal_Preview));
    EXPECT_EQ(controls().widget(Gadget_Principal_FrameProcesado)->parentWidget(),
              controls().widget(Container_Principal_Procesado));
    EXPECT_EQ(controls().widget(Gadget_Principal_ButtonImage_Cerrar)->parentWidget(), &window);
    EXPECT_EQ(geometryOf(controls(), Container_Principal_Preview), QRect(10, 355, 800, 315));
    EXPECT_EQ(geometryOf(controls(), Container_Principal_Procesado), QRect(815, 355, 200, 315));
}

TEST_F(MainWindowLayout, EveryControlFitsItsParent) {
    window.show();  // lays out the panel's pages
    const QRect page = widget<QTabWidget>(Panel_Principal)->currentWidget()->rect();
    for (int id : controls().ids()) {
        const ControlSpec* spec = nullptr;
        for (const ControlSpec& s : mainWindowLayout())
            if (s.id == id) spec = &s;
        ASSERT_NE(spec, nullptr);
        QWidget* w = controls().widget(id);
        const QRect room = spec->parent.tab >= 0 ? page : w->parentWidget()->rect();
        EXPECT_TRUE(room.contains(w->geometry())) << "control " << id;
    }
}

TEST_F(MainWindowLayout, TabsAndTheEmptyFourthTab) {
    auto* tabs = widget<QTabWidget>(Panel_Principal);
    ASSERT_EQ(tabs->count(), 4);
    EXPECT_EQ(controls().itemText(Panel_Principal, 0), "Configuración Inicial de imágenes");
    EXPECT_EQ(controls().itemText(Panel_Principal, 1), "Modificaciones básicas");
    EXPECT_EQ(controls().itemText(Panel_Principal, 2), "Texto sobre Imagen");
    EXPECT_EQ(controls().itemText(Panel_Principal, 3), "Tab189");
    EXPECT_TRUE(tabs->widget(3)->findChildren<QWidget*>().isEmpty());
    EXPECT_TRUE(tabs->isTabEnabled(3));
    controls().setState(Panel_Principal, 3);
    EXPECT_EQ(controls().state(Panel_Principal), 3);
    EXPECT_EQ(controls().text(Panel_Principal), "Tab189");
}

TEST_F(MainWindowLayout, OptionGroupsAreExclusiveAndSeparate) {
    std::vector<int> formats = {121};
    for (const FormatControl& f : resultFormatControls()) formats.push_back(f.id);
    const std::vector<std::vector<int>> groups = {
        {75, 76}, {12, 13, 14, 15}, {55, 56, 57, 58, 59, 60, 61, 62, 63}, formats};
    std::set<QButtonGroup*> distinct;
    for (const auto& members : groups) {
        QButtonGroup* group = controls().group(members[0]);
        ASSERT_NE(group, nullptr);
        distinct.insert(group);
        EXPECT_EQ(group->buttons().size(), qsizetype(members.size()));
        for (int id : members) EXPECT_EQ(controls().group(id), group) << id;
    }
    EXPECT_EQ(distinct.size(), groups.size());

    window.show();
    for (const auto& members : groups) {
        for (int chosen : members) {
            widget<QAbstractButton>(chosen)->click();
            for (int id : members) EXPECT_EQ(controls().state(id), id == chosen ? 1 : 0) << chosen << "/" << id;
        }
    }
    // The last choice of every group stays while the other groups change.
    EXPECT_EQ(controls().state(76), 1);
    EXPECT_EQ(controls().state(15), 1);
    EXPECT_EQ(controls().state(63), 1);
    EXPECT_EQ(controls().state(formats.back()), 1);
}

TEST_F(MainWindowLayout, FormatRowsBelowTheFirstInTheirGroupsStyleAndNames) {
    window.show();
    const QRect sourceGroup = geometryOf(controls(), Gadget_Principal_Archivo_Frame_ExtensionesActivas);
    const QRect resultGroup = geometryOf(controls(), Gadget_Principal_Archivo_Frame_ExtensionDestino);
    // The first rows and the groups' tops stay where they always were.
    EXPECT_EQ(geometryOf(controls(), Gadget_Principal_Archivo_CheckBox_ExtensionActiva_GIF), QRect(925, 30, 50, 20));
    EXPECT_EQ(geometryOf(controls(), Gadget_Principal_Archivo_Option_ExtensionGIF), QRect(135, 120, 45, 20));
    EXPECT_EQ(sourceGroup.topLeft(), QPoint(780, 5));
    EXPECT_EQ(resultGroup.topLeft(), QPoint(10, 75));
    // Nothing they grew into: the source-changed notice and PROCESAR stay clear.
    EXPECT_FALSE(sourceGroup.intersects(geometryOf(controls(), Gadget_Principal_Archivo_Text_OrigenImagesCambiado)));
    EXPECT_FALSE(resultGroup.intersects(geometryOf(controls(), Gadget_Principal_Button_Procesar)));
    EXPECT_FALSE(geometryOf(controls(), Gadget_Principal_Archivo_Text_OrigenImagesCambiado)
                     .intersects(geometryOf(controls(), Gadget_Principal_Archivo_Frame_GrabarCalidad)));

    const std::pair<const std::vector<FormatControl>*, QRect> groups[] = {{&sourceFormatControls(), sourceGroup},
                                                                          {&resultFormatControls(), resultGroup}};
    std::vector<std::string> captions;
    for (const auto& [formats, group] : groups) {
        QWidget* first = controls().widget((*formats)[0].id);
        for (size_t i = 0; i < formats->size(); ++i) {
            const FormatControl& f = (*formats)[i];
            auto* button = widget<QAbstractButton>(f.id);
            ASSERT_NE(button, nullptr) << f.name;
            captions.push_back(button->text().toStdString());
            EXPECT_EQ(button->text().toStdString(), std::string(f.format->label));
            EXPECT_TRUE(group.contains(button->geometry())) << f.name;
            EXPECT_EQ(button->font(), first->font()) << f.name;
            EXPECT_EQ(button->metaObject(), first->metaObject()) << f.name;
            if (i >= 3) {
                EXPECT_GT(button->geometry().top(), first->geometry().bottom()) << f.name;
                // Each sits in the column of the one above it.
                EXPECT_EQ(button->geometry().left(), controls().widget((*formats)[i - 3].id)->geometry().left())
                    << f.name;
            }
            QAccessibleInterface* spoken = QAccessible::queryAccessibleInterface(button);
            ASSERT_NE(spoken, nullptr);
            EXPECT_EQ(spoken->text(QAccessible::Name), button->text()) << f.name;
            // Neighbours in a row never overlap.
            for (size_t j = 0; j < i; ++j)
                EXPECT_FALSE(button->geometry().intersects(controls().widget((*formats)[j].id)->geometry()))
                    << f.name << " and " << (*formats)[j].name;
        }
    }
    EXPECT_EQ(captions, (std::vector<std::string>{"JPG", "PNG", "GIF", "WEBP", "AVIF", "HEIC", "HEIF", "JPG", "PNG",
                                                  "GIF", "WEBP", "AVIF"}));
}

// Before any settings are shown (while the first questions of a start wait), a handle
// stands where the number beside it says, not at the end of its range.
TEST_F(MainWindowLayout, TrackbarHandlesStartAtTheNumbersBesideThem) {
    EXPECT_EQ(controls().text(Gadget_Principal_Archivo_Text_GrabarCalidad), "90");
    EXPECT_EQ(widget<QSlider>(Gadget_Principal_Archivo_TrackBar_GrabarCalidad)->value(), 90);
    EXPECT_EQ(controls().text(Gadget_Principal_Basico_Text_CantidadTinte), "100");
    EXPECT_EQ(widget<QSlider>(Gadget_Principal_Basico_TrackBar_CantidadTinte)->value(), 100);
}

TEST_F(MainWindowLayout, OverlappingPairsAndInitialVisibility) {
    EXPECT_EQ(geometryOf(controls(), 80), geometryOf(controls(), 81));
    EXPECT_EQ(geometryOf(controls(), 125), geometryOf(controls(), 126));
    EXPECT_FALSE(controls().isVisible(80) && controls().isVisible(81));
    EXPECT_FALSE(controls().isVisible(125) && controls().isVisible(126));
    EXPECT_TRUE(controls().isVisible(80));
    EXPECT_TRUE(controls().isVisible(125));

    for (int id : controls().ids()) {
        const bool hidden = id == 3 || id == 86 || id == 126 || id == 81;
        EXPECT_EQ(controls().isVisible(id), !hidden) << "control " << id;
        EXPECT_TRUE(controls().isEnabled(id)) << "control " << id;
    }
}

TEST_F(MainWindowLayout, InterfaceImagesShowAtTheirSize) {
    EXPECT_EQ(widget<QPushButton>(Gadget_Principal_ButtonImage_ConfigLoad)->iconSize(), QSize(20, 20));
    EXPECT_EQ(widget<QPushButton>(Gadget_Principal_ButtonImage_Cerrar)->iconSize(), QSize(30, 30));
    EXPECT_EQ(widget<QPushButton>(Gadget_Principal_Archivo_ButtonImage_DescargarFTP)->iconSize(), QSize(32, 32));
    EXPECT_EQ(widget<QLabel>(Gadget_Principal_Image_PosicionTexto)->pixmap().size(), QSize(65, 65));
    EXPECT_EQ(widget<QLabel>(Gadget_Principal_Image_Origen)->pixmap().size(), QSize(380, 251));
    EXPECT_EQ(widget<QLabel>(Gadget_Principal_Image_Resultado)->pixmap().size(), QSize(380, 251));
    EXPECT_FALSE(widget<QPushButton>(Gadget_Principal_Basico_ButtonImage_ColorFondo)->icon().isNull());
}

TEST_F(MainWindowLayout, EveryTextIsReadableInItsBox) {
    for (int id : controls().ids()) {
        if (controls().kind(id) != ControlKind::Text) continue;
        auto* label = qobject_cast<FittingLabel*>(controls().widget(id));
        ASSERT_NE(label, nullptr) << id;
        EXPECT_GE(label->fittedPointSize(), 7.0) << "control " << id;
    }
}

TEST_F(MainWindowLayout, EveryControlHasAnAccessibleName) {
    for (int id : controls().ids()) {
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(controls().widget(id));
        ASSERT_NE(a, nullptr) << id;
        EXPECT_FALSE(a->text(QAccessible::Name).trimmed().isEmpty()) << "control " << id;
    }
    // An image button is named by its tooltip; a text field by what it holds.
    EXPECT_EQ(controls().widget(Gadget_Principal_ButtonImage_Cerrar)->accessibleName(), "Cerrar Aplicación");
    EXPECT_EQ(controls().widget(Gadget_Principal_Archivo_String_RutaImagenesDestino)->accessibleName(),
              "Carpeta destino de las imágenes");
}

TEST_F(MainWindowLayout, ControlsThatActTakeTheKeyboardFocus) {
    window.show();
    std::set<QWidget*> chain;
    for (QWidget* w = window.nextInFocusChain(); w != &window; w = w->nextInFocusChain()) chain.insert(w);

    for (int id : controls().ids()) {
        const ControlKind kind = *controls().kind(id);
        if (kind == ControlKind::Text || kind == ControlKind::Frame || kind == ControlKind::Container ||
            kind == ControlKind::Image)
            continue;
        QWidget* w = controls().widget(id);
        QWidget* target = w->focusProxy() ? w->focusProxy() : w;
        EXPECT_TRUE(target->focusPolicy() & Qt::TabFocus) << "control " << id;
        EXPECT_TRUE(chain.count(w) || chain.count(target)) << "control " << id;
    }
}

}  // namespace
}  // namespace tesselon::testing

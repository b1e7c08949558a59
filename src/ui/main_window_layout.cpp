// Window 1's controls in creation order. A control created after a panel tab or a
// container belongs to it; positions are relative to that parent's client area.
#include <algorithm>
#include <vector>

#include "ui/format_controls.h"
#include "ui/main_window_controls.h"
#include "ui/window_layout.h"

namespace tesselon {

namespace {

using K = ControlKind;

constexpr FontSpec calibri(int points) { return {"Calibri", points, false, false}; }
constexpr FontSpec calibriBold(int points) { return {"Calibri", points, true, false}; }
constexpr FontSpec calibriLight(int points) { return {"Calibri Light", points, false, false}; }
constexpr FontSpec anyFace(int points) { return {"", points, false, false}; }

constexpr ControlParent kWindow{0, -1};
constexpr ControlParent kFilesTab{Panel_Principal, 0};
constexpr ControlParent kBasicTab{Panel_Principal, 1};
constexpr ControlParent kTextTab{Panel_Principal, 2};
constexpr ControlParent kPreview{Container_Principal_Preview, -1};
constexpr ControlParent kProcessing{Container_Principal_Procesado, -1};

constexpr ControlSpec kMainWindow[] = {
    // Top strip.
    control(Gadget_Principal_ButtonImage_ConfigLoad, K::ImageButton, kWindow, {10, 5, 40, 40},
            "Gadget_Principal_ButtonImage_ConfigLoad")
        .withTooltip().showing(1),
    control(Gadget_Principal_ButtonImage_ConfigSave, K::ImageButton, kWindow, {55, 5, 40, 40},
            "Gadget_Principal_ButtonImage_ConfigSave")
        .withTooltip().showing(2),
    control(Gadget_Principal_TextInformativo, K::Text, kWindow, {220, 5, 590, 40},
            "Gadget_Principal_TextInformativo")
        .withCaption().withStyle(kAlignCentre).withFont(calibriBold(14)).withColours(0x0000FF, 0x00FFFF),
    control(Gadget_Principal_ButtonImage_Cerrar, K::ImageButton, kWindow, {975, 5, 40, 40},
            "Gadget_Principal_ButtonImage_Cerrar")
        .withTooltip().showing(3),
    control(Panel_Principal, K::Panel, kWindow, {10, 55, 1005, 290},
            "Panel_Principal")
        .withFont(calibriBold(11))
        .spokenAs("Opciones de procesado"),

    // Tab 0: source, destination, extensions, quality.
    control(Gadget_Principal_Archivo_Frame_RutaImagenesOrigen, K::Frame, kFilesTab, {10, 5, 765, 150},
            "Gadget_Principal_Archivo_Frame_RutaImagenesOrigen")
        .withCaption().withFont(calibriBold(11)),
    control(Gadget_Principal_Archivo_Option_OrigenLocal, K::Option, kFilesTab, {20, 30, 65, 20},
            "Gadget_Principal_Archivo_Option_OrigenLocal")
        .withCaption().withFont(calibriBold(9)).withTooltip(),
    control(Gadget_Principal_Archivo_Option_OrigenRemoto, K::Option, kFilesTab, {90, 30, 95, 20},
            "Gadget_Principal_Archivo_Option_OrigenRemoto")
        .withCaption().withFont(calibriBold(9)).withTooltip(),
    control(Gadget_Principal_Archivo_Text_TituloServidor, K::Text, kFilesTab, {190, 30, 65, 20},
            "Gadget_Principal_Archivo_Text_TituloServidor")
        .withCaption().withStyle(kAlignRight).withFont(calibriBold(9)),
    control(Gadget_Principal_Archivo_Text_ServidorNombre, K::Text, kFilesTab, {255, 30, 300, 20},
            "Gadget_Principal_Archivo_Text_ServidorNombre")
        .withCaption().withFont(calibri(9)).withColours(kSystemColour, 0xFF0000),
    control(Gadget_Principal_Archivo_String_RutaImagenes, K::String, kFilesTab, {20, 50, 535, 20},
            "Gadget_Principal_Archivo_String_RutaImagenes")
        .withCaption().withStyle(kReadOnly).withFont(calibriLight(10)).withTooltip()
        .spokenAs("Ruta de las imágenes de origen"),
    control(Gadget_Principal_Archivo_ButtonImage_RutaImagenes, K::ImageButton, kFilesTab, {560, 45, 30, 30},
            "Gadget_Principal_Archivo_ButtonImage_RutaImagenes")
        .withTooltip().showing(11),
    control(Gadget_Principal_Archivo_ButtonImage_DatosConexionRemota, K::ImageButton, kFilesTab, {560, 45, 30, 30},
            "Gadget_Principal_Archivo_ButtonImage_DatosConexionRemota")
        .withTooltip().showing(12),
    control(Gadget_Principal_Archivo_ButtonNumImagesActualizar, K::Button, kFilesTab, {600, 30, 80, 45},
            "Gadget_Principal_Archivo_ButtonNumImagesActualizar")
        .withCaption().withStyle(kMultiLine).withFont(calibriBold(10)).withTooltip(),
    control(Gadget_Principal_Archivo_ButtonImage_DescargarFTP, K::ImageButton, kFilesTab, {685, 30, 80, 45},
            "Gadget_Principal_Archivo_ButtonImage_DescargarFTP")
        .withTooltip().showing(13),
    control(Gadget_Principal_Archivo_CheckBox_Subcarpetas, K::Checkbox, kFilesTab, {435, 70, 120, 20},
            "Gadget_Principal_Archivo_CheckBox_Subcarpetas")
        .withCaption().withStyle(kAlignCentre).withFont(calibriBold(9)),
    control(Gadget_Principal_Archivo_Text_NumImagenesEnRutaExtensionesAfectadas, K::Text, kFilesTab, {20, 70, 255, 15},
            "Gadget_Principal_Archivo_Text_NumImagenesEnRutaExtensionesAfectadas")
        .withCaption().withFont(calibri(8)).withColours(kSystemColour, 0x008000),
    control(Gadget_Principal_Archivo_Text_OrigenImagesCambiado, K::Text, kFilesTab, {790, 85, 195, 50},
            "Gadget_Principal_Archivo_Text_OrigenImagesCambiado")
        .withCaption().withStyle(kAlignCentre).withFont(calibri(10)).withColours(0x0000FF, 0xB7FFFF),
    control(Gadget_Principal_Archivo_Text_TituloRutaImagenesDescargadas, K::Text, kFilesTab, {20, 120, 140, 20},
            "Gadget_Principal_Archivo_Text_TituloRutaImagenesDescargadas")
        .withCaption().withStyle(kAlignRight).withFont(calibriBold(9)),
    control(Gadget_Principal_Archivo_String_RutaImagenesDescargadas, K::String, kFilesTab, {160, 115, 570, 25},
            "Gadget_Principal_Archivo_String_RutaImagenesDescargadas")
        .withCaption().withStyle(kReadOnly | kMultiLine).withFont(anyFace(9)).withColours(kSystemColour, 0xFF0000)
        .spokenAs("Carpeta de las imágenes descargadas"),
    control(Gadget_Principal_Archivo_ButtonImage_RutaImagenesDescargadasAbrir, K::ImageButton, kFilesTab, {735, 115, 30, 30},
            "Gadget_Principal_Archivo_ButtonImage_RutaImagenesDescargadasAbrir")
        .withTooltip().showing(14),
    control(Gadget_Principal_Archivo_Frame_RutaImagenesDestino, K::Frame, kFilesTab, {10, 170, 710, 85},
            "Gadget_Principal_Archivo_Frame_RutaImagenesDestino")
        .withCaption().withFont(calibriBold(11)),
    control(Gadget_Principal_Archivo_CheckBox_Sobreescribir, K::Checkbox, kFilesTab, {20, 195, 160, 20},
            "Gadget_Principal_Archivo_CheckBox_Sobreescribir")
        .withCaption().withFont(calibriBold(9)).withTooltip(),
    control(Gadget_Principal_Archivo_String_RutaImagenesDestino, K::String, kFilesTab, {20, 220, 650, 25},
            "Gadget_Principal_Archivo_String_RutaImagenesDestino")
        .withCaption().withStyle(kReadOnly).withFont(calibriLight(10)).spokenAs("Carpeta destino de las imágenes"),
    control(Gadget_Principal_Archivo_ButtonImage_RutaImagenesDestino, K::ImageButton, kFilesTab, {675, 215, 30, 30},
            "Gadget_Principal_Archivo_ButtonImage_RutaImagenesDestino")
        .withTooltip().showing(15),
    control(Gadget_Principal_Archivo_Frame_ExtensionesActivas, K::Frame, kFilesTab, {780, 5, 210, 55},
            "Gadget_Principal_Archivo_Frame_ExtensionesActivas")
        .withCaption().withFont(calibriBold(10)),
    control(Gadget_Principal_Archivo_CheckBox_ExtensionActiva_JPG, K::Checkbox, kFilesTab, {795, 30, 50, 20},
            "Gadget_Principal_Archivo_CheckBox_ExtensionActiva_JPG")
        .withCaption().withFont(calibri(9)).withTooltip(),
    control(Gadget_Principal_Archivo_CheckBox_ExtensionActiva_PNG, K::Checkbox, kFilesTab, {860, 30, 50, 20},
            "Gadget_Principal_Archivo_CheckBox_ExtensionActiva_PNG")
        .withCaption().withFont(calibri(9)),
    control(Gadget_Principal_Archivo_CheckBox_ExtensionActiva_GIF, K::Checkbox, kFilesTab, {925, 30, 50, 20},
            "Gadget_Principal_Archivo_CheckBox_ExtensionActiva_GIF")
        .withCaption().withFont(calibri(9)).withTooltip(),
    control(Gadget_Principal_Archivo_Frame_GrabarCalidad, K::Frame, kFilesTab, {740, 170, 245, 85},
            "Gadget_Principal_Archivo_Frame_GrabarCalidad")
        .withCaption().withFont(calibriBold(11)),
    control(Gadget_Principal_Archivo_TrackBar_GrabarCalidad, K::Trackbar, kFilesTab, {750, 220, 225, 25},
            "Gadget_Principal_Archivo_TrackBar_GrabarCalidad")
        .withTooltip().withRange(10, 100).spokenAs("Calidad de grabación"),
    control(Gadget_Principal_Archivo_Text_GrabarCalidadLabelMin, K::Text, kFilesTab, {750, 205, 30, 15},
            "Gadget_Principal_Archivo_Text_GrabarCalidadLabelMin")
        .withCaption().withStyle(kAlignCentre).withFont(calibriBold(9)),
    control(Gadget_Principal_Archivo_Text_GrabarCalidad, K::Text, kFilesTab, {850, 200, 30, 20},
            "Gadget_Principal_Archivo_Text_GrabarCalidad")
        .withCaption().withStyle(kAlignCentre).withFont(calibriBold(10)),
    control(Gadget_Principal_Archivo_Text_GrabarCalidadLabelMax, K::Text, kFilesTab, {945, 205, 30, 15},
            "Gadget_Principal_Archivo_Text_GrabarCalidadLabelMax")
        .withCaption().withStyle(kAlignCentre).withFont(calibriBold(9)),

    // Tab 1: image operations.
    control(Gadget_Principal_Basico_Frame_Espejo, K::Frame, kBasicTab, {10, 10, 195, 45},
            "Gadget_Principal_Basico_Frame_Espejo")
        .withCaption().withFont(calibriBold(10)),
    control(Gadget_Principal_Basico_CheckBox_EspejoH, K::Checkbox, kBasicTab, {20, 30, 85, 15},
            "Gadget_Principal_Basico_CheckBox_EspejoH")
        .withCaption().withFont(calibri(10)),
    control(Gadget_Principal_Basico_CheckBox_EspejoV, K::Checkbox, kBasicTab, {110, 30, 70, 15},
            "Gadget_Principal_Basico_CheckBox_EspejoV")
        .withCaption().withFont(calibri(10)),
    control(Gadget_Principal_Basico_Frame_Rotar, K::Frame, kBasicTab, {10, 65, 195, 115},
            "Gadget_Principal_Basico_Frame_Rotar")
        .withCaption().withFont(calibriBold(10)),
    control(Gadget_Principal_Basico_Option_Rotar0, K::Option, kBasicTab, {20, 85, 40, 20},
            "Gadget_Principal_Basico_Option_Rotar0")
        .withCaption().withFont(calibri(9)).withTooltip(),
    control(Gadget_Principal_Basico_Option_Rotar90, K::Option, kBasicTab, {65, 85, 45, 20},
            "Gadget_Principal_Basico_Option_Rotar90")
        .withCaption().withFont(calibri(9)).withTooltip(),
    control(Gadget_Principal_Basico_Option_Rotar180, K::Option, kBasicTab, {115, 85, 60, 20},
            "Gadget_Principal_Basico_Option_Rotar180")
        .withCaption().withFont(calibri(9)).withTooltip(),
    control(Gadget_Principal_Basico_Option_RotarLibre, K::Option, kBasicTab, {20, 115, 105, 20},
            "Gadget_Principal_Basico_Option_RotarLibre")
        .withCaption().withFont(calibri(9)).withTooltip(),
    control(Gadget_Principal_Basico_Spin_RotarLibre, K::Spin, kBasicTab, {130, 115, 55, 20},
            "Gadget_Principal_Basico_Spin_RotarLibre")
        .withFont(calibri(9)).withColours(0xB3FFFF, kSystemColour).withRange(-1, 360)
        .spokenAs("Ángulo de rotación libre"),
    control(Gadget_Principal_Basico_Text162, K::Text, kBasicTab, {185, 115, 15, 20},
            "Gadget_Principal_Basico_Text162")
        .withCaption().withStyle(kAlignCentre).withFont(calibri(9)),
    control(Gadget_Principal_Basico_Text_ColorFondo, K::Text, kBasicTab, {20, 140, 125, 30},
            "Gadget_Principal_Basico_Text_ColorFondo")
        .withCaption().withStyle(kAlignCentre | kSunkenBorder).withFont(calibriBold(10))
        .withColours(0x000001, 0xFFFFFF),
    control(Gadget_Principal_Basico_ButtonImage_ColorFondo, K::ImageButton, kBasicTab, {155, 140, 30, 30},
            "Gadget_Principal_Basico_ButtonImage_ColorFondo")
        .withTooltip().showing(4),
    control(Gadget_Principal_Basico_Frame_Contraste, K::Frame, kBasicTab, {10, 190, 195, 45},
            "Gadget_Principal_Basico_Frame_Contraste")
        .withCaption().withFont(calibriBold(10)),
    control(Gadget_Principal_Basico_TrackBar_Contraste, K::Trackbar, kBasicTab, {20, 205, 145, 20},
            "Gadget_Principal_Basico_TrackBar_Contraste")
        .withTooltip().withRange(0, 255).spokenAs("Contraste"),
    control(Gadget_Principal_Basico_Text_Contraste, K::Text, kBasicTab, {165, 205, 30, 20},
            "Gadget_Principal_Basico_Text_Contraste")
        .withCaption().withStyle(kAlignCentre).withFont(calibriBold(11)),
    control(Gadget_Principal_Basico_CheckBox_Invertir, K::Checkbox, kBasicTab, {225, 15, 180, 20},
            "Gadget_Principal_Basico_CheckBox_Invertir")
        .withCaption().withFont(calibriBold(9)),
    control(Gadget_Principal_Basico_CheckBox_EscalaGrises, K::Checkbox, kBasicTab, {225, 35, 180, 20},
            "Gadget_Principal_Basico_CheckBox_EscalaGrises")
        .withCaption().withFont(calibriBold(9)),
    control(Gadget_Principal_Basico_Frame_Tintar, K::Frame, kBasicTab, {225, 65, 180, 135},
            "Gadget_Principal_Basico_Frame_Tintar")
        .withCaption().withFont(calibriBold(10)),
    control(Gadget_Principal_Basico_CheckBox_Tintar, K::Checkbox, kBasicTab, {235, 85, 165, 20},
            "Gadget_Principal_Basico_CheckBox_Tintar")
        .withCaption().withFont(calibriBold(9)),
    control(Gadget_Principal_Basico_Text_ColorTinte, K::Text, kBasicTab, {235, 110, 125, 30},
            "Gadget_Principal_Basico_Text_ColorTinte")
        .withCaption().withStyle(kAlignCentre | kSunkenBorder).withFont(calibriBold(10))
        .withColours(0x000001, 0xFFFFFF),
    control(Gadget_Principal_Basico_ButtonImage_ColorTinte, K::ImageButton, kBasicTab, {365, 110, 30, 30},
            "Gadget_Principal_Basico_ButtonImage_ColorTinte")
        .withTooltip().showing(5),
    control(Gadget_Principal_Basico_Text_CantidadTinteLabel, K::Text, kBasicTab, {235, 145, 105, 15},
            "Gadget_Principal_Basico_Text_CantidadTinteLabel")
        .withCaption().withStyle(kAlignRight),
    control(Gadget_Principal_Basico_Text_CantidadTinte, K::Text, kBasicTab, {360, 145, 35, 15},
            "Gadget_Principal_Basico_Text_CantidadTinte")
        .withCaption().withStyle(kAlignCentre).withFont(calibriBold(11)),
    control(Gadget_Principal_Basico_TrackBar_CantidadTinte, K::Trackbar, kBasicTab, {235, 165, 160, 25},
            "Gadget_Principal_Basico_TrackBar_CantidadTinte")
        .withRange(0, 100).spokenAs("Cantidad de tinte"),
    control(Gadget_Principal_Basico_Frame_Resize, K::Frame, kBasicTab, {495, 10, 275, 145},
            "Gadget_Principal_Basico_Frame_Resize")
        .withCaption().withFont(calibriBold(11)),
    control(Gadget_Principal_Basico_CheckBox_ResizeActivo, K::Checkbox, kBasicTab, {505, 35, 165, 15},
            "Gadget_Principal_Basico_CheckBox_ResizeActivo")
        .withCaption().withFont(calibriBold(9)),
    control(Gadget_Principal_Basico_CheckBox_ResizeProporcional, K::Checkbox, kBasicTab, {505, 55, 165, 15},
            "Gadget_Principal_Basico_CheckBox_ResizeProporcional")
        .withCaption().withFont(calibriBold(9)),
    control(Gadget_Principal_Basico_Button_ResizeProporcionAyuda, K::Button, kBasicTab, {670, 50, 20, 20},
            "Gadget_Principal_Basico_Button_ResizeProporcionAyuda")
        .withCaption().withFont(calibriBold(12)).withTooltip().spokenAs("Ayuda sobre la proporcionalidad"),
    control(Gadget_Principal_Basico_TrackBar_ResizeH, K::Trackbar, kBasicTab, {560, 80, 160, 25},
            "Gadget_Principal_Basico_TrackBar_ResizeH")
        .withRange(1, 9999).spokenAs("Ancho"),
    control(Gadget_Principal_Basico_Text_ResizeH, K::Text, kBasicTab, {720, 80, 40, 25},
            "Gadget_Principal_Basico_Text_ResizeH")
        .withCaption().withStyle(kAlignCentre).withFont(calibri(10)).withColours(kSystemColour, 0xFF0000),
    control(Gadget_Principal_Basico_Text_ResizeAnchoLabel, K::Text, kBasicTab, {505, 80, 55, 25},
            "Gadget_Principal_Basico_Text_ResizeAnchoLabel")
        .withCaption().withStyle(kAlignRight).withFont(calibriBold(9)),
    control(Gadget_Principal_Basico_TrackBar_ResizeV, K::Trackbar, kBasicTab, {560, 115, 160, 25},
            "Gadget_Principal_Basico_TrackBar_ResizeV")
        .withRange(1, 9999).spokenAs("Alto"),
    control(Gadget_Principal_Basico_Text_ResizeV, K::Text, kBasicTab, {720, 115, 40, 25},
            "Gadget_Principal_Basico_Text_ResizeV")
        .withCaption().withStyle(kAlignCentre).withFont(calibri(10)).withColours(kSystemColour, 0xFF0000),
    control(Gadget_Principal_Basico_Text_ResizeAltoLabel, K::Text, kBasicTab, {505, 115, 55, 25},
            "Gadget_Principal_Basico_Text_ResizeAltoLabel")
        .withCaption().withStyle(kAlignRight).withFont(calibriBold(9)),
    control(Gadget_Principal_Basico_Frame_TextoEnImagen, K::Frame, kBasicTab, {495, 165, 275, 70},
            "Gadget_Principal_Basico_Frame_TextoEnImagen")
        .withCaption().withFont(calibriBold(11)),
    control(Gadget_Principal_Basico_CheckBox_TextoEnImagen, K::Checkbox, kBasicTab, {515, 190, 180, 15},
            "Gadget_Principal_Basico_CheckBox_TextoEnImagen")
        .withCaption().withFont(calibriBold(10)),
    control(Gadget_Principal_Basico_CheckBox_RotarAntesQueTexto, K::Checkbox, kBasicTab, {515, 210, 190, 15},
            "Gadget_Principal_Basico_CheckBox_RotarAntesQueTexto")
        .withCaption().withFont(calibriBold(9)).withTooltip(),

    // Tab 2: text over the image.
    control(Gadget_Principal_Frame_ArchivoTextos, K::Frame, kTextTab, {10, 35, 460, 70},
            "Gadget_Principal_Frame_ArchivoTextos")
        .withCaption().withFont(calibriBold(10)),
    control(Gadget_Principal_String_RutaCsvTextos, K::String, kTextTab, {20, 55, 405, 18},
            "Gadget_Principal_String_RutaCsvTextos")
        .withCaption().withFont(calibri(9)).withColours(kSystemColour, 0xFF0000).spokenAs("Archivo de frases"),
    control(Gadget_Principal_ButtonImage_RutaCSVTextos, K::ImageButton, kTextTab, {430, 45, 35, 30},
            "Gadget_Principal_ButtonImage_RutaCSVTextos")
        .withTooltip().showing(6),
    control(Gadget_Principal_CheckBox_UsarMarca, K::Checkbox, kTextTab, {20, 80, 130, 18},
            "Gadget_Principal_CheckBox_UsarMarca")
        .withCaption().withFont(calibriBold(9)).withTooltip(),
    control(Gadget_Principal_String_MarcaAgua, K::String, kTextTab, {150, 78, 275, 18},
            "Gadget_Principal_String_MarcaAgua")
        .withCaption().withFont(calibri(10)).withColours(0xBBFFFF, 0xFF0000).spokenAs("Texto de marca de agua"),
    control(Gadget_Principal_Frame_Font, K::Frame, kTextTab, {10, 110, 295, 90},
            "Gadget_Principal_Frame_Font")
        .withCaption().withFont(calibriBold(10)),
    control(Gadget_Principal_Text_FuenteUsada, K::Text, kTextTab, {20, 130, 230, 30},
            "Gadget_Principal_Text_FuenteUsada")
        .withCaption(),
    control(Gadget_Principal_Button_Font, K::Button, kTextTab, {260, 130, 35, 30},
            "Gadget_Principal_Button_Font")
        .withCaption().withFont({"Calibri", 16, true, true}).withTooltip().spokenAs("Cambiar la fuente"),
    control(Gadget_Principal_Text_ColorBordeActual, K::Text, kTextTab, {20, 165, 230, 25},
            "Gadget_Principal_Text_ColorBordeActual")
        .withCaption().withStyle(kAlignCentre).withFont(calibriBold(12)).withColours(0x00FFFF, 0x008000),
    control(Gadget_Principal_ButtonImage_ColorBorde, K::ImageButton, kTextTab, {260, 165, 35, 30},
            "Gadget_Principal_ButtonImage_ColorBorde")
        .withTooltip().showing(7),
    control(Gadget_Principal_Frame_Interlineado, K::Frame, kTextTab, {490, 135, 140, 70},
            "Gadget_Principal_Frame_Interlineado")
        .withCaption().withFont(calibriBold(10)),
    control(Gadget_Principal_Text_Interlineado, K::Text, kTextTab, {540, 158, 40, 20},
            "Gadget_Principal_Text_Interlineado")
        .withCaption().withStyle(kAlignCentre).withFont(calibriBold(11)),
    control(Gadget_Principal_TrackBar_Interlineado, K::Trackbar, kTextTab, {495, 180, 130, 20},
            "Gadget_Principal_TrackBar_Interlineado")
        .withRange(0, 95).spokenAs("Interlineado"),
    control(Gadget_Principal_Frame_Transparencia, K::Frame, kTextTab, {490, 10, 140, 120},
            "Gadget_Principal_Frame_Transparencia")
        .withCaption().withFont(calibriBold(10)),
    control(Gadget_Principal_Text_TransparenciaInteriorLabel, K::Text, kTextTab, {515, 30, 65, 15},
            "Gadget_Principal_Text_TransparenciaInteriorLabel")
        .withCaption().withStyle(kAlignRight),
    control(Gadget_Principal_Text_TransparenciaInterior, K::Text, kTextTab, {585, 30, 35, 15},
            "Gadget_Principal_Text_TransparenciaInterior")
        .withCaption().withStyle(kAlignCentre).withFont(calibriBold(11)),
    control(Gadget_Principal_TrackBar_TransparenciaInterior, K::Trackbar, kTextTab, {500, 50, 120, 20},
            "Gadget_Principal_TrackBar_TransparenciaInterior")
        .withRange(0, 255).spokenAs("Transparencia interior"),
    control(Gadget_Principal_Text_TransparenciaBordeLabel, K::Text, kTextTab, {515, 80, 65, 15},
            "Gadget_Principal_Text_TransparenciaBordeLabel")
        .withCaption().withStyle(kAlignRight),
    control(Gadget_Principal_Text_TransparenciaBorde, K::Text, kTextTab, {585, 80, 35, 15},
            "Gadget_Principal_Text_TransparenciaBorde")
        .withCaption().withStyle(kAlignCentre).withFont(calibriBold(11)),
    control(Gadget_Principal_TrackBar_TransparenciaBorde, K::Trackbar, kTextTab, {500, 100, 120, 20},
            "Gadget_Principal_TrackBar_TransparenciaBorde")
        .withRange(0, 255).spokenAs("Transparencia del borde"),
    control(Gadget_Principal_Frame_PosicionTexto, K::Frame, kTextTab, {640, 10, 115, 130},
            "Gadget_Principal_Frame_PosicionTexto")
        .withCaption().withFont(calibriBold(10)),
    control(Gadget_Principal_Image_PosicionTexto, K::Image, kTextTab, {665, 50, 65, 65},
            "Gadget_Principal_Image_PosicionTexto")
        .showing(8).spokenAs("Muestra de la posición del texto"),
    control(Gadget_Principal_Option_POSTXT_Left_Up, K::Option, kTextTab, {650, 35, 15, 15},
            "Gadget_Principal_Option_POSTXT_Left_Up")
        .withCaption().spokenAs("Texto arriba a la izquierda"),
    control(Gadget_Principal_Option_POSTXT_Left_Mid, K::Option, kTextTab, {650, 75, 15, 15},
            "Gadget_Principal_Option_POSTXT_Left_Mid")
        .withCaption().spokenAs("Texto en medio a la izquierda"),
    control(Gadget_Principal_Option_POSTXT_Left_Bottom, K::Option, kTextTab, {650, 115, 15, 15},
            "Gadget_Principal_Option_POSTXT_Left_Bottom")
        .withCaption().spokenAs("Texto abajo a la izquierda"),
    control(Gadget_Principal_Option_POSTXT_Mid_Top, K::Option, kTextTab, {690, 35, 15, 15},
            "Gadget_Principal_Option_POSTXT_Mid_Top")
        .withCaption().spokenAs("Texto arriba en el centro"),
    control(Gadget_Principal_Option_POSTXT_Mid_Mid, K::Option, kTextTab, {690, 75, 15, 15},
            "Gadget_Principal_Option_POSTXT_Mid_Mid")
        .withCaption().spokenAs("Texto en el centro"),
    control(Gadget_Principal_Option_POSTXT_Mid_Bottom, K::Option, kTextTab, {690, 115, 15, 15},
            "Gadget_Principal_Option_POSTXT_Mid_Bottom")
        .withCaption().spokenAs("Texto abajo en el centro"),
    control(Gadget_Principal_Option_POSTXT_Right_Top, K::Option, kTextTab, {730, 35, 15, 15},
            "Gadget_Principal_Option_POSTXT_Right_Top")
        .withCaption().spokenAs("Texto arriba a la derecha"),
    control(Gadget_Principal_Option_POSTXT_Right_Mid, K::Option, kTextTab, {730, 75, 15, 15},
            "Gadget_Principal_Option_POSTXT_Right_Mid")
        .withCaption().spokenAs("Texto en medio a la derecha"),
    control(Gadget_Principal_Option_POSTXT_Right_Bottom, K::Option, kTextTab, {730, 113, 15, 15},
            "Gadget_Principal_Option_POSTXT_Right_Bottom")
        .withCaption().spokenAs("Texto abajo a la derecha"),

    // Container 64: the preview.
    control(Container_Principal_Preview, K::Container, kWindow, {10, 355, 800, 315},
            "Container_Principal_Preview")
        .spokenAs("Vista previa"),
    control(Gadget_Principal_FramePreview, K::Frame, kPreview, {5, 0, 790, 310},
            "Gadget_Principal_FramePreview")
        .withCaption().withFont(calibriBold(12)),
    control(Gadget_Principal_CheckBox_Preview, K::Checkbox, kPreview, {15, 25, 75, 20},
            "Gadget_Principal_CheckBox_Preview")
        .withCaption().withFont(calibri(10)).spokenAs("Vista previa activa"),
    control(Gadget_Principal_Button_ImagenAnterior, K::Button, kPreview, {185, 20, 45, 25},
            "Gadget_Principal_Button_ImagenAnterior")
        .withCaption().withFont(calibriBold(18)).withTooltip().spokenAs("Imagen anterior"),
    control(Gadget_Principal_Text_InfoNumImagenes, K::Text, kPreview, {230, 20, 120, 25},
            "Gadget_Principal_Text_InfoNumImagenes")
        .withCaption().withStyle(kAlignCentre | kSunkenBorder).withFont(calibri(11)).withColours(0xB7FFB7, 0xFF0000),
    control(Gadget_Principal_Button_ImagenSiguiente, K::Button, kPreview, {350, 20, 45, 25},
            "Gadget_Principal_Button_ImagenSiguiente")
        .withCaption().withFont(calibriBold(18)).withTooltip().spokenAs("Imagen siguiente"),
    control(Gadget_Principal_Image_Origen, K::Image, kPreview, {15, 50, 380, 251},
            "Gadget_Principal_Image_Origen")
        .showing(9).spokenAs("Imagen original"),
    control(Gadget_Principal_TextImagenResultado, K::Text, kPreview, {405, 30, 125, 15},
            "Gadget_Principal_TextImagenResultado")
        .withCaption().withStyle(kAlignCentre).withFont(calibriBold(11)),
    control(Gadget_Principal_Image_Resultado, K::Image, kPreview, {405, 50, 380, 251},
            "Gadget_Principal_Image_Resultado")
        .showing(10).spokenAs("Imagen procesada"),

    // Container 116: processing.
    control(Container_Principal_Procesado, K::Container, kWindow, {815, 355, 200, 315},
            "Container_Principal_Procesado")
        .spokenAs("Procesado"),
    control(Gadget_Principal_FrameProcesado, K::Frame, kProcessing, {5, 5, 190, 300},
            "Gadget_Principal_FrameProcesado")
        .withCaption().withFont(calibriBold(12)),
    control(Gadget_Principal_Archivo_Text_TituloNImages, K::Text, kProcessing, {10, 40, 95, 15},
            "Gadget_Principal_Archivo_Text_TituloNImages")
        .withCaption().withStyle(kAlignRight).withFont(calibriBold(9)),
    control(Gadget_Principal_Archivo_Text_NumImagenesEnRuta, K::Text, kProcessing, {110, 40, 60, 15},
            "Gadget_Principal_Archivo_Text_NumImagenesEnRuta")
        .withCaption().withFont(calibri(10)).withColours(kSystemColour, 0xFF0000),
    control(Gadget_Principal_Archivo_Frame_ExtensionDestino, K::Frame, kProcessing, {10, 75, 175, 75},
            "Gadget_Principal_Archivo_Frame_ExtensionDestino")
        .withCaption().withFont(calibriBold(9)),
    control(Gadget_Principal_Archivo_Option_ExtensionORIGEN, K::Option, kProcessing, {20, 95, 155, 20},
            "Gadget_Principal_Archivo_Option_ExtensionORIGEN")
        .withCaption().withFont(calibri(9)).withTooltip(),
    control(Gadget_Principal_Archivo_Option_ExtensionJPG, K::Option, kProcessing, {20, 120, 45, 20},
            "Gadget_Principal_Archivo_Option_ExtensionJPG")
        .withCaption().withFont(calibri(9)),
    control(Gadget_Principal_Archivo_Option_ExtensionPNG, K::Option, kProcessing, {75, 120, 45, 20},
            "Gadget_Principal_Archivo_Option_ExtensionPNG")
        .withCaption().withFont(calibri(9)),
    control(Gadget_Principal_Archivo_Option_ExtensionGIF, K::Option, kProcessing, {135, 120, 45, 20},
            "Gadget_Principal_Archivo_Option_ExtensionGIF")
        .withCaption().withFont(calibri(9)),
    control(Gadget_Principal_Button_Procesar, K::Button, kProcessing, {15, 230, 170, 60},
            "Gadget_Principal_Button_Procesar")
        .withCaption().withFont(calibriBold(14)),
    control(Gadget_Principal_Button_Cancelar, K::Button, kProcessing, {15, 230, 170, 60},
            "Gadget_Principal_Button_Cancelar")
        .withCaption().withFont(calibriBold(14)),
};

constexpr std::array<const char*, 4> kMainPanelTabs = {
    "Panel_Principal_Panel_Principal_Archivos",
    "Panel_Principal_PanelModoBasico",
    "Panel_Principal_PanelModoTextOnImages",
    "Panel_Principal_PanelProcesar",
};

constexpr ControlSpec kProgressWindow[] = {
    control(Gadget_Progreso_Text_Informacion, K::Text, kWindow, {10, 5, 480, 45},
            "Gadget_Progreso_Text_Informacion")
        .withCaption().withStyle(kAlignCentre).withFont(calibri(9)).withColours(0x464646, 0x00FFFF),
    control(Gadget_Progreso_ProgressBar, K::ProgressBar, kWindow, {10, 55, 480, 30},
            "Gadget_Progreso_ProgressBar")
        .withColours(kSystemColour, 0xFF0000).withRange(0, 100).spokenAs("Progreso"),
    control(Gadget_Progreso_Button_Cancelar, K::Button, kWindow, {200, 95, 115, 40},
            "Gadget_Progreso_Button_Cancelar")
        .withCaption().withFont(calibriBold(10)),
};

}  // namespace

// The format controls beyond the first row, after the last of the first row so that
// the options join its group, and the two groups grown to hold them.
std::vector<ControlSpec> withFormatRows() {
    std::vector<ControlSpec> layout;
    const auto addRows = [&layout](const std::vector<FormatControl>& controls, ControlSpec like) {
        for (size_t i = 3; i < controls.size(); ++i) {
            ControlSpec c = like;
            c.id = controls[i].id;
            c.rect = controls[i].rect;
            c.name = controls[i].name.c_str();
            c.tooltip = false;
            layout.push_back(c);
        }
    };
    const auto extensionGroup = std::find_if(std::begin(kMainWindow), std::end(kMainWindow), [](const ControlSpec& c) {
        return c.id == Gadget_Principal_Archivo_Frame_ExtensionesActivas;
    });
    const int extensionGroupBottom = extensionGroup->rect.y + extensionGroup->rect.height + sourceFormatGroupGrowth();
    for (ControlSpec spec : kMainWindow) {
        if (spec.id == Gadget_Principal_Archivo_Frame_ExtensionesActivas) spec.rect.height += sourceFormatGroupGrowth();
        // The notice of a changed source sits under the extension group; a group grown
        // by its rows pushes it down rather than covering it.
        if (spec.id == Gadget_Principal_Archivo_Text_OrigenImagesCambiado)
            spec.rect.y = std::max(spec.rect.y, extensionGroupBottom + 3);
        if (spec.id == Gadget_Principal_Archivo_Frame_ExtensionDestino) spec.rect.height += resultFormatGroupGrowth();
        layout.push_back(spec);
        if (spec.id == Gadget_Principal_Archivo_CheckBox_ExtensionActiva_GIF) addRows(sourceFormatControls(), spec);
        if (spec.id == Gadget_Principal_Archivo_Option_ExtensionGIF) addRows(resultFormatControls(), spec);
    }
    return layout;
}

std::span<const ControlSpec> mainWindowLayout() {
    static const std::vector<ControlSpec> layout = withFormatRows();
    return layout;
}
const std::array<const char*, 4>& mainPanelTabKeys() { return kMainPanelTabs; }
std::span<const ControlSpec> progressWindowLayout() { return kProgressWindow; }

}  // namespace tesselon

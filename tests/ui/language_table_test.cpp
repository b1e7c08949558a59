#include <gtest/gtest.h>

#include <string_view>
#include <vector>

#include "ui/format_controls.h"
#include "ui/language_table.h"

namespace tesselon {
namespace {

// Keys the built-in source lists, and the captions of the format controls beyond JPG,
// PNG and GIF, which the table of formats labels.
constexpr size_t kBuiltInKeys = 180;
size_t keysOfTheTable() { return kBuiltInKeys + sourceFormatControls().size() + resultFormatControls().size() - 6; }

TEST(LanguageTable, BuiltInSourceHoldsEveryPairInOrder) {
    const auto source = builtInLanguageSource();
    ASSERT_EQ(source.size(), kBuiltInKeys * 2 + 1);
    EXPECT_EQ(source[0], "Window_Principal");
    EXPECT_EQ(source[1], "Varimosa");
    EXPECT_EQ(source[2], "Gadget_Principal_ButtonImage_ConfigLoad_ToolTip");
    // The main window's keys come first, then the progress, FTP and update windows'.
    EXPECT_EQ(source[2 * 131], "Gadget_Principal_Button_Cancelar");
    EXPECT_EQ(source[2 * 132], "Window_Progreso");
    EXPECT_EQ(source[2 * 135], "Window_FTPDatosConexion");
    EXPECT_EQ(source[2 * 167], "Window_Update");
    EXPECT_EQ(source[2 * 179], "Gadget_Update_CheckBox_ComprobarActualizacion");
    EXPECT_EQ(source.back(), "_END_");

    LanguageTable table = buildLanguageTable();
    EXPECT_EQ(table.size(), keysOfTheTable());  // keys are unique
    EXPECT_EQ(table.lookupText("Gadget_Principal_Archivo_Option_ExtensionWEBP"), "WEBP");
    EXPECT_EQ(table.lookupText("Gadget_Principal_Archivo_CheckBox_ExtensionActiva_HEIF"), "HEIF");
}

TEST(LanguageTable, TextsAreKeptExactly) {
    LanguageTable table = buildLanguageTable();
    EXPECT_EQ(table.lookupText("Window_Principal"), "Varimosa");
    EXPECT_EQ(table.lookupText("Gadget_Principal_Archivo_Text_TituloServidor"), "Servidor: ");
    EXPECT_EQ(table.lookupText("Gadget_Update_Button_Descargar"), "Descargar  Nueva Versión");
    EXPECT_EQ(table.lookupText("Gadget_Principal_Archivo_String_RutaImagenesDescargadas"), "C:\\TEMP");
    EXPECT_EQ(table.lookupText("Gadget_Principal_Archivo_ButtonNumImagesActualizar_ToolTip"),
              "Actualizar n´º de imágenes en la ruta de origen");
    EXPECT_EQ(table.lookupText("Panel_Principal_PanelProcesar"), "Tab189");
    EXPECT_EQ(table.lookupText("Gadget_Progreso_Button_Cancelar"), "Cancelar");
    EXPECT_EQ(table.lookupText("Gadget_Principal_Archivo_Text_ServidorNombre"), "https://localhost");
    EXPECT_EQ(table.lookupText("Gadget_Principal_Archivo_String_RutaImagenes_ToolTip"),
              "Introduzca la URL a las imágenes. Example: https://www.example.com/content/uploads/");
    EXPECT_EQ(table.lookupText("Gadget_FTPDatosConexion_StringNombreServidor_ToolTip"),
              "Sólo el dominio. Ejemplo: www.example.org");
    // Keys listed with an empty text are present, not missing.
    EXPECT_TRUE(table.contains("Gadget_Principal_Option_POSTXT_Left_Up"));
    EXPECT_EQ(table.lookupText("Gadget_Principal_Option_POSTXT_Left_Up"), "");
    EXPECT_EQ(table.size(), keysOfTheTable());
}

TEST(LanguageTable, MissingKeyIsAddedOnceWithAnEmptyText) {
    LanguageTable table = buildLanguageTable();
    EXPECT_EQ(table.lookupText("Gadget_Sin_Texto"), "");
    EXPECT_EQ(table.size(), keysOfTheTable() + 1);
    EXPECT_TRUE(table.contains("Gadget_Sin_Texto"));
    EXPECT_EQ(table.lookupText("Gadget_Sin_Texto"), "");
    EXPECT_EQ(table.size(), keysOfTheTable() + 1);

    // Keys compare with case: this one differs from a stored key only in case.
    EXPECT_EQ(table.lookupText("window_principal"), "");
    EXPECT_EQ(table.size(), keysOfTheTable() + 2);
    EXPECT_EQ(table.lookupText("Window_Principal"), "Varimosa");
}

TEST(LanguageTable, EndKeyStopsReadingAndPipesBecomeTabs) {
    const std::vector<std::string_view> source = {"Uno", " a|b||c ", "Dos", "|", "_END_", "Tres", "3"};
    LanguageTable table = buildLanguageTableFrom(source);
    EXPECT_EQ(table.size(), 2u);
    EXPECT_EQ(table.lookupText("Uno"), " a\tb\t\tc ");
    EXPECT_EQ(table.lookupText("Dos"), "\t");
    EXPECT_FALSE(table.contains("Tres"));
}

TEST(LanguageTable, LaterPairReplacesAnEarlierKey) {
    const std::vector<std::string_view> source = {"Clave", "primero", "Clave", "segundo", "_END_"};
    LanguageTable table = buildLanguageTableFrom(source);
    EXPECT_EQ(table.size(), 1u);
    EXPECT_EQ(table.lookupText("Clave"), "segundo");
}

TEST(LanguageTable, SourceCutShortEndsCleanly) {
    // No terminator, and a last key without its text: the complete pairs count.
    const std::vector<std::string_view> source = {"A", "1", "B"};
    LanguageTable table = buildLanguageTableFrom(source);
    EXPECT_EQ(table.size(), 1u);
    EXPECT_FALSE(table.contains("B"));
    EXPECT_EQ(buildLanguageTableFrom({}).size(), 0u);
}

}  // namespace
}  // namespace tesselon

#include "core/state.h"
#include "processing/batch/batch_jobs.h"
#include "ui/control_registry.h"
#include "ui/main_window_controls.h"
#include "ui/settings_binding.h"

namespace tesselon {

void showCounts(AppState& state, ControlRegistry& c, int index) {
    const size_t images = state.SourceImageList.size();
    const size_t phrases = state.PhrasesList.size();
    const size_t current = images > 0 ? size_t(index < 0 ? 0 : index) + 1 : 0;

    c.setText(Gadget_Principal_Archivo_Text_NumImagenesEnRuta, padded7(images));

    const std::string& extensions = state.settings.entorno.UltimasExtensionesDescargadas;
    const bool blank = extensions.find_first_not_of(' ') == std::string::npos;
    c.setText(Gadget_Principal_Archivo_Text_NumImagenesEnRutaExtensionesAfectadas,
              blank ? std::string() : "Extensiones Extraídas: (" + extensions + ") ");

    c.setText(Gadget_Principal_Text_InfoNumImagenes, padded7(current) + "/" + padded7(images));
    c.setText(Gadget_Principal_Frame_ArchivoTextos,
              phrases < 1 ? std::string("Archivo de Textos")
                          : "Archivo de Textos (" + std::to_string(phrases) + " frases)");
    c.setEnabled(Gadget_Principal_Button_Procesar, images > 0);
}

}  // namespace tesselon

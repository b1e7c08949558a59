#include "core/state.h"
#include "runtime/fs/paths.h"
#include "ui/control_registry.h"
#include "ui/main_window_controls.h"
#include "ui/settings_binding.h"

namespace tesselon {

namespace {

void showSourceMode(const STRProcesosEntorno& env, ControlRegistry& c) {
    const bool remote = env.LocalRemoto == "R";
    c.setState(remote ? Gadget_Principal_Archivo_Option_OrigenRemoto : Gadget_Principal_Archivo_Option_OrigenLocal, 1);
    for (int id : {Gadget_Principal_Archivo_Text_TituloServidor, Gadget_Principal_Archivo_Text_ServidorNombre,
                   Gadget_Principal_Archivo_ButtonImage_DatosConexionRemota,
                   Gadget_Principal_Archivo_ButtonImage_DescargarFTP,
                   Gadget_Principal_Archivo_Text_TituloRutaImagenesDescargadas,
                   Gadget_Principal_Archivo_String_RutaImagenesDescargadas,
                   Gadget_Principal_Archivo_ButtonImage_RutaImagenesDescargadasAbrir})
        c.setVisible(id, remote);
    c.setVisible(Gadget_Principal_Archivo_ButtonImage_RutaImagenes, !remote);
}

void readEnvironment(STRProcesosEntorno& env, ControlRegistry& c) {
    env.LocalRemoto = c.state(Gadget_Principal_Archivo_Option_OrigenRemoto) ? "R" : "L";

    const std::string source = withTrailingSeparator(c.text(Gadget_Principal_Archivo_String_RutaImagenes));
    c.setText(Gadget_Principal_Archivo_String_RutaImagenes, source);
    (env.LocalRemoto == "L" ? env.RutaOrigenLocal : env.RutaOrigenRemoto) = source;

    c.setText(Gadget_Principal_Archivo_String_RutaImagenesDescargadas, env.RutaEnLocalDeRemotoDescargadas);

    std::string extensions;
    if (c.state(Gadget_Principal_Archivo_CheckBox_ExtensionActiva_JPG)) extensions = "JPG|JPEG";
    if (c.state(Gadget_Principal_Archivo_CheckBox_ExtensionActiva_PNG)) extensions += "|PNG";
    if (c.state(Gadget_Principal_Archivo_CheckBox_ExtensionActiva_GIF)) extensions += "|GIF";
    while (!extensions.empty() && extensions.front() == '|') extensions.erase(0, 1);
    while (!extensions.empty() && extensions.back() == '|') extensions.pop_back();
    env.ExtensionesActivas = extensions;

    env.imagenesRecursivo = int8_t(c.state(Gadget_Principal_Archivo_CheckBox_Subcarpetas));
    env.imagenesSobreescribir = int8_t(c.state(Gadget_Principal_Archivo_CheckBox_Sobreescribir));
    env.RutaImagenesDestino = withTrailingSeparator(c.text(Gadget_Principal_Archivo_String_RutaImagenesDestino));

    if (c.state(Gadget_Principal_Archivo_Option_ExtensionJPG)) {
        env.FormatoImagen = "jpg";
    } else if (c.state(Gadget_Principal_Archivo_Option_ExtensionPNG)) {
        env.FormatoImagen = "png";
    } else if (c.state(Gadget_Principal_Archivo_Option_ExtensionGIF)) {
        env.FormatoImagen = "gif";
    } else {
        env.FormatoImagen = "original";
        c.setState(Gadget_Principal_Archivo_Option_ExtensionORIGEN, 1);
    }
    env.CalidadGrabacion = c.state(Gadget_Principal_Archivo_TrackBar_GrabarCalidad);
}

void showEnvironment(STRProcesosEntorno& env, ControlRegistry& c) {
    std::string source;
    if (env.LocalRemoto == "L") {
        source = env.RutaOrigenLocal;
        c.setState(Gadget_Principal_Archivo_Option_OrigenLocal, 1);
    } else {
        source = env.RutaOrigenRemoto;
        c.setState(Gadget_Principal_Archivo_Option_OrigenRemoto, 1);
    }
    if (env.LocalRemoto == "L" || env.LocalRemoto == "R") source = withTrailingSeparator(source);

    c.setText(Gadget_Principal_Archivo_Text_ServidorNombre, env.servidor);
    c.setText(Gadget_Principal_Archivo_String_RutaImagenes, source);
    c.setText(Gadget_Principal_Archivo_String_RutaImagenesDescargadas, env.RutaEnLocalDeRemotoDescargadas);

    const std::string& ext = env.ExtensionesActivas;
    const auto has = [&ext](const char* name) { return ext.find(name) != std::string::npos; };
    c.setState(Gadget_Principal_Archivo_CheckBox_ExtensionActiva_JPG, has("JPG") || has("JPEG"));
    c.setState(Gadget_Principal_Archivo_CheckBox_ExtensionActiva_PNG, has("PNG"));
    c.setState(Gadget_Principal_Archivo_CheckBox_ExtensionActiva_GIF, has("GIF"));

    c.setState(Gadget_Principal_Archivo_CheckBox_Subcarpetas, env.imagenesRecursivo);
    c.setState(Gadget_Principal_Archivo_CheckBox_Sobreescribir, env.imagenesSobreescribir);

    env.RutaImagenesDestino = withTrailingSeparator(env.RutaImagenesDestino);
    c.setText(Gadget_Principal_Archivo_String_RutaImagenesDestino, env.RutaImagenesDestino);

    const std::pair<const char*, int> formats[] = {{"jpg", Gadget_Principal_Archivo_Option_ExtensionJPG},
                                                   {"png", Gadget_Principal_Archivo_Option_ExtensionPNG},
                                                   {"gif", Gadget_Principal_Archivo_Option_ExtensionGIF},
                                                   {"original", Gadget_Principal_Archivo_Option_ExtensionORIGEN}};
    // An unknown format selects none of the four.
    for (auto [name, option] : formats) c.setState(option, 0);
    for (auto [name, option] : formats)
        if (env.FormatoImagen == name) c.setState(option, 1);

    c.setState(Gadget_Principal_Archivo_TrackBar_GrabarCalidad, env.CalidadGrabacion);
    c.setText(Gadget_Principal_Archivo_Text_GrabarCalidad, std::to_string(env.CalidadGrabacion));
}

}  // namespace

void bindEnvironment(AppState& state, ControlRegistry& controls, BindDirection direction) {
    STRProcesosEntorno& env = state.settings.entorno;
    if (direction == BindDirection::Read)
        readEnvironment(env, controls);
    else
        showEnvironment(env, controls);
    showSourceMode(env, controls);
}

}  // namespace tesselon

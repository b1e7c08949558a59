#include "core/state.h"
#include "runtime/fs/paths.h"
#include "runtime/text/ascii_text.h"
#include "ui/format_controls.h"
#include "ui/control_registry.h"
#include "ui/main_window_controls.h"
#include "ui/remote_texts.h"
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
    showRemoteProtocol(env, c);
}

void readEnvironment(STRProcesosEntorno& env, ControlRegistry& c) {
    env.LocalRemoto = c.state(Gadget_Principal_Archivo_Option_OrigenRemoto) ? "R" : "L";

    const std::string source = withTrailingSeparator(c.text(Gadget_Principal_Archivo_String_RutaImagenes));
    c.setText(Gadget_Principal_Archivo_String_RutaImagenes, source);
    (env.LocalRemoto == "L" ? env.RutaOrigenLocal : env.RutaOrigenRemoto) = source;

    c.setText(Gadget_Principal_Archivo_String_RutaImagenesDescargadas, env.RutaEnLocalDeRemotoDescargadas);

    // Each checked format adds its extensions ("JPG|JPEG"), in the order of the table.
    std::string extensions;
    for (const FormatControl& f : sourceFormatControls())
        if (c.state(f.id)) extensions += "|" + extensionListEntry(*f.format);
    while (!extensions.empty() && extensions.front() == '|') extensions.erase(0, 1);
    while (!extensions.empty() && extensions.back() == '|') extensions.pop_back();
    env.ExtensionesActivas = extensions;

    env.imagenesRecursivo = int8_t(c.state(Gadget_Principal_Archivo_CheckBox_Subcarpetas));
    env.imagenesSobreescribir = int8_t(c.state(Gadget_Principal_Archivo_CheckBox_Sobreescribir));
    env.RutaImagenesDestino = withTrailingSeparator(c.text(Gadget_Principal_Archivo_String_RutaImagenesDestino));

    env.FormatoImagen = "original";
    bool chosen = false;
    for (const FormatControl& f : resultFormatControls()) {
        if (c.state(f.id)) {
            env.FormatoImagen = std::string(f.format->settingsValue);
            chosen = true;
            break;
        }
    }
    if (!chosen) c.setState(Gadget_Principal_Archivo_Option_ExtensionORIGEN, 1);
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

    // A format's box is checked when the list holds any of its extensions (a plain,
    // case-sensitive search for the upper-case name).
    const std::string& ext = env.ExtensionesActivas;
    for (const FormatControl& f : sourceFormatControls()) {
        bool listed = false;
        for (size_t i = 0; i < f.format->extensionCount(); ++i)
            listed = listed || ext.find(asciiUpper(f.format->extensions[i])) != std::string::npos;
        c.setState(f.id, listed);
    }

    c.setState(Gadget_Principal_Archivo_CheckBox_Subcarpetas, env.imagenesRecursivo);
    c.setState(Gadget_Principal_Archivo_CheckBox_Sobreescribir, env.imagenesSobreescribir);

    env.RutaImagenesDestino = withTrailingSeparator(env.RutaImagenesDestino);
    c.setText(Gadget_Principal_Archivo_String_RutaImagenesDestino, env.RutaImagenesDestino);

    // An unknown format selects none of the options.
    c.setState(Gadget_Principal_Archivo_Option_ExtensionORIGEN, env.FormatoImagen == "original");
    for (const FormatControl& f : resultFormatControls()) c.setState(f.id, env.FormatoImagen == f.format->settingsValue);

    c.setState(Gadget_Principal_Archivo_TrackBar_GrabarCalidad, env.CalidadGrabacion);
    c.setText(Gadget_Principal_Archivo_Text_GrabarCalidad, std::to_string(env.CalidadGrabacion));
}

}  // namespace

void showRemoteProtocol(const STRProcesosEntorno& env, ControlRegistry& controls) {
    const int choice = Gadget_Principal_Archivo_Option_OrigenRemoto;
    controls.setText(choice, namingProtocol(controls.text(choice), remoteProtocolOf(env.protocolo)));
}

void bindEnvironment(AppState& state, ControlRegistry& controls, BindDirection direction) {
    STRProcesosEntorno& env = state.settings.entorno;
    if (direction == BindDirection::Read)
        readEnvironment(env, controls);
    else
        showEnvironment(env, controls);
    showSourceMode(env, controls);
}

}  // namespace tesselon

#include "core/frontend.h"
#include "core/state.h"
#include "sources/open_download_folder.h"
#include "sources/scan_images.h"
#include "ui/control_registry.h"
#include "ui/format_controls.h"
#include "ui/main_events.h"
#include "ui/main_window_controls.h"
#include "engine/remote_context_of.h"
#include "ui/requesters.h"
#include "ui/settings_binding.h"

namespace tesselon {

namespace {

void chooseSourceFolder(MainEventContext& cx) {
    STRProcesosEntorno& env = cx.state.settings.entorno;
    const std::string path = folderRequester(cx.requesters, "Ruta de imágenes de origen", env.RutaOrigenLocal);
    if (path.empty()) return;
    env.RutaOrigenLocal = path;
    cx.controls.setText(Gadget_Principal_Archivo_String_RutaImagenes, path);
    if (confirmRescan(remoteContextOf(cx.state), env, cx.state.SourceImageList)) refreshPreview(cx);
}

void chooseDestinationFolder(MainEventContext& cx) {
    STRProcesosEntorno& env = cx.state.settings.entorno;
    const std::string path =
        folderRequester(cx.requesters, "Ruta de grabación de imágenes", env.RutaImagenesDestino);
    if (path.empty()) return;
    env.RutaImagenesDestino = path;
    cx.controls.setText(Gadget_Principal_Archivo_String_RutaImagenesDestino, path);
}

}  // namespace

bool handleFilesEvent(MainEventContext& cx, int control) {
    AppState& state = cx.state;
    STRProcesosEntorno& env = state.settings.entorno;
    ControlRegistry& c = cx.controls;
    switch (control) {
    case Gadget_Principal_Archivo_Option_OrigenLocal:
        c.setText(Gadget_Principal_Archivo_String_RutaImagenes, env.RutaOrigenLocal);
        bindEnvironment(state, c, BindDirection::Read);
        return true;
    case Gadget_Principal_Archivo_Option_OrigenRemoto:
        c.setText(Gadget_Principal_Archivo_String_RutaImagenes, env.RutaOrigenRemoto);
        c.setText(Gadget_Principal_Archivo_Text_ServidorNombre, env.servidor);
        bindEnvironment(state, c, BindDirection::Read);
        return true;
    case Gadget_Principal_Archivo_ButtonImage_RutaImagenes: chooseSourceFolder(cx); return true;
    case Gadget_Principal_Archivo_ButtonImage_DatosConexionRemota:
        if (cx.openFtpConnectionWindow && cx.openFtpConnectionWindow()) {
            showCounts(state, c, 0);
            bindEnvironment(state, c, BindDirection::Show);
        }
        return true;
    case Gadget_Principal_Archivo_ButtonImage_DescargarFTP:
        if (cx.downloadRemoteImages) {
            cx.downloadRemoteImages();
            bindEnvironment(state, c, BindDirection::Show);
        }
        return true;
    case Gadget_Principal_Archivo_ButtonNumImagesActualizar:
        state.frontend->setSourceChangedNotice(false);
        scanImages(remoteContextOf(state), env, state.SourceImageList, env.imagenesRecursivo != 0);
        refreshPreview(cx);
        return true;
    case Gadget_Principal_Archivo_CheckBox_Subcarpetas:
        env.imagenesRecursivo = int8_t(c.state(control));
        if (confirmRescan(remoteContextOf(state), env, state.SourceImageList)) refreshPreview(cx);
        return true;
    case Gadget_Principal_Archivo_ButtonImage_RutaImagenesDescargadasAbrir:
        openDownloadFolder(*state.frontend, env.RutaEnLocalDeRemotoDescargadas);
        return true;
    case Gadget_Principal_Archivo_CheckBox_Sobreescribir:
        env.imagenesSobreescribir = int8_t(c.state(control));
        return true;
    case Gadget_Principal_Archivo_ButtonImage_RutaImagenesDestino: chooseDestinationFolder(cx); return true;
    case Gadget_Principal_Archivo_Option_ExtensionORIGEN: refreshPreview(cx); return true;
    case Gadget_Principal_Archivo_TrackBar_GrabarCalidad:
        env.CalidadGrabacion = c.state(control);
        showTrackbarLevel(c, control);
        return true;
    default:
        if (sourceFormatControl(control)) {
            bindEnvironment(state, c, BindDirection::Read);
            return true;
        }
        if (resultFormatControl(control)) {
            refreshPreview(cx);
            return true;
        }
        return false;
    }
}

}  // namespace tesselon

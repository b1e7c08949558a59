#include "ui/main_event_handler.h"

#include <optional>

#include "core/state.h"
#include "ui/desktop_batch.h"
#include "settings/settings_file.h"
#include "sources/extension_filter.h"
#include "ui/control_registry.h"
#include "ui/main_events.h"
#include "ui/main_window_controls.h"
#include "ui/requesters.h"
#include "ui/settings_binding.h"

namespace tesselon {

namespace {

void loadSettingsFile(MainEventContext& cx) {
    const std::string path =
        openFileRequester(cx.requesters, "Cargar una Configuración", cx.state.SettingsFilePath, kSettingsFilters);
    if (path.empty()) return;
    cx.state.SettingsFilePath = path;
    if (cx.reloadSettings) cx.reloadSettings();
}

void saveSettingsFile(MainEventContext& cx) {
    const std::string path = saveFileRequester(cx.requesters, "Guardar Configuración Actual",
                                                cx.state.SettingsFilePath, kSettingsFilters);
    if (path.empty()) return;
    cx.state.SettingsFilePath = settingsFileName(path);
    saveSettings(cx.state, cx.state.SettingsFilePath);
}

// ">" and "<" step through the list and wrap at either end.
void browse(MainEventContext& cx, int step) {
    SourceImageList& list = cx.state.SourceImageList;
    if (list.empty()) return;
    const size_t count = list.size();
    size_t i = list.current < count ? list.current : 0;
    if (step > 0)
        i = i + 1 < count ? i + 1 : 0;
    else
        i = i >= 1 ? i - 1 : count - 1;
    list.current = i;
    showCounts(cx.state, cx.controls, int(i));
    refreshPreview(cx);
}

void runConversion(MainEventContext& cx) {
    cx.controls.setEnabled(Panel_Principal, false);
    runDesktopBatch(cx.state, false);
    cx.controls.setEnabled(Panel_Principal, true);
}

std::string handleControl(MainEventContext& cx, int control) {
    switch (control) {
    case Gadget_Principal_ButtonImage_Cerrar: return kEndProgramAnswer;
    case Gadget_Principal_ButtonImage_ConfigLoad: loadSettingsFile(cx); return {};
    case Gadget_Principal_ButtonImage_ConfigSave: saveSettingsFile(cx); return {};
    case Gadget_Principal_Button_ImagenSiguiente: browse(cx, +1); return {};
    case Gadget_Principal_Button_ImagenAnterior: browse(cx, -1); return {};
    case Gadget_Principal_Button_Procesar: runConversion(cx); return {};
    default: break;
    }
    if (cx.controls.kind(control) == ControlKind::Trackbar) cx.handledPositions[control] = cx.controls.state(control);
    if (!handleFilesEvent(cx, control) && !handleImageEvent(cx, control)) handleTextEvent(cx, control);
    return {};
}

void handleButtonReleased(MainEventContext& cx, int control) {
    // The quality is previewed only once the mouse lets its trackbar go.
    if (cx.controls.focusedControl() == Gadget_Principal_Archivo_TrackBar_GrabarCalidad) {
        refreshPreview(cx);
        return;
    }
    // While a dragged trackbar's preview runs, the positions it passes meanwhile are
    // not handled; its release applies the position where it stopped, so the label,
    // the setting and the preview all end at it.
    if (control == 0 || control == Gadget_Principal_Archivo_TrackBar_GrabarCalidad ||
        cx.controls.kind(control) != ControlKind::Trackbar)
        return;
    const auto handled = cx.handledPositions.find(control);
    if (handled == cx.handledPositions.end() || handled->second != cx.controls.state(control))
        handleControl(cx, control);
}

}  // namespace

std::string settingsFileName(const std::string& chosen) {
    const size_t slash = chosen.find_last_of('/');
    const size_t dot = chosen.find_last_of('.');
    const bool hasExtension = dot != std::string::npos && (slash == std::string::npos || dot > slash);
    if (hasExtension && asciiLower(chosen.substr(dot + 1)) == "cfg") return chosen;
    return chosen + ".cfg";
}

void refreshPreview(MainEventContext& cx) {
    // A kept event that asks for a refresh gets it from the loop below, together with
    // every other kept event that does.
    if (cx.refreshing) {
        cx.refreshOwed = true;
        return;
    }
    cx.refreshing = true;
    do {
        cx.refreshOwed = false;
        {
            std::optional<EventGate::Deferral> keep;
            if (cx.gate) keep.emplace(*cx.gate);
            runDesktopBatch(cx.state, true);
        }
        // A refresh left for the events kept meanwhile is owed, whatever they ask for.
        if (cx.state.preview.superseded) cx.refreshOwed = true;
        cx.state.preview.superseded = false;
        // What the user did during the refresh acts now, in order.
        while (std::optional<WindowEvent> kept = cx.gate ? cx.gate->takeKept() : std::nullopt) {
            if (handleMainEvent(cx, *kept) == kEndProgramAnswer) cx.endOwed = true;
        }
    } while (cx.refreshOwed && !cx.endOwed);
    cx.refreshing = false;
}

void showKeptEvent(MainEventContext& cx, const WindowEvent& event) {
    if (event.type == WindowEventType::Control) showTrackbarLevel(cx.controls, event.control);
    // The user has moved on: the refresh running stops waiting for its picture.
    if (cx.refreshing) cx.state.preview.superseded = true;
}

void chooseSwatchColour(MainEventContext& cx, int32_t& field, int swatch) {
    const int64_t colour = colourRequester(cx.requesters, uint32_t(field));
    if (colour != -1) {
        field = int32_t(colour);
        cx.controls.setBackColour(swatch, uint32_t(colour));
    }
    refreshPreview(cx);
}

namespace {

std::string handleOneEvent(MainEventContext& cx, const WindowEvent& event) {
    switch (event.type) {
    case WindowEventType::CloseRequest: return kEndProgramAnswer;
    case WindowEventType::LeftButtonUp: handleButtonReleased(cx, event.control); return {};
    case WindowEventType::Control: return handleControl(cx, event.control);
    }
    return {};
}

}  // namespace

std::string handleMainEvent(MainEventContext& cx, const WindowEvent& event) {
    const std::string answer = handleOneEvent(cx, event);
    // An end asked for by an event kept during a refresh is the answer of the event
    // that started the refresh.
    if (answer.empty() && cx.endOwed && !cx.refreshing) {
        cx.endOwed = false;
        return kEndProgramAnswer;
    }
    return answer;
}

}  // namespace tesselon

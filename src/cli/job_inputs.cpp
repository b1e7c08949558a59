#include "cli/job_inputs.h"

#include "core/state.h"
#include "settings/job_of.h"

namespace tesselon {

BatchInputs batchInputsOf(AppState& state, const RunOptions& run) {
    BatchInputs in;
    in.job = jobOf(state.settings, run);
    in.list = &state.SourceImageList;
    in.phrases = &state.PhrasesList;
    in.defaultWatermark = state.DefaultWatermarkText;
    in.fontDpi = state.fontDpi;
    in.codecs = &state.codecs;
    in.frontend = state.frontend;
    return in;
}

}  // namespace tesselon

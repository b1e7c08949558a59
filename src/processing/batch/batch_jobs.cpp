#include "processing/batch/batch_jobs.h"


#include "core/image_list.h"
#include "processing/batch/job_records.h"
#include "processing/text/overlay_text.h"

namespace tesselon {

PipelineSettings pipelineSettingsOf(const BatchInputs& in) {
    PipelineSettings s;
    s.image = in.job.operations.image;
    s.font = in.job.text.font;
    s.textPosition = in.job.text.position;
    s.fontDpi = in.fontDpi;
    s.codecs = in.codecs;
    s.metadata = {in.job.run.autoOrient, in.job.run.keepMetadata};
    s.refinements = in.job.run.refinements;
    return s;
}

PipelineJob jobForEntry(const BatchInputs& in, size_t index, size_t phraseIndex, bool preview,
                        const std::string& temporaryFolder) {
    PipelineJob job;
    const Settings records = recordsOf(in.job);
    job.plan = planOutput(records.entorno, in.list->entries[index], temporaryFolder, preview);
    job.overlayText = textForEntry(records, *in.phrases, in.defaultWatermark, phraseIndex);
    job.resize = !preview && in.job.operations.image.ResizeActivo != 0;
    return job;
}

std::string padded7(size_t value) {
    // Right-aligned in seven characters with zeros; a longer number keeps its first seven.
    std::string digits = std::to_string(value);
    return digits.size() >= 7 ? digits.substr(0, 7) : std::string(7 - digits.size(), '0') + digits;
}

std::string imageCounterText(size_t number, size_t total) { return padded7(number) + "/" + padded7(total); }

}  // namespace tesselon

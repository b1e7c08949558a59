#include "processing/incremental/result_recipe.h"

#include "runtime/drawing/font.h"
#include "runtime/json/json_compose.h"
#include "settings/record_descriptors.h"
#include "update/update_check/build_stamp.h"

namespace tesselon {

namespace {

// The program's version and build: a new build may encode the same settings into other
// bytes, so its results are made again.
constexpr const char* kProgramVersion = "0.3f";

template <class Record>
std::string recordText(const Record& record, const RecordDescriptor<Record>& descriptor) {
    JsonValue object = JsonValue::makeObject();
    insertRecord(object, record, descriptor);
    return composeJson(object);
}

bool drawsText(const STRProcesosImage& image) { return textBeforeRotation(image) || textAfterRotation(image); }

// What the face resolves to on this machine: installing or removing a font can change it.
std::string resolvedFamily(const STRFuente& font, int fontDpi) {
    const uint32_t style = uint32_t(font.Bold | font.Cursiva | font.Subrayado | font.Tachado);
    const std::optional<Font> loaded = loadFont(font.Nombre, font.Tamagno, style, fontDpi);
    return loaded ? loaded->family : std::string();
}

}  // namespace

Sha256Digest runRecipe(const Settings& settings, int fontDpi, const MetadataOptions& metadata,
                       const JobRefinements& refinements) {
    const STRProcesosEntorno& env = settings.entorno;
    Sha256 digest;
    digest.addField(kProgramVersion).addField(kLocalBuildStamp);
    digest.addField(recordText(settings.image, imageDescriptor()));
    digest.addField(env.FormatoImagen).addField(std::to_string(env.CalidadGrabacion));
    digest.addField(env.imagenesSobreescribir ? "over the sources" : "into the destination");
    digest.addField(metadata.autoOrient ? "upright" : "as stored");
    digest.addField(metadata.keepMetadata ? "metadata kept" : "no metadata");
    if (drawsText(settings.image)) {
        const STRProcesosTexto& text = settings.texto;
        digest.addField(recordText(text.FuenteUsada, fuenteDescriptor()));
        digest.addField(std::to_string(text.TextoPosicion)).addField(std::to_string(fontDpi));
        digest.addField(resolvedFamily(text.FuenteUsada, fontDpi));
    }
    // Only a job that has them adds them: the recipes of earlier runs stay as they were.
    if (const std::optional<ResizeBox>& box = refinements.resizeBox) {
        digest.addField("resize box").addField(std::to_string(box->width)).addField(std::to_string(box->height));
        digest.addField(box->shrinkOnly ? "shrink only" : "any size");
    }
    if (refinements.textHeightShare && drawsText(settings.image))
        digest.addField("text height share").addField(std::to_string(*refinements.textHeightShare));
    return digest.finish();
}

Sha256Digest imageRecipe(const Sha256Digest& run, const STRProcesosImage& image, const PipelineJob& job) {
    Sha256 digest;
    digest.add(std::string_view(reinterpret_cast<const char*>(run.data()), run.size()));
    digest.addField(job.plan.extension).addField(job.plan.format ? job.plan.format->name : std::string_view());
    digest.addField(std::to_string(job.plan.quality));
    digest.addField(job.resize ? "resized" : "full size");
    if (drawsText(image)) digest.addField(job.overlayText);
    return digest.finish();
}

}  // namespace tesselon

#include "processing/batch/turned_decode.h"

#include <algorithm>

#include "processing/batch/colour_operations.h"
#include "processing/filters/banded_turn.h"
#include "runtime/fs/paths.h"
#include "runtime/imaging/jpeg_codec.h"
#include "runtime/imaging/pixel_allocation.h"
#include "runtime/text/ascii_text.h"

namespace tesselon {

namespace {

// Rows decoded at a time. Each band writes this many pixels into every row of the turned
// image: fewer leave those writes short of whole cache lines, whose other parts the next
// band fills once they have left the cache; a band of a photo's rows (some 1.5 MB at
// 4000 pixels across) still stays in the cache from the decoder's writes to the turn's
// reads.
constexpr int kBandRows = 128;

// The decoder catchImage would pick for the data.
uint32_t decoderFormatFor(const uint8_t* data, size_t size, const CodecRegistry& codecs) {
    for (const DecoderEntry& decoder : codecs.decoders())
        if (decoder.probe(data, size)) return decoder.format;
    return kFormatNone;
}

}  // namespace

bool turnsWhileDecoding(const PipelineSettings& settings, const PipelineJob& job) {
    const STRProcesosImage& ops = settings.image;
    return (ops.Rotar == 90 || ops.Rotar == 270) && !textBeforeRotation(ops) && !ops.EspejoH && !ops.EspejoV &&
           (!job.onSourceLoaded || job.sourceRows) && !settings.metadata.autoOrient && !settings.metadata.keepMetadata &&
           asciiLower(extensionPart(job.plan.sourcePath)) != "gif";
}

TurnedDecode decodeTurned(const uint8_t* data, size_t size, const CodecRegistry& codecs, const DecodeLimits& limits,
                          const STRProcesosImage& ops, const PipelineJob& job) {
    TurnedDecode decoded;
    if (!data || size == 0 || decoderFormatFor(data, size, codecs) != kFormatJPEG) return decoded;
    std::optional<JpegBandReader> reader = JpegBandReader::open(data, size, limits);
    if (!reader) return decoded;
    // The source pane sees each band as decoded, before its colours change.
    std::unique_ptr<RowPicture> shown;
    if (job.onSourceLoaded) {
        if (job.sourceRows) shown = job.sourceRows(reader->width(), reader->height());
        if (!shown) return decoded;
    }
    std::optional<BandedTurn> turn =
        BandedTurn::start(reader->width(), reader->height(), ops.Rotar, uint32_t(ops.ColorFondo),
                          greyDuringTurn(ops) ? PixelTone::Grey : PixelTone::AsIs, limits.pool);
    if (!turn) return decoded;
    std::optional<ImageObject> band = allocateImage(reader->width(), std::min(kBandRows, reader->height()), 24);
    if (!band) {
        if (limits.pool) limits.pool->give(turn->result());
        return decoded;
    }
    while (reader->nextRow() < reader->height()) {
        const int first = reader->nextRow();
        const int count = std::min(int(band->height), reader->height() - first);
        if (!reader->read(*band, count)) {
            if (limits.pool) limits.pool->give(turn->result());
            decoded.outcome = TurnedDecodeOutcome::Failed;
            return decoded;
        }
        if (shown) shown->take(*band, count);
        // The band's pixels past `count` are left from the band before: coloured again,
        // never copied.
        applyColourOperations(*band, ops, 1);
        turn->take(*band, first, count);
    }
    if (shown) shown->finish();
    decoded.outcome = TurnedDecodeOutcome::Turned;
    decoded.image = std::move(turn->result());
    return decoded;
}

}  // namespace tesselon

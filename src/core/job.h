// One conversion job as the engine runs it: the settings records parsed once into the
// parts each step needs. The scan takes the source, the pipeline the operations, the
// text and the output, the batch the run options; none of them reads the records.
#pragma once

#include <cstdint>
#include <string>

#include "core/job_refinements.h"
#include "core/records.h"
#include "core/remote_endpoint.h"

namespace tesselon {

struct JobSource {
    SourceKind kind = SourceKind::Local;
    std::string localFolder;     // the local folder scanned, as stored (ends with a separator)
    RemoteEndpoint remote;       // the remote source, when kind is Remote
    std::string downloadFolder;  // where a remote source's images are downloaded to
    std::string extensions;      // "JPG|PNG" subset of the extensions scanned
    bool recursive = false;      // the scan descends into subfolders
};

// The image operations, in the record's own form: the pipeline's steps read it field by
// field, and the manifest's recipe digests it as it is stored.
struct JobOperations {
    STRProcesosImage image;
};

struct TextOverlay {
    bool drawn = false;            // MarcaDeAgua is exactly 1
    bool beforeRotation = false;   // drawn before the rotation, else after it
    STRFuente font;
    int position = 0;              // TextoPosicion: 1 right, 2 centre, 4 middle, 8 bottom
    bool watermarkOnly = false;    // the watermark instead of the phrases
    std::string watermark;         // "|" separates lines
    std::string phrasesFile;
};

struct JobOutput {
    std::string format;             // "original" or an output format's stored name
    int quality = 0;                // 10..100, or 0 for each encoder's default
    std::string destinationFolder;  // as stored
    bool overwrite = false;         // the results replace their sources
};

struct RunOptions {
    JobRefinements refinements;  // a terminal job's resize box and relative text size
    bool autoOrient = false;     // sources turned upright by their EXIF orientation
    bool keepMetadata = false;   // EXIF and ICC profile carried into the results
};

struct JobDescription {
    JobSource source;
    JobOperations operations;
    TextOverlay text;
    JobOutput output;
    RunOptions run;
};

}  // namespace tesselon

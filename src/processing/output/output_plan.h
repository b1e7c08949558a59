// Where one source image's result goes, under which name, in which format.
//
// Computed from plain values only, so batch workers on several threads can each plan
// their own entries; the batch's guard then adds the open folder the result is written
// beneath.
#pragma once

#include <string>
#include <string_view>

#include "core/records.h"
#include "core/image_list.h"
#include "runtime/fs/folder_handle.h"
#include "runtime/imaging/image_formats.h"

namespace tesselon {

struct OutputPlan {
    std::string sourcePath;         // the local file the image is read from
    std::string sourceRoot;         // the folder the source tree hangs from, ending with "/"
    std::string destinationFolder;  // where the result goes unless the sources are overwritten
    std::string outputPath;         // for the entry's outputPath
    std::string savePath;           // the file actually written
    std::string extension;          // output extension
    const ImageFormat* format = nullptr;  // the format the result is written in
    bool formatSubstituted = false;       // the format asked for has no encoder here
    int quality = 0;                // CalidadGrabacion
    bool overwrite = false;         // imagenesSobreescribir
    bool preview = false;

    // The folder of the save path as a folder beneath an open root (the destination
    // folder, or the source folder when overwriting), "/"-separated, "" for the root
    // itself. The save walks there from the root's descriptor, so a folder on the way
    // that became a link fails the save instead of leading it elsewhere. Set by the
    // batch's guard; without a root the save path is written as it is.
    FolderHandle root;
    std::string folderBeneathRoot;
};

// The source folder of the current source kind (RutaOrigenLocal, or the download
// folder RutaEnLocalDeRemotoDescargadas for an FTP source), ending with "/".
std::string sourceRootOf(const STRProcesosEntorno& env);

// Local source: the entry's path. FTP source: the download folder followed by the
// remote path without its leading "/", which is where the download put the file.
std::string sourcePathOf(const STRProcesosEntorno& env, const SourceImageEntry& entry);

// The source path's folder moved from below `sourceRoot` to below `destination`, so
// the source's subfolders are kept. Only a leading root is replaced: the same text
// deeper in the path is a folder name that stays. A path outside the root (the list
// was scanned from another folder) goes straight into `destination`.
std::string destinationFolderFor(std::string_view sourcePath, std::string_view sourceRoot,
                                 std::string_view destination);

// Everything the save of one entry needs. `temporaryFolder` receives preview results.
OutputPlan planOutput(const STRProcesosEntorno& env, const SourceImageEntry& entry,
                      std::string_view temporaryFolder, bool preview);

}  // namespace tesselon

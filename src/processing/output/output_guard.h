// Where a batch may write and where it must not: no result replaces an image of the
// list other than its own source in overwrite mode, overwriting stays inside the source
// folder, and results stay inside the destination folder even where links lead out.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "core/image_list.h"
#include "core/records.h"
#include "processing/output/output_plan.h"
#include "sources/folder_scan.h"

namespace tesselon {

class Frontend;

// Whether the destination is the source folder itself (the same folder by device and
// inode, however it is written, or the same path where it does not exist yet) while
// the sources are not to be overwritten: every result would then land on or beside
// its original.
bool destinationIsSourceFolder(const STRProcesosEntorno& env);

// The file-system checks of one batch. The destination folder (the source folder when
// overwriting) is opened once, at the first entry, and every result is then written
// beneath that descriptor.
class OutputGuard {
public:
    OutputGuard(const STRProcesosEntorno& env, const SourceImageList& list);

    // Gives the plan its root and the folder beneath it, and makes that folder ready
    // once per folder: created when missing (a failure ends the batch, as
    // ensureDestinationFolder says) and cleared of the temporaries a killed run left
    // there. In overwrite mode the source's own folder is cleared instead. A folder that
    // leads outside gets no root; refusal() then refuses its entries.
    bool prepareFolder(OutputPlan& plan, int8_t& cancelado, Frontend& frontend);

    // Why entry `index` must not be written as planned, in English; empty when it may.
    std::string refusal(const OutputPlan& plan, size_t index);

    // The folder results are written beneath, as prepareFolder opens it: the destination
    // folder (made when missing), or the source folder when overwriting. Invalid when it
    // cannot be opened.
    FolderHandle resultsRoot();

private:
    void openDestination();
    std::string listPathOf(size_t index) const;
    // Where `folder` lies beneath `realRoot` once links are resolved, as they stand at
    // the first question; nothing when it leads outside. Asked once per folder.
    const std::optional<std::string>& placeBeneath(const std::string& folder, const std::string& realRoot);

    const SourceImageList& list_;
    std::string destinationPath_;      // as the user named it, ending with "/"
    std::string realSourceRoot_;       // ending with "/"; empty when unknown
    std::string realDestinationRoot_;  // ending with "/"; empty when unknown
    FolderHandle sourceRoot_;
    FolderHandle destinationRoot_;
    bool destinationOpened_ = false;
    bool overwrite_ = false;
    std::vector<std::optional<FolderIdentity>> sources_;  // device and inode of each source
    std::map<std::pair<uint64_t, uint64_t>, size_t> sourceAt_;
    std::set<std::string> preparedFolders_;
    std::map<std::string, std::optional<std::string>> places_;  // by root and folder
};

}  // namespace tesselon

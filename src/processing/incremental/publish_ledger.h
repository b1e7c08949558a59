// What earlier runs published from a destination folder: for each result, where it went
// on which server, and the size and digest of the file that went up. A run with
// --skip-unchanged reads it to leave alone a result that was neither converted again
// nor changed since it was published there. It lives beside the manifest, in a hidden
// file of its own (".tesselon-manifest-published", "-K-of-N" after it for a shard), so
// the manifest's own files keep their form.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>

#include "runtime/fs/folder_handle.h"
#include "runtime/hash/sha256.h"

namespace tesselon {

struct PublishedRecord {
    std::string output;  // the result's path below the destination folder
    std::string where;   // the server and the remote path it was published as
    uint64_t size = 0;
    Sha256Digest digest{};
};

// How reading the file went; a file set aside counts as empty: everything is published again.
enum class PublishLedgerRead { Read, Missing, Damaged, OtherVersion, Oversized };

class PublishLedger {
public:
    // The file's name for a run's manifest part ("" or "K-of-N").
    static std::string fileName(const std::string& part);

    // Reads the part's file beneath `root`, at most `byteBound` bytes of it.
    PublishLedgerRead load(const FolderHandle& root, const std::string& part, uint64_t byteBound);

    const PublishedRecord* find(const std::string& output, const std::string& where) const;
    void set(PublishedRecord record);
    void drop(const std::string& output, const std::string& where);

    // Writes the file again beneath `root`, in one step: false when it could not be.
    bool save(const FolderHandle& root, const std::string& part) const;

private:
    std::map<std::pair<std::string, std::string>, PublishedRecord> records_;
};

// One record's line, with its check and the final line feed; and back.
std::string composePublishedLine(const PublishedRecord& record);
std::optional<PublishedRecord> parsePublishedLine(std::string_view line);

}  // namespace tesselon

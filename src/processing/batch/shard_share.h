// Splitting one job over several runs: shard K of N takes the K-th of N consecutive
// blocks of the image list, in list order, whose sizes differ by at most one. The same
// K/N of the same list always gives the same share, and one image more or less moves
// at most one image across each boundary, so runs that split a growing folder the
// same way keep almost all of their images.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "processing/batch/batch_inputs.h"

namespace tesselon {

struct Shard {
    size_t index = 1;  // K, from 1
    size_t count = 1;  // N
};

// "K/N" with 1 <= K <= N <= kMaxShards; nothing for anything else.
constexpr size_t kMaxShards = 100000;
std::optional<Shard> parseShard(std::string_view text);

// "K-of-N", which names the shard's part of the manifest.
std::string shardPartName(const Shard& shard);

// Which entries of the list the shard converts, given for each entry the entry that
// keeps the result name it shares (output_collisions.h). Entries that share a name go
// together to the shard of the one that keeps it, so that shard writes its result and
// names the others, as a single run does.
std::vector<char> shardShare(const std::vector<std::optional<size_t>>& nameKeepers, const Shard& shard);

// The share of the job's image list, planned as a batch plans it.
std::vector<char> shareOfList(const BatchInputs& in, const Shard& shard);

}  // namespace tesselon

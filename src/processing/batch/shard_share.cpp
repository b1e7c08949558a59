#include "processing/batch/shard_share.h"

#include <charconv>

#include "processing/batch/output_collisions.h"

namespace tesselon {

namespace {

std::optional<size_t> wholeNumber(std::string_view text) {
    size_t value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

}  // namespace

std::optional<Shard> parseShard(std::string_view text) {
    const size_t slash = text.find('/');
    if (slash == std::string_view::npos) return std::nullopt;
    const std::optional<size_t> index = wholeNumber(text.substr(0, slash));
    const std::optional<size_t> count = wholeNumber(text.substr(slash + 1));
    if (!index || !count || *index < 1 || *index > *count || *count > kMaxShards) return std::nullopt;
    return Shard{*index, *count};
}

std::string shardPartName(const Shard& shard) {
    return std::to_string(shard.index) + "-of-" + std::to_string(shard.count);
}

std::vector<char> shardShare(const std::vector<std::optional<size_t>>& nameKeepers, const Shard& shard) {
    const size_t total = nameKeepers.size();
    // Block k (from 1) holds the entries from (k-1)*total/N up to k*total/N.
    std::vector<size_t> block(total);
    size_t k = 1;
    for (size_t i = 0; i < total; ++i) {
        while (i >= k * total / shard.count) ++k;
        block[i] = k;
    }
    std::vector<char> share(total, 0);
    for (size_t i = 0; i < total; ++i) {
        const size_t keeper = nameKeepers[i].value_or(i);
        share[i] = block[keeper < total ? keeper : i] == shard.index ? 1 : 0;
    }
    return share;
}

std::vector<char> shareOfList(const BatchInputs& in, const Shard& shard) {
    const PlannedNames names = plannedNamesOf(in);
    return shardShare(resultNameKeepers(names.savePaths, names.sourcePaths), shard);
}

}  // namespace tesselon

#include "cli/publish_run.h"

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <unordered_set>

#include "cli/cli_options.h"
#include "cli/progress_line.h"
#include "cli/remote_texts.h"
#include "cli/stopwatch.h"
#include "cli/terminal_text.h"
#include "core/state.h"
#include "engine/remote_context_of.h"
#include "processing/batch/parallel_batch.h"
#include "processing/batch/shard_share.h"
#include "processing/incremental/publish_ledger.h"
#include "processing/incremental/result_ledger.h"
#include "runtime/fs/file_system.h"
#include "runtime/fs/paths.h"
#include "runtime/fs/regular_file.h"
#include "runtime/hash/sha256.h"
#include "settings/password.h"
#include "settings/remote_endpoint_of.h"
#include "sources/publish/publish_results.h"

namespace tesselon {

namespace {

constexpr const char* kUnchangedThere = "unchanged since it was published";

// The server a result went to and the path it has there: the key of the publish record.
std::string whereOf(const RemoteEndpoint& endpoint, const std::string& remotePath) {
    return std::string(protocolName(endpoint.protocol)) + "://" + endpoint.user + "@" + endpoint.host + ":" +
           std::to_string(endpoint.port) + (remotePath.empty() || remotePath.front() != '/' ? "/~/" : "") + remotePath;
}

struct Candidate {
    size_t entry = 0;
    std::string output;  // below the destination, the manifest's key
    std::string where;
    std::optional<Sha256Digest> digest;
    uint64_t size = 0;
};

}  // namespace

PublishRun publishRunResults(AppState& state, std::FILE* err, const CliOptions& options, const PublishInputs& in) {
    STRProcesosEntorno& env = state.settings.entorno;
    PublishRun run;
    const std::string& folder = env.carpetaPublicacion;
    if (folder.empty()) return run;
    run.asked = true;
    const Stopwatch clock;
    const SourceImageList& list = state.SourceImageList;
    run.published.assign(list.size(), -1);
    run.reasons.resize(list.size());
    if (const char* password = std::getenv(kFtpPasswordVariable)) env.password = protectPassword(password);
    const RemoteEndpoint endpoint = remoteEndpointOf(env);

    std::unordered_set<std::string> downloaded;
    if (in.remoteSource)
        for (const SourceImageEntry& e : list.entries) downloaded.insert(e.path);
    std::unordered_set<size_t> standing(in.outcome.skipped.begin(), in.outcome.skipped.end());

    // What earlier runs published from this destination, when only changes go up.
    const std::string part = options.shard ? shardPartName(*options.shard) : std::string();
    const std::string destination = withTrailingSeparator(env.RutaImagenesDestino);
    FolderHandle root;
    PublishLedger ledger;
    if (options.skipUnchanged) {
        root = FolderHandle::open(destination);
        if (root.valid()) ledger.load(root, part, manifestByteBound(list.size()));
    }

    std::vector<PublishItem> items;
    std::vector<Candidate> candidates;
    for (size_t i = 0; i < list.size() && i < in.savePaths.size(); ++i) {
        const bool handled = i < in.outcome.inShare.size() ? in.outcome.inShare[i] != 0 : true;
        // A result an earlier run made stands in the destination as much as a new one.
        if (!handled || (list.entries[i].saved == 0 && !standing.count(i))) continue;
        const std::string& saved = in.savePaths[i];
        PublishItem item = publishItemOf(folder, in.scannedFolder, list.entries[i].path, saved, downloaded,
                                         env.imagenesSobreescribir != 0);
        Candidate c;
        c.entry = i;
        c.output = saved.rfind(destination, 0) == 0 ? saved.substr(destination.size()) : saved;
        c.where = whereOf(endpoint, item.remotePath);
        c.size = uint64_t(std::max<int64_t>(0, fileSize(saved)));
        if (options.skipUnchanged) c.digest = sha256OfRegularFile(saved, kMaxImageFileBytes);
        if (options.skipUnchanged && item.name == PublishNameProblem::None && standing.count(i) && c.digest) {
            const PublishedRecord* before = ledger.find(c.output, c.where);
            if (before && before->size == c.size && before->digest == *c.digest) {
                run.published[i] = 1;
                run.reasons[i] = kUnchangedThere;
                ++run.unchanged;
                continue;
            }
        }
        items.push_back(std::move(item));
        candidates.push_back(std::move(c));
    }

    PublishOutcome outcome;
    if (!items.empty()) {
        ProgressLine progress(options.quiet ? nullptr : err);
        PublishOptions how;
        how.connections = options.remote.connections.value_or(kDefaultPublishConnections);
        how.progress = [&progress](const PublishProgress& p) { progress.update(p.done, p.total); };
        outcome = publishResults(remoteContextOf(state), endpoint, items, how);
        progress.finish();
        if (!outcome.connection.ok())
            std::fprintf(err, "tesselon-batch: nothing was published: %s\n",
                         terminalSafe(connectionFailureText(outcome.connection)).c_str());
    }
    run.connections = outcome.connections;
    for (size_t k = 0; k < candidates.size(); ++k) {
        const Candidate& c = candidates[k];
        const PublishItemOutcome& result = outcome.items[k];
        if (result.published()) {
            run.published[c.entry] = 1;
            ++run.uploaded;
            if (c.digest) ledger.set(PublishedRecord{c.output, c.where, result.bytes, *c.digest});
            continue;
        }
        run.published[c.entry] = 0;
        run.reasons[c.entry] = publishFailureText(result);
        ++run.failed;
        ledger.drop(c.output, c.where);
        if (outcome.connection.ok())
            std::fprintf(err, "tesselon-batch: '%s' (as '%s' on the server): %s\n",
                         terminalSafe(list.entries[c.entry].path).c_str(), terminalSafe(items[k].remotePath).c_str(),
                         terminalSafe(run.reasons[c.entry]).c_str());
    }
    if (options.skipUnchanged && root.valid() && !ledger.save(root, part))
        std::fprintf(err, "tesselon-batch: warning: the record of what was published could not be written in the "
                          "destination; the next run publishes its results again\n");
    run.seconds = clock.seconds();
    return run;
}

std::string publishSummaryLine(const PublishRun& run, const std::string& folder) {
    if (!run.asked) return {};
    std::string line = "published " + std::to_string(run.uploaded) + " result" + (run.uploaded == 1 ? "" : "s") +
                       " to '" + folder + "' over " + std::to_string(run.connections) + " connection" +
                       (run.connections == 1 ? "" : "s");
    if (run.unchanged > 0)
        line += ", " + std::to_string(run.unchanged) + " unchanged since published (not uploaded again)";
    char seconds[48];
    std::snprintf(seconds, sizeof seconds, " in %.1f s", run.seconds);
    return line + ", " + std::to_string(run.failed) + " failed" + seconds;
}

}  // namespace tesselon

#include "cli/cli_options.h"

#include <algorithm>
#include <charconv>

#include "cli/arg_reader.h"
#include "core/state.h"
#include "engine/program_folder.h"
#include "remote/listed_names.h"
#include "runtime/fs/file_system.h"
#include "runtime/imaging/image_formats.h"
#include "runtime/text/ascii_text.h"
#include "sources/certificate_pins.h"
#include "sources/publish/publish_plan.h"
#include "sources/remote_download.h"
#include "sources/remote_scan.h"

namespace tesselon {

namespace {

// "original", then the settings value of every format results can be chosen in, joined.
std::string formatChoices(std::string_view separator, std::string_view last) {
    std::vector<std::string_view> choices = {"original"};
    for (const ImageFormat& format : imageFormats())
        if (!format.settingsValue.empty()) choices.push_back(format.settingsValue);
    std::string text;
    for (size_t i = 0; i < choices.size(); ++i) {
        if (i > 0) text += i + 1 == choices.size() ? last : separator;
        text += choices[i];
    }
    return text;
}

bool isFormatChoice(const std::string& value) {
    return value == "original" || formatBySettingsValue(value) != nullptr;
}

// The names of the formats the predicate picks, "JPEG and WebP".
template <typename Pick>
std::string formatNames(Pick pick) {
    std::vector<std::string_view> names;
    for (const ImageFormat& format : imageFormats())
        if (pick(format)) names.push_back(format.name);
    std::string text;
    for (size_t i = 0; i < names.size(); ++i) {
        if (i > 0) text += i + 1 == names.size() ? " and " : ", ";
        text += names[i];
    }
    return text;
}

// "                       EXIF and profile: JPEG, WebP...\n" and so on, for --help.
std::string keptMetadataLines() {
    const std::pair<uint8_t, const char*> kinds[] = {
        {uint8_t(kKeepsExif | kKeepsIcc), "EXIF and profile"}, {kKeepsIcc, "profile only"}, {kKeepsNothing, "nothing"}};
    std::string text;
    for (const auto& [kept, what] : kinds) {
        const std::string names = formatNames([kept](const ImageFormat& f) { return f.writable() && f.metadata == kept; });
        if (!names.empty()) text += std::string("                         ") + what + ": " + names + "\n";
    }
    return text;
}

// Every extension of a format the program reads, in table order.
std::string readableExtensions() {
    std::string text;
    for (const ImageFormat& format : imageFormats()) {
        if (!format.decode) continue;
        for (size_t i = 0; i < format.extensionCount(); ++i) {
            if (!text.empty()) text += ", ";
            text += format.extensions[i];
        }
    }
    return text;
}

// A week: a scan that needs longer is not one a server should be trusted with.
constexpr int kMaxScanTimeout = 7 * 24 * 3600;

std::optional<int> integerIn(const std::string& text, int low, int high) {
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || value < low || value > high) return std::nullopt;
    return value;
}

// A day: a file still growing after that is no upload to wait for.
constexpr int kMaxSettleMs = 24 * 3600 * 1000;

// The watch's switches into the options; the error text when one is wrong.
std::string watchOptionsError(CliOptions& o, const std::optional<std::string>& settle,
                              const std::optional<std::string>& interval, const std::optional<std::string>& logFormat) {
    if (!o.watch && (settle || interval || logFormat || o.watchOptions.mirrorDeletes))
        return "--settle, --interval, --log-format and --mirror-deletes go with --watch";
    if (!o.watch) return {};
    std::optional<int> value;
    if (settle && !(value = integerIn(*settle, 0, kMaxSettleMs)))
        return "--settle must be a whole number of milliseconds from 0 to " + std::to_string(kMaxSettleMs);
    if (settle) o.watchOptions.settleMs = *value;
    if (interval && !(value = integerIn(*interval, 1, kMaxScanTimeout)))
        return "--interval must be a whole number of seconds from 1 to " + std::to_string(kMaxScanTimeout);
    if (interval) o.watchOptions.intervalSeconds = *value;
    if (logFormat && *logFormat != "text" && *logFormat != "json") return "--log-format must be text or json";
    o.watchOptions.json = logFormat && *logFormat == "json";
    if (o.overwrite) return "--watch writes its results beside the sources' record; it cannot be used with --overwrite";
    if (o.shard) return "--watch converts the whole source; --shard splits one-shot runs";
    if (o.mergeReports) return "--merge-reports only joins reports; convert in another run";
    // What has been converted is known by the record --skip-unchanged keeps.
    o.skipUnchanged = true;
    return {};
}

}  // namespace

std::optional<uint64_t> parseByteSize(const std::string& text) {
    size_t digits = 0;
    while (digits < text.size() && ((text[digits] >= '0' && text[digits] <= '9') || text[digits] == '.')) ++digits;
    if (digits == 0) return std::nullopt;
    double number = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + digits, number);
    if (ec != std::errc() || end != text.data() + digits) return std::nullopt;
    std::string unit;
    for (char c : text.substr(digits)) unit += char(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    if (unit.size() > 1 && (unit.substr(1) == "B" || unit.substr(1) == "IB")) unit.resize(1);
    int shift = 0;
    if (unit.empty() || unit == "B") shift = 0;
    else if (unit == "K") shift = 10;
    else if (unit == "M") shift = 20;
    else if (unit == "G") shift = 30;
    else if (unit == "T") shift = 40;
    else return std::nullopt;
    const double bytes = number * double(uint64_t(1) << shift);
    if (!(bytes >= 1) || bytes > double(uint64_t(1) << 60)) return std::nullopt;
    return uint64_t(bytes);
}

std::optional<std::string> extensionListFromNames(const std::string& names) {
    std::vector<const ImageFormat*> named;
    size_t start = 0;
    while (start <= names.size()) {
        size_t end = names.find_first_of(",|", start);
        if (end == std::string::npos) end = names.size();
        const std::string_view name = trimSpaces(std::string_view(names).substr(start, end - start));
        if (!name.empty()) {
            const ImageFormat* format = formatByExtension(name);
            if (!format || !format->decode) return std::nullopt;
            named.push_back(format);
        }
        start = end + 1;
    }
    std::string list;
    for (const ImageFormat& format : imageFormats()) {
        if (std::find(named.begin(), named.end(), &format) == named.end()) continue;
        if (!list.empty()) list += '|';
        list += extensionListEntry(format);
    }
    if (list.empty()) return std::nullopt;
    return list;
}

CliParseResult parseCliOptions(const std::vector<std::string>& args) {
    CliOptions o;
    std::string error;
    std::optional<std::string> quality, jobs, memory, extensions, shard, connections, scanTimeout;
    std::optional<std::string> settle, interval, logFormat;
    for (ArgReader r(args); !r.done() && error.empty(); r.advance()) {
        const std::string& a = r.current();
        if (a == "--help" || a == "-h") o.help = true;
        else if (a == "--version") o.version = true;
        else if (a == "--subfolders") o.subfolders = true;
        else if (a == "--no-subfolders") o.subfolders = false;
        else if (a == "--overwrite") o.overwrite = true;
        else if (a == "--yes") o.yes = true;
        else if (a == "--quiet") o.quiet = true;
        else if (a == "--auto-orient") o.autoOrient = true;
        else if (a == "--keep-metadata") o.keepMetadata = true;
        else if (a == "--remote") o.remote.remote = true;
        else if (a == "--passive" || a == "--active") o.remote.passive = a == "--passive";
        else if (a == "--skip-unchanged") o.skipUnchanged = true;
        else if (a == "--merge-reports") o.mergeReports = true;
        else if (a == "--watch") o.watch = true;
        else if (a == "--mirror-deletes") o.watchOptions.mirrorDeletes = true;
        else if (takeOperationOption(r, o.operations, error)) {
        } else if (!a.empty() && a.front() != '-') o.reportFiles.push_back(a);
        else if (r.value("--config", o.configFile, error) || r.value("--save-config", o.saveConfigFile, error) ||
                 r.value("--source", o.source, error) || r.value("--dest", o.dest, error) ||
                 r.value("--format", o.format, error) || r.value("--quality", quality, error) ||
                 r.value("--extensions", extensions, error) ||
                 r.value("--jobs", jobs, error) || r.value("--report", o.report, error) ||
                 r.value("--memory-limit", memory, error) ||
                 r.value("--server", o.remote.server, error) || r.value("--port", o.remote.port, error) ||
                 r.value("--user", o.remote.user, error) || r.value("--remote-folder", o.remote.folder, error) ||
                 r.value("--download-to", o.remote.downloadTo, error) || r.value("--shard", shard, error) ||
                 r.value("--protocol", o.remote.protocol, error) || r.value("--host-key", o.remote.hostKey, error) ||
                 r.value("--ca-file", o.remote.caFile, error) || r.value("--pin-sha256", o.remote.pinSha256, error) ||
                 r.value("--connections", connections, error) || r.value("--scan-timeout", scanTimeout, error) ||
                 r.value("--settle", settle, error) || r.value("--interval", interval, error) ||
                 r.value("--log-format", logFormat, error) || r.value("--publish", o.remote.publish, error)) {
        } else error = "unknown option: " + a;
    }
    if (error.empty()) error = operationConflict(o.operations);
    // "jpeg", "JPG", "tif": any extension of a format results can be written in.
    if (error.empty() && o.format && !isFormatChoice(*o.format))
        if (const ImageFormat* named = formatByExtension(*o.format); named && !named->settingsValue.empty())
            o.format = std::string(named->settingsValue);
    if (error.empty() && o.format && !isFormatChoice(*o.format))
        error = "--format must be " + formatChoices(", ", " or ");
    if (error.empty() && extensions && !(o.extensions = extensionListFromNames(*extensions)))
        error = "--extensions takes names among " + readableExtensions() + ", separated by commas";
    if (error.empty() && quality && !(o.quality = integerIn(*quality, 10, 100)))
        error = "--quality must be a whole number from 10 to 100";
    if (error.empty() && o.remote.port && !integerIn(*o.remote.port, 1, 65535))
        error = "--port must be a whole number from 1 to 65535";
    if (error.empty() && o.remote.protocol && *o.remote.protocol != "ftp" && *o.remote.protocol != "ftps" &&
        *o.remote.protocol != "sftp")
        error = "--protocol must be ftp, ftps or sftp";
    if (error.empty() && o.remote.pinSha256) {
        if (std::optional<std::string> pin = normalizedFingerprint(*o.remote.pinSha256)) o.remote.pinSha256 = *pin;
        else error = "--pin-sha256 must be a SHA-256 fingerprint: 64 hex digits, colons between pairs allowed";
    }
    if (error.empty() && o.remote.caFile && fileSize(*o.remote.caFile) < 0)
        error = "--ca-file names no readable file: " + *o.remote.caFile;
    if (error.empty() && o.remote.hostKey && (o.remote.hostKey->rfind("SHA256:", 0) != 0 || o.remote.hostKey->size() < 8))
        error = "--host-key must be a fingerprint as ssh prints it: SHA256: and its base64";
    if (error.empty() && o.remote.remote && o.source) error = "--remote and --source name two different sources";
    if (error.empty() && o.remote.publish && !publishFolderUsable(*o.remote.publish))
        error = "--publish needs a server folder without \".\" or \"..\" in it, nor NUL, CR or LF";
    if (error.empty() && jobs && !(o.jobs = integerIn(*jobs, 1, 256)))
        error = "--jobs must be a whole number from 1 to 256";
    if (error.empty() && connections &&
        !(o.remote.connections = integerIn(*connections, 1, kMaxDownloadConnections)))
        error = "--connections must be a whole number from 1 to " + std::to_string(kMaxDownloadConnections);
    if (error.empty() && scanTimeout && !(o.remote.scanTimeout = integerIn(*scanTimeout, 1, kMaxScanTimeout)))
        error = "--scan-timeout must be a whole number of seconds from 1 to " + std::to_string(kMaxScanTimeout);
    if (error.empty() && memory && (!(o.memoryLimit = parseByteSize(*memory)) || *o.memoryLimit < (uint64_t(16) << 20)))
        error = "--memory-limit must be a size of at least 16M, such as 512M or 2G";
    if (error.empty() && shard && !(o.shard = parseShard(*shard)))
        error = "--shard must be K/N with whole numbers 1 <= K <= N, such as 2/3";
    if (error.empty()) error = watchOptionsError(o, settle, interval, logFormat);
    if (error.empty() && !o.reportFiles.empty() && !o.mergeReports) error = "unknown option: " + o.reportFiles.front();
    if (error.empty() && o.mergeReports && o.reportFiles.empty()) error = "--merge-reports needs the reports to join";
    if (error.empty() && o.mergeReports && (o.convert() || o.saveConfigFile))
        error = "--merge-reports only joins reports; convert in another run";
    if (error.empty() && !o.help && !o.version && !o.mergeReports && !o.convert() && !o.saveConfigFile)
        error = "nothing to do";
    if (!error.empty()) return {std::nullopt, error};
    return {o, {}};
}

namespace {

// The forms of the command line and what the program does.
std::string usageSynopsis() {
    return
           "Usage: tesselon-batch [--config FILE] [--source DIR] [--dest DIR]\n"
           "                      [--format " + formatChoices("|", "|") + "] [--quality 10..100]\n"
           "                      [--extensions LIST] [--subfolders|--no-subfolders]\n"
           "                      [--overwrite --yes] [--jobs N]\n"
           "                      [--auto-orient] [--keep-metadata] [--memory-limit SIZE]\n"
           "                      [--report FILE] [--quiet] [--save-config FILE]\n"
           "                      [--skip-unchanged] [--shard K/N] [OPERATIONS]\n"
           "                      [--remote [--server HOST] [--port N] [--user NAME]\n"
           "                       [--remote-folder PATH] [--passive|--active] [--download-to DIR]\n"
           "                       [--protocol ftp|ftps|sftp] [--host-key SHA256:...]\n"
           "                       [--ca-file FILE] [--pin-sha256 HEX] [--connections N]\n"
           "                       [--scan-timeout SECONDS]]\n"
           "                      [--publish REMOTE_FOLDER]\n"
           "                      [--watch [--settle MS] [--interval S] [--log-format text|json]\n"
           "                       [--mirror-deletes]]\n"
           "       tesselon-batch --merge-reports REPORT...\n"
           "\n"
           "Converts every image of a folder with the Tesselon engine, the way the desktop\n"
           "program's PROCESAR button does, on several cores at once.\n"
           "\n"
           "Settings come from the built-in settings, then the settings file, then these\n"
           "options. tesselon.cfg(5) describes every key of a settings file.\n"
           "\n";
}

// The options of a local job and of how it runs.
std::string usageJobOptions() {
    return
           "  --config FILE        settings file (default: default.cfg in the program folder);\n"
           "                       one that cannot be read or parsed is a usage error\n"
           "  --source DIR         local folder of the images\n"
           "  --dest DIR           folder of the results (the source's subfolders are kept);\n"
           "                       it must not be the source folder itself\n"
           "  --format F           output format; original keeps each image's own\n"
           "  --quality Q          output quality, 10 to 100 (lossy formats)\n"
           "  --extensions LIST    the extensions the scan takes, such as jpg,png,webp (jpg\n"
           "                       stands for jpg and jpeg); default: those of the settings\n"
           "  --subfolders         include subfolders of the source (--no-subfolders: do not)\n"
           "  --overwrite          write the results over the source images; the question this\n"
           "                       asks is answered No unless --yes is given\n"
           "  --yes                answer Yes to the overwrite question\n"
           "  --jobs N             worker threads (default: all cores)\n"
           "  --auto-orient        turn " + formatNames([](const ImageFormat& f) { return f.exifOrientation; }) +
           " photos upright by their EXIF orientation\n"
           "                       before any other operation (" +
           formatNames([](const ImageFormat& f) { return f.decoderOrients; }) + " always are)\n"
           "  --keep-metadata      results keep the source's EXIF data (without its thumbnail)\n"
           "                       and colour profile as far as their format holds them:\n" +
           keptMetadataLines() +
           "  --memory-limit SIZE  memory the workers may use together, such as 512M or 2G\n"
           "                       (default: half of the physical memory); each image takes\n"
           "                       its share by the size its header declares before it is\n"
           "                       decoded, and one that needs more than the whole limit fails\n"
           "  --report FILE        write a JSON report: one object per image with path,\n"
           "                       outputPath (the file written), saved and overlayText, plus\n"
           "                       reason when it was not saved and sameOutputAs when another\n"
           "                       image keeps its output name; copied true for an animated\n"
           "                       GIF, which is copied unchanged, not converted; rawPath\n"
           "                       keeps a name that is not valid UTF-8.\n"
           "                       Every run rewrites it: [] when nothing was found, what is\n"
           "                       known when the scan or the run fails\n"
           "  --quiet              no progress and no summary; refusals, failures and\n"
           "                       warnings are still written to stderr\n"
           "  --skip-unchanged     convert only images whose result is missing, whose source\n"
           "                       changed (size and time, then content) or whose settings\n"
           "                       changed; what was converted is kept in the hidden file\n"
           "                       .tesselon-manifest in the destination. A run stopped in\n"
           "                       any way and started again goes on where it stopped.\n"
           "                       Skipped images are reported with skipped true and the\n"
           "                       reason \"unchanged\". Not with --overwrite. With --remote,\n"
           "                       a file whose downloaded copy has the server's size and\n"
           "                       time is not downloaded again\n"
           "  --shard K/N          convert only the K-th of N consecutive parts of the image\n"
           "                       list (sizes differ by at most one); N runs, on one machine\n"
           "                       or many, convert the whole folder together. Each shard's\n"
           "                       report lists its own images\n"
           "  --merge-reports REPORT...\n"
           "                       print the shards' reports joined into one, in list order\n"
           "  --save-config FILE   write the effective settings to FILE (the bare name\n"
           "                       default.cfg: into the program folder)\n";
}

// The options of a remote source.
std::string usageRemoteOptions() {
    return
           "  --remote             the source is the remote folder of the settings (also when the\n"
           "                       settings file says so): it is scanned, every image is\n"
           "                       downloaded into the download folder, then converted\n"
           "  --server HOST        FTP server (default: the stored one)\n"
           "  --port N             FTP port\n"
           "  --user NAME          FTP user; the password comes from the settings file or\n"
           "                       from the environment variable TESSELON_FTP_PASSWORD\n"
           "  --remote-folder PATH remote folder of the images\n"
           "  --passive, --active  FTP data connections\n"
           "  --protocol ftp|ftps|sftp  how to reach the server (default: the stored one,\n"
           "                       else ftp); ftps is FTP encrypted with AUTH TLS, never\n"
           "                       falling back to plain FTP; sftp uses port 22 unless\n"
           "                       --port or the settings name another than 21\n"
           "  --host-key SHA256:.. the SFTP server's host key to trust for this run, never\n"
           "                       stored, when no known_hosts file knows it yet (ssh-keygen\n"
           "                       -lf prints it); a key that differs from a known one is\n"
           "                       always refused, and so is every key while a known_hosts\n"
           "                       file is there but cannot be read (no permission, not a\n"
           "                       regular file, over 16 MiB)\n"
           "  --ca-file FILE       FTPS: trust the certificate authorities of FILE (PEM)\n"
           "                       instead of the system's (also TESSELON_CA_FILE)\n"
           "  --pin-sha256 HEX     FTPS: trust the server certificate with this SHA-256\n"
           "                       fingerprint whatever its authority or name (the refusal\n"
           "                       message prints it; colons allowed)\n"
           "  --download-to DIR    where the images are downloaded (default: the stored\n"
           "                       download folder); it must not be the destination\n"
           "  --connections N      files downloaded at once, each over its own connection\n"
           "                       (1 to 16, default 4); a server that refuses some leaves\n"
           "                       the download with those it allowed; FTP in active mode\n"
           "                       uses one, as some servers lose data connections when\n"
           "                       several are open at once\n"
           "  --scan-timeout SECONDS  how long the remote scan may take (default " +
           std::to_string(kDefaultRemoteScanSeconds) + ", an\n"
           "                       hour); it then stops, names where, and the images\n"
           "                       found until then are downloaded (exit code 1). The scan\n"
           "                       also stops at " + std::to_string(kMaxRemoteScanEntries) + " entries or " +
           std::to_string(kMaxScanPathBytes >> 20) + " MiB of path text\n"
           "                       listed, and skips paths longer than " + std::to_string(kMaxListedPathBytes) +
           " bytes\n"
           "  --publish REMOTE_FOLDER\n"
           "                       upload every result of the run to the server (the remote\n"
           "                       source's, or with a local source the one --server and the\n"
           "                       settings name) beneath REMOTE_FOLDER, at its source's path\n"
           "                       relative to the scanned folder, over --connections\n"
           "                       connections; each goes up under a temporary name and is\n"
           "                       renamed onto its own only when the server holds all of it,\n"
           "                       and its size is checked there. A result that would replace\n"
           "                       a source the run downloaded is not uploaded without\n"
           "                       --overwrite. The report says published true or false per\n"
           "                       image, with publishReason; any result not published makes\n"
           "                       the exit code 1. With --skip-unchanged a result neither\n"
           "                       converted again nor changed since it went up is not\n"
           "                       uploaded again (recorded in .tesselon-manifest-published)\n";
}

// The operations, the safety rules and the ranges, up to the program folder's line.
std::string usageNotes() {
    return
           "  --version            print the version and exit\n"
           "  --help               print this help and exit\n"
           "\n" + std::string(operationOptionsUsage()) +
           "\n"
           "With --save-config and no conversion option, only the settings file is written.\n"
           "Ctrl-C lets the images in hand finish, then stops.\n"
           "\n"
           "Only regular files are read (images up to 1 GiB, phrases and settings files up\n"
           "to 64 MiB). Links in the destination are replaced, never followed; linked\n"
           "folders outside the source and the destination folder are not scanned. Results\n"
           "are written beneath the destination folder opened once at the start: a folder\n"
           "in it that becomes a link during the run fails its images. No result replaces\n"
           "another of the same run: when several images have the same output name, the\n"
           "one whose own name it is keeps it (else the first in list order), and the others\n"
           "are not converted and are named with it.\n"
           "\n"
           "Settings values outside their range (quality, rotation, tint, contrast, resize,\n"
           "text transparency) are brought into it for the conversion, with a warning;\n"
           "--save-config writes them as loaded.\n"
           "\n"
           "Program folder (default.cfg, HayConsentimiento.dat, usarWget.txt, the download\n"
           "tools): ";
}
}  // namespace

// The options of a run that goes on, converting what arrives.
std::string usageWatchOptions() {
    return
           "  --watch              after converting what changed (as --skip-unchanged, which\n"
           "                       it implies), go on: a local source is followed, subfolders\n"
           "                       included, and each new or changed image is converted once\n"
           "                       its writer closed it and it held still for the settle\n"
           "                       time; a remote source is listed again every interval and\n"
           "                       only new or changed files are downloaded. SIGTERM and\n"
           "                       SIGINT let the images in hand finish, then exit 0; SIGHUP\n"
           "                       reads the settings file again. One line per event on\n"
           "                       stdout: converted, published, unchanged, failed,\n"
           "                       source-gone, result-removed, folder-added, folder-gone,\n"
           "                       source-missing, source-back, overflow, rescan,\n"
           "                       watch-limit, poll, poll-failed, reloaded, reload-failed,\n"
           "                       watching, stopping. Not with --overwrite or --shard\n"
           "  --settle MS          how long a closed file's size must hold still before it is\n"
           "                       taken (default 500)\n"
           "  --interval S         seconds between two listings of a remote source (default\n"
           "                       60); a failed one is tried again sooner, 1, 2, 4... s apart\n"
           "  --log-format text|json  the event lines as text (default) or JSON objects with\n"
           "                       time, event, source, result, count and detail\n"
           "  --mirror-deletes     a source deleted or moved away takes its result with it\n"
           "                       (otherwise results are never deleted)\n";
}

std::string cliUsage(const ProgramFolderChoice& folder) {
    std::string usage = usageSynopsis() + usageJobOptions() + usageRemoteOptions() + usageWatchOptions() + usageNotes();
    usage += folder.folder;
    usage += folder.executableFolderWritable
                 ? "\n  the program's own folder.\n"
                 : "\n  a per-user folder, because the program's own folder is not writable.\n";
    usage += "\n"
             "Exit codes: 0 every image saved; 1 an image (one whose output name another keeps\n"
             "among them), a folder, a download (after three tries) or the report failed, the\n"
             "run was cancelled, or it stopped for want of memory; 2 usage error, a settings file\n"
             "that cannot be read, a refused precondition (no text source, overwriting without\n"
             "--yes, a destination that is the source folder), or no connection to the FTP\n"
             "server.\n";
    return usage;
}

}  // namespace tesselon

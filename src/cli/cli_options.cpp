#include "cli/cli_options.h"

#include <charconv>

#include "engine/program_folder.h"

namespace tesselon {

namespace {

class ArgReader {
public:
    explicit ArgReader(const std::vector<std::string>& args) : args_(args) {}
    bool done() const { return i_ >= args_.size(); }
    const std::string& current() const { return args_[i_]; }
    void advance() { ++i_; }

    // Accepts "--name VALUE" and "--name=VALUE" for the current argument.
    bool value(const std::string& name, std::optional<std::string>& out, std::string& error) {
        const std::string& a = args_[i_];
        if (a == name) {
            if (i_ + 1 >= args_.size() || args_[i_ + 1].empty()) {
                error = name + " needs a value";
                return true;
            }
            out = args_[++i_];
            return true;
        }
        if (a.rfind(name + "=", 0) == 0) {
            out = a.substr(name.size() + 1);
            if (out->empty()) error = name + " needs a value";
            return true;
        }
        return false;
    }

private:
    const std::vector<std::string>& args_;
    size_t i_ = 0;
};

std::optional<int> integerIn(const std::string& text, int low, int high) {
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || value < low || value > high) return std::nullopt;
    return value;
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

CliParseResult parseCliOptions(const std::vector<std::string>& args) {
    CliOptions o;
    std::string error;
    std::optional<std::string> quality, jobs, memory;
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
        else if (r.value("--config", o.configFile, error) || r.value("--save-config", o.saveConfigFile, error) ||
                 r.value("--source", o.source, error) || r.value("--dest", o.dest, error) ||
                 r.value("--format", o.format, error) || r.value("--quality", quality, error) ||
                 r.value("--jobs", jobs, error) || r.value("--report", o.report, error) ||
                 r.value("--memory-limit", memory, error) ||
                 r.value("--server", o.remote.server, error) || r.value("--port", o.remote.port, error) ||
                 r.value("--user", o.remote.user, error) || r.value("--remote-folder", o.remote.folder, error) ||
                 r.value("--download-to", o.remote.downloadTo, error) ||
                 r.value("--protocol", o.remote.protocol, error) || r.value("--host-key", o.remote.hostKey, error)) {
        } else error = "unknown option: " + a;
    }
    if (error.empty() && o.format && *o.format != "original" && *o.format != "jpg" && *o.format != "png" &&
        *o.format != "gif")
        error = "--format must be original, jpg, png or gif";
    if (error.empty() && quality && !(o.quality = integerIn(*quality, 10, 100)))
        error = "--quality must be a whole number from 10 to 100";
    if (error.empty() && o.remote.port && !integerIn(*o.remote.port, 1, 65535))
        error = "--port must be a whole number from 1 to 65535";
    if (error.empty() && o.remote.protocol && *o.remote.protocol != "ftp" && *o.remote.protocol != "sftp")
        error = *o.remote.protocol == "ftps" ? "--protocol ftps is not available yet; use ftp or sftp"
                                             : "--protocol must be ftp or sftp";
    if (error.empty() && o.remote.hostKey && (o.remote.hostKey->rfind("SHA256:", 0) != 0 || o.remote.hostKey->size() < 8))
        error = "--host-key must be a fingerprint as ssh prints it: SHA256: and its base64";
    if (error.empty() && o.remote.remote && o.source) error = "--remote and --source name two different sources";
    if (error.empty() && jobs && !(o.jobs = integerIn(*jobs, 1, 256)))
        error = "--jobs must be a whole number from 1 to 256";
    if (error.empty() && memory && (!(o.memoryLimit = parseByteSize(*memory)) || *o.memoryLimit < (uint64_t(16) << 20)))
        error = "--memory-limit must be a size of at least 16M, such as 512M or 2G";
    if (error.empty() && !o.help && !o.version && !o.convert() && !o.saveConfigFile) error = "nothing to do";
    if (!error.empty()) return {std::nullopt, error};
    return {o, {}};
}

std::string cliUsage(const ProgramFolderChoice& folder) {
    std::string usage =
           "Usage: tesselon-batch [--config FILE] [--source DIR] [--dest DIR]\n"
           "                      [--format original|jpg|png|gif] [--quality 10..100]\n"
           "                      [--subfolders|--no-subfolders] [--overwrite --yes] [--jobs N]\n"
           "                      [--auto-orient] [--keep-metadata] [--memory-limit SIZE]\n"
           "                      [--report FILE] [--quiet] [--save-config FILE]\n"
           "                      [--remote [--server HOST] [--port N] [--user NAME]\n"
           "                       [--remote-folder PATH] [--passive|--active] [--download-to DIR]\n"
           "                       [--protocol ftp|sftp] [--host-key SHA256:...]]\n"
           "\n"
           "Converts every image of a folder with the Tesselon engine, the way the desktop\n"
           "program's PROCESAR button does, on several cores at once.\n"
           "\n"
           "Settings come from the defaults, then the settings file, then these options.\n"
           "\n"
           "  --config FILE        settings file (default: default.cfg in the program folder);\n"
           "                       one that cannot be read or parsed is a usage error\n"
           "  --source DIR         local folder of the images\n"
           "  --dest DIR           folder of the results (the source's subfolders are kept);\n"
           "                       it must not be the source folder itself\n"
           "  --format F           output format; original keeps each image's own\n"
           "  --quality Q          output quality, 10 to 100\n"
           "  --subfolders         include subfolders of the source (--no-subfolders: do not)\n"
           "  --overwrite          write the results over the source images; the question this\n"
           "                       asks is answered No unless --yes is given\n"
           "  --yes                answer Yes to the overwrite question\n"
           "  --jobs N             worker threads (default: all cores)\n"
           "  --auto-orient        turn JPEG photos upright by their EXIF orientation before\n"
           "                       any other operation\n"
           "  --keep-metadata      JPEG results keep the source's EXIF data (without its\n"
           "                       thumbnail) and colour profile; PNG results keep the profile\n"
           "  --memory-limit SIZE  memory the workers may use together, such as 512M or 2G\n"
           "                       (default: half of the physical memory); each image takes\n"
           "                       its share by the size its header declares before it is\n"
           "                       decoded, and one that needs more than the whole limit fails\n"
           "  --report FILE        write a JSON report: one object per image with path,\n"
           "                       outputPath, saved and overlayText, plus reason when it was\n"
           "                       not saved and replacedBy when a later image wrote the same\n"
           "                       output; rawPath keeps a name that is not valid UTF-8.\n"
           "                       Every run rewrites it: [] when nothing was found, what is\n"
           "                       known when the scan or the run fails\n"
           "  --quiet              no progress and no summary; refusals, failures and\n"
           "                       warnings are still written to stderr\n"
           "  --save-config FILE   write the effective settings to FILE (the bare name\n"
           "                       default.cfg: into the program folder)\n"
           "  --remote             the source is the remote folder of the settings (also when the\n"
           "                       settings file says so): it is scanned, every image is\n"
           "                       downloaded into the download folder, then converted\n"
           "  --server HOST        FTP server (default: the stored one)\n"
           "  --port N             FTP port\n"
           "  --user NAME          FTP user; the password comes from the settings file or\n"
           "                       from the environment variable TESSELON_FTP_PASSWORD\n"
           "  --remote-folder PATH remote folder of the images\n"
           "  --passive, --active  FTP data connections\n"
           "  --protocol ftp|sftp  how to reach the server (default: the stored one, else\n"
           "                       ftp); sftp uses port 22 unless --port or the settings\n"
           "                       name another than 21\n"
           "  --host-key SHA256:.. the SFTP server's host key to trust when no known_hosts\n"
           "                       file knows it yet (ssh-keygen -lf prints it); a key that\n"
           "                       differs from a known one is always refused\n"
           "  --download-to DIR    where the images are downloaded (default: the stored\n"
           "                       download folder); it must not be the destination\n"
           "  --version            print the version and exit\n"
           "  --help               print this help and exit\n"
           "\n"
           "With --save-config and no conversion option, only the settings file is written.\n"
           "Ctrl-C lets the images in hand finish, then stops.\n"
           "\n"
           "Only regular files are read (images up to 1 GiB, phrases and settings files up\n"
           "to 64 MiB). Links in the destination are replaced, never followed; linked\n"
           "folders outside the source and the destination folder are not scanned. Results\n"
           "are written beneath the destination folder opened once at the start: a folder\n"
           "in it that becomes a link during the run fails its images. When several images\n"
           "have the same output name, the last one's result is kept and the others are\n"
           "reported as replaced.\n"
           "\n"
           "Settings values outside their range (quality, rotation, tint, contrast, resize,\n"
           "text transparency) are brought into it for the conversion, with a warning;\n"
           "--save-config writes them as loaded.\n"
           "\n"
           "Program folder (default.cfg, HayConsentimiento.dat, usarWget.txt, the download\n"
           "tools): ";
    usage += folder.folder;
    usage += folder.executableFolderWritable
                 ? "\n  the program's own folder.\n"
                 : "\n  a per-user folder, because the program's own folder is not writable.\n";
    usage += "\n"
             "Exit codes: 0 every image saved (results replaced by a later image with the\n"
             "same output are warnings); 1 an image, a folder, a download (after three tries)\n"
             "or the report failed, or the run was cancelled; 2 usage error, a settings file\n"
             "that cannot be read, a refused precondition (no text source, overwriting without\n"
             "--yes, a destination that is the source folder), or no connection to the FTP\n"
             "server.\n";
    return usage;
}

}  // namespace tesselon

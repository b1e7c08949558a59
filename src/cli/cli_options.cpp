#include "cli/cli_options.h"

#include <charconv>

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

CliParseResult parseCliOptions(const std::vector<std::string>& args) {
    CliOptions o;
    std::string error;
    std::optional<std::string> quality, jobs;
    for (ArgReader r(args); !r.done() && error.empty(); r.advance()) {
        const std::string& a = r.current();
        if (a == "--help" || a == "-h") o.help = true;
        else if (a == "--version") o.version = true;
        else if (a == "--subfolders") o.subfolders = true;
        else if (a == "--no-subfolders") o.subfolders = false;
        else if (a == "--overwrite") o.overwrite = true;
        else if (a == "--yes") o.yes = true;
        else if (a == "--quiet") o.quiet = true;
        else if (a == "--remote") o.remote.remote = true;
        else if (a == "--passive" || a == "--active") o.remote.passive = a == "--passive";
        else if (r.value("--config", o.configFile, error) || r.value("--save-config", o.saveConfigFile, error) ||
                 r.value("--source", o.source, error) || r.value("--dest", o.dest, error) ||
                 r.value("--format", o.format, error) || r.value("--quality", quality, error) ||
                 r.value("--jobs", jobs, error) || r.value("--report", o.report, error) ||
                 r.value("--server", o.remote.server, error) || r.value("--port", o.remote.port, error) ||
                 r.value("--user", o.remote.user, error) || r.value("--remote-folder", o.remote.folder, error) ||
                 r.value("--download-to", o.remote.downloadTo, error)) {
        } else error = "unknown option: " + a;
    }
    if (error.empty() && o.format && *o.format != "original" && *o.format != "jpg" && *o.format != "png" &&
        *o.format != "gif")
        error = "--format must be original, jpg, png or gif";
    if (error.empty() && quality && !(o.quality = integerIn(*quality, 10, 100)))
        error = "--quality must be a whole number from 10 to 100";
    if (error.empty() && o.remote.port && !integerIn(*o.remote.port, 1, 65535))
        error = "--port must be a whole number from 1 to 65535";
    if (error.empty() && o.remote.remote && o.source) error = "--remote and --source name two different sources";
    if (error.empty() && jobs && !(o.jobs = integerIn(*jobs, 1, 256)))
        error = "--jobs must be a whole number from 1 to 256";
    if (error.empty() && !o.help && !o.version && !o.convert() && !o.saveConfigFile) error = "nothing to do";
    if (!error.empty()) return {std::nullopt, error};
    return {o, {}};
}

std::string cliUsage() {
    return "Usage: tesselon-batch [--config FILE] [--source DIR] [--dest DIR]\n"
           "                      [--format original|jpg|png|gif] [--quality 10..100]\n"
           "                      [--subfolders|--no-subfolders] [--overwrite --yes] [--jobs N]\n"
           "                      [--report FILE] [--quiet] [--save-config FILE]\n"
           "                      [--remote [--server HOST] [--port N] [--user NAME]\n"
           "                       [--remote-folder PATH] [--passive|--active] [--download-to DIR]]\n"
           "\n"
           "Converts every image of a folder with the Tesselon engine, the way the desktop\n"
           "program's PROCESAR button does, on several cores at once.\n"
           "\n"
           "Settings come from the defaults, then the settings file, then these options.\n"
           "\n"
           "  --config FILE        settings file (default: default.cfg beside the program)\n"
           "  --source DIR         local folder of the images\n"
           "  --dest DIR           folder of the results (the source's subfolders are kept)\n"
           "  --format F           output format; original keeps each image's own\n"
           "  --quality Q          output quality, 10 to 100\n"
           "  --subfolders         include subfolders of the source (--no-subfolders: do not)\n"
           "  --overwrite          write the results over the source images; the question this\n"
           "                       asks is answered No unless --yes is given\n"
           "  --yes                answer Yes to the overwrite question\n"
           "  --jobs N             worker threads (default: all cores)\n"
           "  --report FILE        write a JSON report: one object per image\n"
           "  --quiet              no progress and no summary\n"
           "  --save-config FILE   write the effective settings to FILE\n"
           "  --remote             the source is the FTP folder of the settings (also when the\n"
           "                       settings file says so): it is scanned, every image is\n"
           "                       downloaded into the download folder, then converted\n"
           "  --server HOST        FTP server (default: the stored one)\n"
           "  --port N             FTP port\n"
           "  --user NAME          FTP user; the password comes from the settings file or\n"
           "                       from the environment variable TESSELON_FTP_PASSWORD\n"
           "  --remote-folder PATH remote folder of the images\n"
           "  --passive, --active  FTP data connections\n"
           "  --download-to DIR    where the images are downloaded (default: the stored\n"
           "                       download folder)\n"
           "  --version            print the version and exit\n"
           "  --help               print this help and exit\n"
           "\n"
           "With --save-config and no conversion option, only the settings file is written.\n"
           "Ctrl-C lets the images in hand finish, then stops.\n"
           "\n"
           "Exit codes: 0 every image saved; 1 an image or a file failed (a download that\n"
           "failed three times included), or the run was cancelled; 2 usage error, a refused\n"
           "precondition, or no connection to the FTP server.\n";
}

}  // namespace tesselon

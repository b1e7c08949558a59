// The desktop program's batch next to tesselon-batch on the same job, timed as the user
// waits for it. Each round starts the real program (a copy beside its own default.cfg)
// on the display it is given (bench/window-batch starts a private X server with a
// window manager), answers its start's rescan question, waits until both preview panes
// show the first photo and its result, lets the user look at them for a moment, clicks
// PROCESAR with the pointer and times from that click until the server maps the end box;
// then the program is ended, tesselon-batch converts the same folder with the same
// settings file, and both outputs must be the same bytes. Every time is taken from this
// separate X client, never from inside the program.
//
// Usage: window_batch_bench corpus-folder tesselon tesselon-batch [rounds] [look-seconds]
// With $WINDOW_BATCH_SHOTS naming a folder, the first round also takes pictures of the
// screen while the batch runs and once its end box is up (and is timed the worse for it).
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "runtime/dates/dates.h"
#include "settings/defaults.h"
#include "settings/settings_file.h"
#include "x_display.h"

extern char** environ;

namespace {

using namespace tesselon;
using namespace tesselon::bench;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

// Where the window's parts are, in its client area (96-dpi units on an unscaled screen).
constexpr int kProcesarX = 915, kProcesarY = 615;
constexpr int kPaneTop = 405, kPaneWidth = 380, kPaneHeight = 251;
constexpr int kSourcePaneLeft = 25, kResultPaneLeft = 415;
const std::string kMainTitle = "Tesselon - v0.3f";
const std::string kRescanTitle = "Recontar nº de imágenes";
const std::vector<std::string> kEndTitles = {"Fin de proceso", "Fin de proceso con errores"};

struct Folder {
    fs::path path;
    Folder() {
        char pattern[] = "/tmp/tesselon-window-batch-bench-XXXXXX";
        path = ::mkdtemp(pattern);
    }
    ~Folder() {
        std::error_code ignored;
        fs::remove_all(path, ignored);
    }
};

std::map<std::string, std::string> filesUnder(const fs::path& root) {
    std::map<std::string, std::string> out;
    if (!fs::exists(root)) return out;
    for (const auto& e : fs::recursive_directory_iterator(root)) {
        if (!e.is_regular_file()) continue;
        std::ifstream in(e.path(), std::ios::binary);
        out[fs::relative(e.path(), root).string()] = std::string(std::istreambuf_iterator<char>(in), {});
    }
    return out;
}

double medianOf(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double secondsBetween(Clock::time_point a, Clock::time_point b) { return std::chrono::duration<double>(b - a).count(); }

bool dark(uint32_t rgb) { return ((rgb >> 16) & 0xFF) + ((rgb >> 8) & 0xFF) + (rgb & 0xFF) < 12; }

// A photo fitted into a pane: black bars at both sides, a picture between them. The
// start-up placeholders have no such bars.
bool paneShowsPicture(XDisplay& x, Window main, int left) {
    for (int y : {kPaneTop + 20, kPaneTop + kPaneHeight / 2, kPaneTop + kPaneHeight - 20}) {
        for (int bar : {left + 3, left + kPaneWidth - 4}) {
            const std::optional<uint32_t> p = x.pixel(main, bar, y);
            if (!p || !dark(*p)) return false;
        }
        const std::optional<uint32_t> p = x.pixel(main, left + kPaneWidth / 2, y);
        if (!p || dark(*p)) return false;
    }
    return true;
}

// Both panes show a picture, the same on three looks in a row.
bool waitForPreview(XDisplay& x, Window main, std::chrono::seconds limit) {
    const auto until = Clock::now() + limit;
    int steady = 0;
    while (Clock::now() < until) {
        const bool shown = paneShowsPicture(x, main, kSourcePaneLeft) && paneShowsPicture(x, main, kResultPaneLeft);
        steady = shown ? steady + 1 : 0;
        if (steady >= 3) return true;
        std::this_thread::sleep_for(100ms);
    }
    return false;
}

// A program started with its output into `log`.
class Program {
public:
    Program(std::vector<std::string> args, const fs::path& log) {
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
        posix_spawn_file_actions_adddup2(&actions, 1, 2);
        std::vector<char*> argv;
        for (std::string& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        if (posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
    }
    ~Program() { end(); }
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;
    bool started() const { return pid_ > 0; }
    pid_t pid() const { return pid_; }

    // The processor time its threads have used so far.
    double cpuSeconds() const {
        std::ifstream in("/proc/" + std::to_string(pid_) + "/stat");
        std::string stat(std::istreambuf_iterator<char>(in), {});
        // The fields after the name, which may hold spaces, in brackets.
        const size_t close = stat.rfind(')');
        if (close == std::string::npos) return 0;
        std::istringstream fields(stat.substr(close + 2));
        std::string field;
        long long user = 0, system = 0;
        for (int i = 3; i <= 15 && fields >> field; ++i) {
            if (i == 14) user = std::atoll(field.c_str());
            if (i == 15) system = std::atoll(field.c_str());
        }
        return double(user + system) / double(::sysconf(_SC_CLK_TCK));
    }

    // Waits for it to end by itself; its exit code, and the processor time it used.
    int wait(double* cpu = nullptr) {
        if (pid_ <= 0) return 0;
        int status = 0;
        rusage usage{};
        ::wait4(pid_, &status, 0, &usage);
        pid_ = -1;
        if (cpu) *cpu = seconds(usage.ru_utime) + seconds(usage.ru_stime);
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    // Ends it as the session does at log-out, and waits for it.
    int end() {
        if (pid_ > 0) ::kill(pid_, SIGTERM);
        return wait();
    }

private:
    static double seconds(const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; }
    pid_t pid_ = -1;
};

int fail(const char* what, const fs::path& log) {
    std::fprintf(stderr, "window_batch_bench: %s\n", what);
    std::ifstream in(log);
    std::fprintf(stderr, "%s", std::string(std::istreambuf_iterator<char>(in), {}).c_str());
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: window_batch_bench corpus-folder tesselon tesselon-batch [rounds] [look-seconds]\n");
        return 2;
    }
    const fs::path corpus = argv[1];
    const fs::path desktop = argv[2];
    const std::string batch = argv[3];
    const int rounds = argc > 4 ? std::max(1, std::atoi(argv[4])) : 3;
    const double look = argc > 5 ? std::max(0.0, std::atof(argv[5])) : 4.0;
    // $WINDOW_BATCH_SHOTS: a folder for pictures of the screen during the first batch
    // and of its end box.
    const char* shots = std::getenv("WINDOW_BATCH_SHOTS");
    const auto shoot = [shots](const char* name) {
        const std::string command = "import -window root '" + std::string(shots) + "/" + name + "'";
        if (std::system(command.c_str()) != 0) std::fprintf(stderr, "window_batch_bench: no picture %s\n", name);
    };
    XDisplay x;
    if (!x.valid()) {
        std::fprintf(stderr, "window_batch_bench: no X display with XTEST\n");
        return 1;
    }

    // The job of bench/run: grey scale, a quarter turn, a proportional resize to 1600,
    // the watermark, JPEG quality 85; the preview panes on.
    Folder program, destination;
    fs::copy_file(desktop, program.path / "tesselon");
    std::ofstream(program.path / "HayConsentimiento.dat") << std::string(84, 'x');
    Settings settings;
    resetToDefaults(settings, buildDefaultWatermarkText(currentDate()));
    settings.entorno.RutaOrigenLocal = corpus.string() + "/";
    settings.entorno.RutaImagenesDestino = (destination.path / "window").string() + "/";
    settings.entorno.imagenesRecursivo = 0;
    settings.entorno.FormatoImagen = "jpg";
    settings.entorno.CalidadGrabacion = 85;
    settings.entorno.Preview = 1;
    settings.image.EscalaGrises = 1;
    settings.image.Rotar = 90;
    settings.image.ResizeActivo = 1;
    settings.image.ResizeProporcional = 1;
    settings.image.ResizeH = 1600;
    settings.image.ResizeV = 1600;
    settings.image.MarcaDeAgua = 1;
    settings.image.RotarAntesQueTexto = 0;  // upright on the turned photo, as bench/run draws it
    settings.texto.SoloMarcadeAgua = 1;
    const fs::path cfg = program.path / "default.cfg";
    std::ofstream(cfg, std::ios::binary) << composeSettingsText(settings, currentDate());
    const fs::path log = program.path / "out.log";

    std::vector<double> window, terminal, windowCpu, terminalCpu;
    bool same = true;
    size_t files = 0;
    for (int r = 0; r < rounds; ++r) {
        fs::remove_all(destination.path / "window");
        fs::remove_all(destination.path / "terminal");
        {
            Program app({(program.path / "tesselon").string()}, log);
            if (!app.started()) return fail("the program did not start", log);
            const std::optional<Window> question = x.waitViewable(kRescanTitle, 60s);
            if (!question) return fail("no rescan question at the start", log);
            x.pressKey(*question, "Return");
            const std::optional<Window> main = x.waitViewable(kMainTitle, 30s);
            if (!main) return fail("no main window", log);
            if (!waitForPreview(x, *main, 60s)) return fail("the panes never showed the first photo", log);
            std::this_thread::sleep_for(std::chrono::duration<double>(look));

            const std::optional<std::pair<int, int>> origin = x.originOf(*main);
            if (!origin) return fail("the main window has no place", log);
            x.moveTo(origin->first + kProcesarX, origin->second + kProcesarY);
            std::this_thread::sleep_for(150ms);
            // A click before the program's start is through is dropped, as every event
            // then is: the look must outlast the start's last steps after the preview.
            x.drainEvents();
            // $WINDOW_BATCH_PERF: a file for perf's samples of the first batch, from the
            // click to the end box, to see where the window's time goes.
            std::optional<Program> profiler;
            if (const char* perf = std::getenv("WINDOW_BATCH_PERF"); perf && r == 0) {
                profiler.emplace(std::vector<std::string>{"/usr/bin/perf", "record", "-F", "999", "--call-graph", "dwarf,16384", "-o", perf,
                                                          "-p", std::to_string(app.pid())},
                                 log);
                std::this_thread::sleep_for(1s);
            }
            const double cpuBefore = app.cpuSeconds();
            const Clock::time_point clicked = Clock::now();
            x.click();
            // Pictures of the screen disturb the timing: only when asked, in the first round.
            if (shots && r == 0) {
                std::this_thread::sleep_for(1500ms);
                shoot("window-batch-running.png");
            }
            const std::optional<Mapped> end = x.waitMapped(kEndTitles, 120s);
            if (!end) {
                for (const std::string& title : x.viewableTitles()) std::fprintf(stderr, "on screen: %s\n", title.c_str());
                if (shots) shoot("window-batch-no-end-box.png");
                return fail("no end box (PROCESAR clicked before the start was through?)", log);
            }
            window.push_back(secondsBetween(clicked, end->at));
            windowCpu.push_back(app.cpuSeconds() - cpuBefore);
            if (profiler) {
                ::kill(profiler->pid(), SIGINT);
                profiler->wait();
            }
            if (shots && r == 0) {
                std::this_thread::sleep_for(300ms);
                shoot("window-batch-end-box.png");
            }
            if (x.findViewable(kEndTitles[1])) return fail("the batch ended with errors", log);
            if (const std::optional<Window> box = x.waitViewable(kEndTitles[0], 10s)) x.pressKey(*box, "Return");
            if (!x.waitGone(kEndTitles[0], 10s)) return fail("the end box stayed", log);
            if (const int code = app.end(); code != 0) {
                std::fprintf(stderr, "window_batch_bench: the program ended with %d\n", code);
                return 1;
            }
        }

        const auto start = Clock::now();
        Program terminalRun({batch, "--quiet", "--config", cfg.string(), "--dest",
                             (destination.path / "terminal").string() + "/"},
                            log);
        double cpu = 0;
        if (terminalRun.wait(&cpu) != 0) return fail("tesselon-batch failed", log);
        terminal.push_back(secondsBetween(start, Clock::now()));
        terminalCpu.push_back(cpu);

        const auto fromWindow = filesUnder(destination.path / "window");
        files = fromWindow.size();
        same = same && files > 0 && fromWindow == filesUnder(destination.path / "terminal");
        std::printf("round %d   window %6.2f s (cpu %5.2f s)   tesselon-batch %6.2f s (cpu %5.2f s)   ratio %5.2f\n",
                    r + 1, window.back(), windowCpu.back(), terminal.back(), terminalCpu.back(),
                    window.back() / terminal.back());
        std::fflush(stdout);
    }
    const double w = medianOf(window), t = medianOf(terminal);
    std::printf("%zu images, median of %d rounds, each a fresh start; PROCESAR %.1f s after the panes showed the "
                "first photo\n",
                files, rounds, look);
    std::printf("window batch     %6.2f s   (click to end box mapped; cpu %.2f s)\n", w, medianOf(windowCpu));
    std::printf("tesselon-batch   %6.2f s   (cpu %.2f s)\n", t, medianOf(terminalCpu));
    std::printf("ratio            %6.2f   (target <= 1.25)\n", w / t);
    std::printf("results          %s\n", same ? "byte-identical" : "DIFFER");
    return same ? 0 : 1;
}

// The desktop program's batch next to tesselon-batch on the same job: the program runs
// in-process on whatever display it is given (bench/window-batch starts a private X
// server), PROCESAR is clicked through the window and timed until its handler returns
// with the batch done (the panes on, as users run it, after a look at the first photo);
// then tesselon-batch converts the same folder with the settings
// the window saved, and both outputs must be the same bytes.
//
// Usage: window_batch_bench corpus-folder tesselon-batch [rounds]
#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QThread>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "app/application.h"
#include "runtime/dates/dates.h"
#include "settings/defaults.h"
#include "settings/settings_file.h"
#include "ui/control_registry.h"
#include "ui/main_window.h"
#include "ui/main_window_controls.h"
#include "ui/qt_frontend.h"

namespace {

using namespace tesselon;
namespace fs = std::filesystem;

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

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: window_batch_bench corpus-folder tesselon-batch [rounds]\n");
        return 2;
    }
    QApplication qt(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    const fs::path corpus = argv[1];
    const std::string batch = argv[2];
    const int rounds = argc > 3 ? std::max(1, std::atoi(argv[3])) : 3;

    // The job of bench/run: grey scale, a quarter turn, a proportional resize to 1600,
    // the watermark, JPEG quality 85.
    Folder program, destination;
    std::FILE* consent = std::fopen((program.path / "HayConsentimiento.dat").c_str(), "w");
    std::fputs(std::string(84, 'x').c_str(), consent);
    std::fclose(consent);
    Settings settings;
    resetToDefaults(settings, buildDefaultWatermarkText(currentDate()));
    settings.entorno.RutaOrigenLocal = corpus.string() + "/";
    settings.entorno.RutaImagenesDestino = (destination.path / "window").string() + "/";
    settings.entorno.imagenesRecursivo = 0;
    settings.entorno.FormatoImagen = "jpg";
    settings.entorno.CalidadGrabacion = 85;
    settings.image.EscalaGrises = 1;
    settings.image.Rotar = 90;
    settings.image.ResizeActivo = 1;
    settings.image.ResizeProporcional = 1;
    settings.image.ResizeH = 1600;
    settings.image.ResizeV = 1600;
    settings.image.MarcaDeAgua = 1;
    settings.texto.SoloMarcadeAgua = 1;
    const std::string cfg = (program.path / "default.cfg").string();
    {
        std::ofstream out(cfg, std::ios::binary);
        out << composeSettingsText(settings, currentDate());
    }

    Application app(Application::Options{program.path.string() + "/", {}});
    // The start's only question is whether to rescan the source: yes; the end box: OK.
    app.frontend().setMessageScript([](std::string_view, std::string_view, MessageButtons buttons, MessageIcon) {
        return buttons == MessageButtons::YesNo ? MessageAnswer::Yes : MessageAnswer::Ok;
    });
    if (!app.start()) return 1;
    ControlRegistry& c = app.mainWindow()->controls();
    auto* procesar = qobject_cast<QAbstractButton*>(c.widget(Gadget_Principal_Button_Procesar));
    // As users run it: with the panes showing every photo and result as the batch goes.
    if (c.state(Gadget_Principal_CheckBox_Preview) == 0)
        qobject_cast<QAbstractButton*>(c.widget(Gadget_Principal_CheckBox_Preview))->click();
    // The user looked at the first photo for a moment before PROCESAR.
    QElapsedTimer looked;
    looked.start();
    while (looked.elapsed() < 2000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        QThread::msleep(10);
    }

    std::vector<double> window, terminal;
    bool same = true;
    size_t files = 0;
    for (int r = 0; r < rounds; ++r) {
        fs::remove_all(destination.path / "window");
        fs::remove_all(destination.path / "terminal");
        QElapsedTimer clock;
        clock.start();
        procesar->click();
        window.push_back(double(clock.nsecsElapsed()) / 1e9);

        const std::string command = "'" + batch + "' --quiet --config '" + cfg + "' --dest '" +
                                    (destination.path / "terminal").string() + "/'";
        const auto start = std::chrono::steady_clock::now();
        if (std::system(command.c_str()) != 0) {
            std::fprintf(stderr, "tesselon-batch failed: %s\n", command.c_str());
            return 1;
        }
        terminal.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());

        const auto fromWindow = filesUnder(destination.path / "window");
        files = fromWindow.size();
        same = same && files > 0 && fromWindow == filesUnder(destination.path / "terminal");
    }
    const double w = medianOf(window), t = medianOf(terminal);
    std::printf("%zu images, median of %d rounds\n", files, rounds);
    std::printf("window batch     %6.2f s\n", w);
    std::printf("tesselon-batch   %6.2f s\n", t);
    std::printf("ratio            %6.2f   (target <= 1.25)\n", w / t);
    std::printf("results          %s\n", same ? "byte-identical" : "DIFFER");
    return same ? 0 : 1;
}

// How long the user waits for the preview: the desktop program runs in-process on the
// offscreen platform with a folder of large photos, and every change that refreshes the
// preview is made through the widgets themselves and timed until the handler returns
// with both panes redrawn.
//
// Usage: preview_bench [photo] [rounds] [change]
//   photo   a large photo (default: mate-backgrounds' 5640x3172 one); the folder holds
//           twelve copies of it, each a file of its own to move to
//   rounds  how often each change is repeated (default 5); the median is reported
//   change  only the changes whose name contains this
#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QSlider>
#include <QSpinBox>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <ctime>
#include <cstdio>
#include <filesystem>
#include <functional>
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
#include "runtime/imaging/image_object.h"

namespace {

using namespace tesselon;
namespace fs = std::filesystem;

constexpr const char* kDefaultPhoto = "/usr/share/backgrounds/mate/abstract/Elephants_5640x3172.jpg";

struct Folder {
    fs::path path;
    Folder() {
        char pattern[] = "/tmp/tesselon-preview-bench-XXXXXX";
        path = ::mkdtemp(pattern);
    }
    ~Folder() {
        std::error_code ignored;
        fs::remove_all(path, ignored);
    }
};

struct Change {
    const char* name;
    std::function<void(int round)> act;  // one change per round, alternating values
    int pauseMs = 0;                     // how long the user looks before each change
    std::function<void()> before = {};   // untimed, before each round
    bool everyRound = false;             // print each round's first picture too
};

// The user looking at the window: events go on being handled, nothing is timed.
void look(int ms) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        QThread::msleep(20);
    }
}

// Processor time of the whole process, every thread: what the change costs on an idle
// machine, where the wall clock of a shared one also counts the others' work.
double cpuMilliseconds() {
    timespec t;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

double medianOf(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication qt(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    const std::string photo = argc > 1 ? argv[1] : kDefaultPhoto;
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
    const std::string only = argc > 3 ? argv[3] : "";
    if (!fs::exists(photo)) {
        std::fprintf(stderr, "no photo at %s (Debian's mate-backgrounds has one)\n", photo.c_str());
        return 2;
    }

    Folder program, source, destination;
    // Moving on always meets a file of its own, never one shown or prepared before
    // by the same round.
    for (char name = 'a'; name < 'a' + 12; ++name) fs::copy_file(photo, source.path / (std::string(1, name) + ".jpg"));
    std::FILE* consent = std::fopen((program.path / "HayConsentimiento.dat").c_str(), "w");
    std::fputs(std::string(84, 'x').c_str(), consent);
    std::fclose(consent);
    Settings settings;
    resetToDefaults(settings, buildDefaultWatermarkText(currentDate()));
    settings.entorno.RutaOrigenLocal = source.path.string() + "/";
    settings.entorno.RutaImagenesDestino = destination.path.string() + "/";
    settings.entorno.imagenesRecursivo = 0;
    std::FILE* cfg = std::fopen((program.path / "default.cfg").c_str(), "w");
    std::fputs(composeSettingsText(settings, currentDate()).c_str(), cfg);
    std::fclose(cfg);

    Application app(Application::Options{program.path.string() + "/", {}});
    // The start's only question is whether to rescan the source: yes.
    app.frontend().setMessageScript([](std::string_view, std::string_view, MessageButtons buttons, MessageIcon) {
        return buttons == MessageButtons::YesNo ? MessageAnswer::Yes : MessageAnswer::Ok;
    });
    QElapsedTimer startClock;
    startClock.start();
    if (!app.start()) return 1;
    std::printf("start-up with two previews: %lld ms\n", startClock.elapsed());

    ControlRegistry& c = app.mainWindow()->controls();
    auto click = [&](int id) { qobject_cast<QAbstractButton*>(c.widget(id))->click(); };
    auto slide = [&](int id, int v) { qobject_cast<QSlider*>(c.widget(id))->setValue(v); };
    auto type = [&](int id, const char* text) { QTest::keyClicks(c.widget(id), text); };
    auto odd = [](int round) { return round % 2 == 1; };

    const std::vector<Change> changes = {
        {"contrast", [&](int r) { slide(Gadget_Principal_Basico_TrackBar_Contraste, 40 + r); }},
        {"grey scale", [&](int) { click(Gadget_Principal_Basico_CheckBox_EscalaGrises); }},
        {"invert", [&](int) { click(Gadget_Principal_Basico_CheckBox_Invertir); }},
        {"mirror", [&](int) { click(Gadget_Principal_Basico_CheckBox_EspejoH); }},
        {"tint amount", [&](int r) {
             if (r == 0) click(Gadget_Principal_Basico_CheckBox_Tintar);
             slide(Gadget_Principal_Basico_TrackBar_CantidadTinte, 30 + r);
         }},
        {"text position", [&](int r) {
             click(odd(r) ? Gadget_Principal_Option_POSTXT_Left_Up : Gadget_Principal_Option_POSTXT_Right_Bottom);
         }},
        {"watermark key", [&](int) {
             if (c.state(Gadget_Principal_CheckBox_UsarMarca) == 0) click(Gadget_Principal_CheckBox_UsarMarca);
             type(Gadget_Principal_String_MarcaAgua, "x");
         }},
        {"rotate 90", [&](int r) {
             click(odd(r) ? Gadget_Principal_Basico_Option_Rotar0 : Gadget_Principal_Basico_Option_Rotar90);
         }},
        {"rotate 180", [&](int r) {
             click(odd(r) ? Gadget_Principal_Basico_Option_Rotar0 : Gadget_Principal_Basico_Option_Rotar180);
         }},
        {"format PNG", [&](int r) {
             click(odd(r) ? Gadget_Principal_Archivo_Option_ExtensionJPG : Gadget_Principal_Archivo_Option_ExtensionPNG);
         }},
        {"free rotation", [&](int r) {
             qobject_cast<QSpinBox*>(c.widget(Gadget_Principal_Basico_Spin_RotarLibre))->setValue(30 + r);
         }},
        // To 33 degrees from none, the exact preview of none in place before.
        {"rotate 33", [&](int) {
             qobject_cast<QSpinBox*>(c.widget(Gadget_Principal_Basico_Spin_RotarLibre))->setValue(33);
         }, 0, [&] {
             click(Gadget_Principal_Basico_Option_Rotar0);
             qobject_cast<QSpinBox*>(c.widget(Gadget_Principal_Basico_Spin_RotarLibre))->setValue(0);
             click(Gadget_Principal_Basico_Option_Rotar0);
         }},
        {"next at once", [&](int) { click(Gadget_Principal_Button_ImagenSiguiente); }, 0, {}, true},
        // After a look of two seconds at the image shown: the next one is prepared meanwhile.
        {"next image", [&](int) { click(Gadget_Principal_Button_ImagenSiguiente); }, 2000},
    };

    // The first picture of a change: the moment either pane shows something new, seen by
    // a timer that runs whenever the handler lets events through.
    QtFrontend& frontend = app.frontend();
    auto paneNow = [&](int pane) {
        const ImageObject* shown = frontend.previewImage(pane);
        return shown ? shown->pixels : std::vector<uint8_t>{};
    };

    std::printf("%-16s %10s %10s %10s %10s   (%d rounds, ms; first: either pane shows something new)\n",
                "change", "first", "wall", "wall min", "cpu", rounds);
    for (const Change& change : changes) {
        if (std::string(change.name).find(only) == std::string::npos) continue;
        // Each change starts from the plain settings but for what it needs itself.
        click(Gadget_Principal_Basico_Option_Rotar0);
        click(Gadget_Principal_Archivo_Option_ExtensionORIGEN);
        std::vector<double> times, cpu, first;
        const int changeRounds = change.everyRound ? std::max(rounds, 10) : rounds;
        for (int r = 0; r < changeRounds; ++r) {
            if (change.before) change.before();
            look(change.pauseMs);
            const std::vector<uint8_t> source = paneNow(0), result = paneNow(1);
            QElapsedTimer clock;
            double firstMs = -1;
            QTimer watch;
            watch.setTimerType(Qt::PreciseTimer);
            QObject::connect(&watch, &QTimer::timeout, [&] {
                if (firstMs < 0 && (paneNow(0) != source || paneNow(1) != result))
                    firstMs = double(clock.nsecsElapsed()) / 1e6;
            });
            watch.start(2);
            clock.start();
            const double cpuStart = cpuMilliseconds();
            change.act(r);
            cpu.push_back(cpuMilliseconds() - cpuStart);
            times.push_back(double(clock.nsecsElapsed()) / 1e6);
            watch.stop();
            first.push_back(firstMs < 0 ? times.back() : firstMs);
        }
        std::printf("%-16s %10.0f %10.0f %10.0f %10.0f\n", change.name, medianOf(first), medianOf(times),
                    *std::min_element(times.begin(), times.end()), medianOf(cpu));
        if (change.everyRound) {
            std::printf("  every round, first / wall:");
            for (size_t i = 0; i < first.size(); ++i) std::printf(" %.0f/%.0f", first[i], times[i]);
            std::printf("\n  slowest first %.0f, slowest wall %.0f\n", *std::max_element(first.begin(), first.end()),
                        *std::max_element(times.begin(), times.end()));
        }
        std::fflush(stdout);
    }
    return 0;
}

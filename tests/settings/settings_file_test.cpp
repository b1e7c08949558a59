#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <sys/resource.h>
#include <unistd.h>

#include "core/state.h"
#include "runtime/dates/dates.h"
#include "runtime/json/wtf8.h"
#include "settings/defaults.h"
#include "settings/settings_file.h"
#include "support/scripted_frontend.h"
#include "support/temp_dir.h"

namespace tesselon {
namespace {

using testing::readFile;
using testing::ScriptedFrontend;
using testing::TempDir;

constexpr const char* kWatermark = "Text Sample|over Image|@ 2024 Halvren Labs";

Settings defaults() {
    Settings s;
    resetToDefaults(s, kWatermark);
    return s;
}

// Defaults with machine-independent folders.
Settings fixedDefaults() {
    Settings s = defaults();
    s.entorno.RutaOrigenLocal = "/home/ana/";
    s.entorno.RutaEnLocalDeRemotoDescargadas = "/tmp/";
    s.entorno.RutaImagenesDestino = "/tmp/";
    return s;
}

// Every field away from its default, strings with characters that need escaping.
Settings unusual() {
    Settings s;
    s.config = {1, 0};
    STRProcesosEntorno& e = s.entorno;
    e.LocalRemoto = "R";
    e.servidor = "ftp.ejemplo.es";
    e.puerto = "2121";
    e.usuario = "año \"x\"";
    e.password = fromUtf16(std::u16string(u"\0p\xD800\xDFFF\xDBFF\0", 6));
    e.pasivo = 1;
    e.FtpID = -5;
    e.RutaOrigenRemoto = "/www/fotos/";
    e.RutaOrigenLocal = "/home/ana/Imágenes\\raras\t/";
    e.RutaEnLocalDeRemotoDescargadas = "/var/tmp/descargas/";
    e.ExtensionesActivas = "GIF";
    e.UltimasExtensionesDescargadas = "PNG, GIF";
    e.UltimoEscaneoImagenesLocalRemoto = "R";
    e.TotalImagesOrigen = 9007199254740993;
    e.imagenesRecursivo = 0;
    e.imagenesSobreescribir = 1;
    e.RutaImagenesDestino = "/srv/salida/";
    e.FormatoImagen = "png";
    e.CalidadGrabacion = 100;
    e.Preview = 1;
    e.locked = -1;
    STRFuente& f = s.texto.FuenteUsada;
    f = {"DejaVu Sans", 0, 0x123456, 0xFFFFFF, 0, 8, 4, 0, 19.8f, 255, 17};
    s.texto.ArchivoFrases = "/home/ana/frases.txt";
    s.texto.TextoPosicion = 3;
    s.texto.SoloMarcadeAgua = 0;
    s.texto.TextoMarcaAgua = "línea 1|línea 2\r\n😀";
    s.image = {0, 0, 1, 1, 359, 0xFF00FF, 1, 1, 1, 0x00FF00, 100, 255, 1, 0, 9999, 1};
    return s;
}

std::string withoutFirstLine(const std::string& text) { return text.substr(text.find("\r\n") + 2); }

// Equal records compose to equal text (floats carry enough digits to tell them apart).
void expectSameRecords(const Settings& actual, const Settings& expected) {
    EXPECT_EQ(withoutFirstLine(composeSettingsText(actual, 0)), withoutFirstLine(composeSettingsText(expected, 0)));
}

struct Fixture {
    TempDir dir;
    ScriptedFrontend frontend;
    AppState state;
    Fixture() {
        state.ProgramFolder = dir.path();
        state.frontend = &frontend;
    }
};

TEST(SettingsFile, DefaultsComposeIntoTheStoredFormat) {
    const std::string expected =
        "Tesselon 05/03/2024 09:07:02\r\n"
        "VERSION:0.3f\r\n"
        "[Config]\r\n"
        R"({"Cancelado":0,"autoUpdate":1})"
        "\r\n"
        "[ProcesosEntorno]\r\n"
        R"({"UltimasExtensionesDescargadas":"","TotalImagesOrigen":0,"Preview":0,"locked":0,)"
        R"("RutaOrigenRemoto":"/public_html/wp-content/uploads/","puerto":"21","usuario":"",)"
        R"("RutaOrigenLocal":"/home/ana/","RutaEnLocalDeRemotoDescargadas":"/tmp/","imagenesRecursivo":1,)"
        R"("password":"","LocalRemoto":"L","UltimoEscaneoImagenesLocalRemoto":"L","pasivo":0,)"
        R"("ExtensionesActivas":"JPG|JPEG|PNG","FormatoImagen":"original","CalidadGrabacion":50,)"
        R"("servidor":"localhost","RutaImagenesDestino":"/tmp/","imagenesSobreescribir":0,"FtpID":0,)"
        R"("protocolo":"ftp","carpetaPublicacion":""})"
        "\r\n"
        "[ProcesosTexto]\r\n"
        R"({"TextoMarcaAgua":"Text Sample|over Image|@ 2024 Halvren Labs","SoloMarcadeAgua":1,)"
        R"("FuenteUsada":{"ColorBorde":64255,"Color":0,"Nombre":"Arial","Interlinea":2,"Tachado":0,)"
        R"("Cursiva":512,"Subrayado":0,"Bold":256,"Tamagno":24,"TransparenciaInterior":0,)"
        R"("TransparenciaBorde":0},"ArchivoFrases":"","TextoPosicion":6})"
        "\r\n"
        "[ProcesosImage]\r\n"
        R"({"Contraste":0,"ResizeActivo":0,"ColorFondo":0,"RotarAntesQueTexto":1,"MarcaDeAgua":1,)"
        R"("ResizeH":800,"TintarImagen":0,"EspejoH":0,"ResizeV":600,"EscalaGrises":0,"Rotar":0,)"
        R"("ResizeProporcional":1,"TinteCantidad":0,"EspejoV":0,"InvertirColores":0,"TinteColor":0})"
        "\r\n";
    EXPECT_EQ(composeSettingsText(fixedDefaults(), makeDate(2024, 3, 5, 9, 7, 2)), expected);
}

TEST(SettingsFile, SaveReplacesTheFileWithTenLines) {
    Fixture f;
    const std::string path = f.dir.write("mis ajustes.cfg", "old content that is longer than nothing");
    f.state.settings = fixedDefaults();
    EXPECT_EQ(saveSettings(f.state, path), 1);
    EXPECT_TRUE(f.frontend.messages.empty());
    const std::string text = readFile(path);
    const std::string header = text.substr(0, text.find("\r\n"));
    ASSERT_EQ(header.size(), std::strlen("Tesselon dd/mm/yyyy hh:ii:ss"));
    EXPECT_EQ(header.rfind("Tesselon ", 0), 0u);
    EXPECT_EQ(header.substr(11, 1) + header.substr(14, 1) + header.substr(22, 1) + header.substr(25, 1), "//::");
    EXPECT_EQ(withoutFirstLine(text), withoutFirstLine(composeSettingsText(f.state.settings, 0)));
    size_t lines = 0;
    for (size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at + 2)) ++lines;
    EXPECT_EQ(lines, 10u);
    EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
}

TEST(SettingsFile, BareDefaultNameMeansTheProgramFolder) {
    Fixture f;
    f.state.settings = fixedDefaults();
    EXPECT_EQ(saveSettings(f.state, "default.cfg"), 1);
    EXPECT_EQ(withoutFirstLine(readFile(f.dir.file("default.cfg"))),
              withoutFirstLine(composeSettingsText(fixedDefaults(), 0)));
}

TEST(SettingsFile, SaveAndLoadGiveTheSameRecords) {
    Fixture f;
    f.state.settings = unusual();
    const std::string path = f.dir.file("a.cfg");
    ASSERT_EQ(saveSettings(f.state, path), 1);

    Settings loaded = defaults();
    loadSettings(loaded, path);
    expectSameRecords(loaded, unusual());
    EXPECT_EQ(loaded.entorno.password, unusual().entorno.password);
    EXPECT_EQ(loaded.texto.TextoMarcaAgua, unusual().texto.TextoMarcaAgua);
    EXPECT_EQ(loaded.texto.FuenteUsada.Interlinea, 19.8f);
}

// The protocol follows the descriptor's keys on the environment line, and the publish
// folder follows it; a file from before it existed, or with a name the program does not
// know, means plain FTP.
TEST(SettingsFile, ThePublishFolderComesBackAsSavedAndAFileWithoutItPublishesNothing) {
    Fixture f;
    Settings saved = fixedDefaults();
    saved.entorno.carpetaPublicacion = "/public_html/img \"nuevas\"/";
    const std::string path = f.dir.write("p.cfg", composeSettingsText(saved, 0));
    Settings loaded = fixedDefaults();
    ASSERT_TRUE(loadSettings(loaded, path).ok);
    EXPECT_EQ(loaded.entorno.carpetaPublicacion, "/public_html/img \"nuevas\"/");
    loaded.entorno.carpetaPublicacion = "/left/over/";
    ASSERT_TRUE(loadSettings(loaded, f.dir.write("old.cfg", "[ProcesosEntorno]\r\n{\"protocolo\":\"sftp\"}\r\n")).ok);
    EXPECT_EQ(loaded.entorno.carpetaPublicacion, "");
}

TEST(SettingsFile, TheProtocolIsStoredLastAndAnythingElseIsPlainFtp) {
    Fixture f;
    Settings saved = fixedDefaults();
    saved.entorno.protocolo = "sftp";
    const std::string text = composeSettingsText(saved, 0);
    const size_t line = text.find("[ProcesosEntorno]\r\n");
    ASSERT_NE(line, std::string::npos);
    const size_t end = text.find("\r\n", line + 19);
    const std::string last = R"("FtpID":0,"protocolo":"sftp","carpetaPublicacion":""})";
    EXPECT_EQ(text.substr(end - last.size(), last.size()), last);
    EXPECT_EQ(text.find("protocolo", end), std::string::npos);  // in no other record

    Settings loaded = fixedDefaults();
    loadSettings(loaded, f.dir.write("s.cfg", text));
    EXPECT_EQ(loaded.entorno.protocolo, "sftp");
    loadSettings(loaded, f.dir.write("old.cfg", "[ProcesosEntorno]\r\n{\"servidor\":\"h\",\"FtpID\":0}\r\n"));
    EXPECT_EQ(loaded.entorno.protocolo, "ftp");
    EXPECT_EQ(loaded.entorno.servidor, "h");
    for (const char* other : {R"("SFTP")", R"("gopher")", "7", "null"}) {
        loaded.entorno.protocolo = "sftp";
        loadSettings(loaded, f.dir.write("o.cfg", std::string("[ProcesosEntorno]\r\n{\"protocolo\":") + other + "}\r\n"));
        EXPECT_EQ(loaded.entorno.protocolo, "ftp") << other;
    }
}

TEST(SettingsFile, ProtectedPasswordWithAnyCodeUnitsSurvives) {
    Fixture f;
    f.state.settings = fixedDefaults();
    const std::u16string units(u"\0\xD800x\xDC00\xDBFF\xDFFF\xDE01\0", 8);
    f.state.settings.entorno.password = fromUtf16(units);
    const std::string path = f.dir.file("p.cfg");
    ASSERT_EQ(saveSettings(f.state, path), 1);

    const std::string text = readFile(path);
    EXPECT_EQ(text.find('\0'), std::string::npos);
    EXPECT_NE(text.find(R"("password":"\u0000\ud800x\udc00)" "\xF4\x8F\xBF\xBF" R"(\ude01\u0000")"),
              std::string::npos);

    Settings loaded = defaults();
    loadSettings(loaded, path);
    EXPECT_EQ(toUtf16(loaded.entorno.password), units);
}

TEST(SettingsFile, OnlyTheSectionsPresentAreReplaced) {
    Fixture f;
    Settings s = defaults();
    s.config.Cancelado = 1;
    s.entorno.usuario = "ana";
    loadSettings(s, f.dir.write("c.cfg", "[Config]\r\n{\"autoUpdate\":0}\r\n"));
    EXPECT_EQ(s.config.autoUpdate, 0);
    EXPECT_EQ(s.config.Cancelado, 0);
    Settings expected = defaults();
    expected.config = {0, 0};
    expected.entorno.usuario = "ana";
    expectSameRecords(s, expected);

    // A present section whose JSON lacks members empties them rather than defaulting.
    loadSettings(s, f.dir.write("i.cfg", "[ProcesosImage]\n{\"Rotar\":90}\n"));
    EXPECT_EQ(s.image.Rotar, 90);
    EXPECT_EQ(s.image.ResizeH, 0);
    EXPECT_EQ(s.image.MarcaDeAgua, 0);
}

TEST(SettingsFile, MissingJsonLineSwallowsTheNextSection) {
    Fixture f;
    Settings s = defaults();
    loadSettings(s, f.dir.write("m.cfg",
                                "Tesselon 01/01/2024 00:00:00\r\nVERSION:0.3f\r\n"
                                "[ProcesosTexto]\r\n[ProcesosImage]\r\n{\"Rotar\":90}\r\n"));
    expectSameRecords(s, defaults());
}

TEST(SettingsFile, SectionLinesAreTrimmedButCaseSensitive) {
    Fixture f;
    Settings s = defaults();
    loadSettings(s, f.dir.write("t.cfg",
                                "  [ProcesosImage]   \r\n   {\"Rotar\":180}  \r\n"
                                "[procesosimage]\r\n{\"Rotar\":270}\r\n"
                                "[Config] x\r\n{\"autoUpdate\":0}\r\n"));
    EXPECT_EQ(s.image.Rotar, 180);
    EXPECT_EQ(s.config.autoUpdate, 1);
}

TEST(SettingsFile, ByteOrderMarkOnlyTouchesTheHeader) {
    Fixture f;
    Settings saved = fixedDefaults();
    saved.image.Rotar = 45;
    Settings s = defaults();
    loadSettings(s, f.dir.write("b.cfg", "\xEF\xBB\xBF" + composeSettingsText(saved, 0)));
    expectSameRecords(s, saved);
}

TEST(SettingsFile, LaterSectionWinsAndBadJsonKeepsTheRecord) {
    Fixture f;
    Settings s = defaults();
    loadSettings(s, f.dir.write("r.cfg",
                                "[ProcesosImage]\r\n{\"Rotar\":90,\"ResizeH\":5}\r\n"
                                "[ProcesosImage]\r\n{\"Rotar\":180}\r\n"
                                "[ProcesosImage]\r\n{\"Rotar\":270,}\r\n"
                                "[ProcesosTexto]\r\n{\"TextoPosicion\":\r\n"
                                "[Config]"));
    EXPECT_EQ(s.image.Rotar, 180);
    EXPECT_EQ(s.image.ResizeH, 0);
    EXPECT_EQ(s.texto.TextoPosicion, 6);
    EXPECT_EQ(s.config.autoUpdate, 1);
}

TEST(SettingsFile, SourceKindsAreNormalisedToLocal) {
    Fixture f;
    Settings s = defaults();
    loadSettings(s, f.dir.write("k.cfg", "[ProcesosEntorno]\r\n{\"LocalRemoto\":\"X\"}\r\n"));
    EXPECT_EQ(s.entorno.LocalRemoto, "L");
    EXPECT_EQ(s.entorno.UltimoEscaneoImagenesLocalRemoto, "L");
    loadSettings(s, f.dir.write("k2.cfg",
                                "[ProcesosEntorno]\r\n{\"LocalRemoto\":\"R\",\"UltimoEscaneoImagenesLocalRemoto\":\"r\"}"));
    EXPECT_EQ(s.entorno.LocalRemoto, "R");
    EXPECT_EQ(s.entorno.UltimoEscaneoImagenesLocalRemoto, "L");
}

TEST(SettingsFile, UnreadableFileChangesNothingAndSaysWhy) {
    Fixture f;
    Settings s = unusual();
    const std::string junk = f.dir.write("junk.cfg", std::string("\0\xFF[Config\x01\r\r\n", 12));
    const std::string fifo = f.dir.file("fifo.cfg");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::pair<std::string, std::string> cases[] = {
        {f.dir.file("absent.cfg"), "cannot be read: no such file"},
        {f.dir.path(), "cannot be read: not a regular file"},
        {fifo, "cannot be read: not a regular file"},
        {f.dir.write("empty.cfg", ""), "holds no settings sections"},
        {junk, "holds no settings sections"},
        {f.dir.write("bad.cfg", "[Config]\r\n{\"autoUpdate\":0}\r\n[ProcesosImage]\r\n{\"Rotar\":\r\n"),
         ": the line after [ProcesosImage] is not valid JSON"},
    };
    for (const auto& [path, why] : cases) {
        const SettingsLoadResult result = loadSettings(s, path);
        EXPECT_FALSE(result.ok) << path;
        EXPECT_EQ(result.message, "settings file '" + path + "'" + (why[0] == ':' ? "" : " ") + why);
        if (path.find("bad.cfg") == std::string::npos) expectSameRecords(s, unusual());
    }
    EXPECT_TRUE(f.frontend.messages.empty());
    EXPECT_TRUE(loadSettings(s, f.dir.write("good.cfg", "[Config]\r\n{\"autoUpdate\":0}\r\n")).ok);
}

// --- save failures: the previous file must survive and the user must be told ---

void expectFailureReported(const Fixture& f, const std::string& path) {
    ASSERT_EQ(f.frontend.messages.size(), 1u);
    const auto& m = f.frontend.messages[0];
    EXPECT_EQ(m.title, "Atención");
    EXPECT_EQ(m.text, "No se ha podido generar el archivo: \r\n'" + path + "'");
    EXPECT_EQ(m.buttons, MessageButtons::Ok);
    EXPECT_EQ(m.icon, MessageIcon::None);
}

std::vector<std::string> entriesOf(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

TEST(SettingsFile, SaveIntoMissingFolderFails) {
    Fixture f;
    f.state.settings = fixedDefaults();
    const std::string path = f.dir.file("no/such/folder/x.cfg");
    EXPECT_EQ(saveSettings(f.state, path), 0);
    expectFailureReported(f, path);
    EXPECT_TRUE(entriesOf(f.dir.path()).empty());
}

TEST(SettingsFile, SaveIntoReadOnlyFolderKeepsTheOldFile) {
    Fixture f;
    const std::string folder = f.dir.path() + "ro/";
    const std::string path = f.dir.write("ro/default.cfg", "previous settings");
    std::filesystem::permissions(folder, std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    if (::access(folder.c_str(), W_OK) == 0) GTEST_SKIP() << "this account may write into read-only folders";
    f.state.ProgramFolder = folder;
    f.state.settings = fixedDefaults();
    EXPECT_EQ(saveSettings(f.state, "default.cfg"), 0);
    expectFailureReported(f, path);
    EXPECT_EQ(readFile(path), "previous settings");
}

// Lowers this process's file-size limit; a write beyond it then fails with EFBIG, as on
// a full disk, instead of raising SIGXFSZ.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        if (::getrlimit(RLIMIT_FSIZE, &saved_) != 0) return;
        previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit lowered = saved_;
        lowered.rlim_cur = bytes;
        active_ = ::setrlimit(RLIMIT_FSIZE, &lowered) == 0;
    }
    ~FileSizeLimit() {
        if (!active_) return;
        ::setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, previousHandler_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;
    bool active() const { return active_; }

private:
    rlimit saved_{};
    void (*previousHandler_)(int) = SIG_DFL;
    bool active_ = false;
};

TEST(SettingsFile, FailedWriteKeepsTheOldFile) {
    Fixture f;
    const std::string path = f.dir.write("lleno.cfg", "previous settings");
    f.state.settings = unusual();
    int result = -1;
    {
        FileSizeLimit limit(200);
        if (!limit.active()) GTEST_SKIP() << "the file-size limit cannot be lowered here";
        result = saveSettings(f.state, path);
    }
    EXPECT_EQ(result, 0);
    expectFailureReported(f, path);
    EXPECT_EQ(readFile(path), "previous settings");
    EXPECT_EQ(entriesOf(f.dir.path()), std::vector<std::string>{"lleno.cfg"});
}

}  // namespace
}  // namespace tesselon

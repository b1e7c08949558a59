#include "settings/setting_docs.h"

#include "runtime/imaging/image_formats.h"
#include "settings/settings_sections.h"

namespace tesselon {

namespace {

std::string section(std::string_view line) { return std::string(line); }

// "original" and the word of every format results can be written in, from the formats table.
std::vector<AllowedValue> resultFormatValues() {
    std::vector<AllowedValue> values{{"\"original\"", "each result keeps its source's format and extension"}};
    for (const ImageFormat& format : imageFormats())
        if (!format.settingsValue.empty())
            values.push_back({"\"" + std::string(format.settingsValue) + "\"", std::string(format.name)});
    return values;
}

// The extensions a scan can take, as the extension list holds them.
std::string sourceExtensionsText() {
    std::string text;
    for (const ImageFormat& format : imageFormats()) {
        if (!format.decode) continue;
        if (!text.empty()) text += ", ";
        text += extensionListEntry(format);
    }
    return text;
}

std::vector<SettingDoc> makeSettingDocs() {
    const std::string config = section(kConfigSection);
    const std::string entorno = section(kEntornoSection);
    const std::string texto = section(kTextoSection);
    const std::string image = section(kImageSection);
    using U = SettingUse;
    using F = ValueForm;
    return {
        {config, "Cancelado", U::NotRead, F::Flag, "",
         "The cancel request of a running scan, download or conversion. Every one of them sets it to 0 when it "
         "starts.",
         {}},
        {config, "autoUpdate", U::NotRead, F::Flag, "",
         "The state of the update window's checkbox, stored with the settings. The update check at start-up does "
         "not depend on it, and the checkbox is not set from it.",
         {}},

        {entorno, "LocalRemoto", U::Conversion, F::Plain, "",
         "Where the images come from. Any other value is read as \"L\".",
         {{"\"L\"", "the local folder RutaOrigenLocal"},
          {"\"R\"", "the folder RutaOrigenRemoto on the server servidor, downloaded into "
                    "RutaEnLocalDeRemotoDescargadas and converted from there"}}},
        {entorno, "servidor", U::RemoteSource, F::Plain, "", "The host name or address of the server.", {}},
        {entorno, "puerto", U::RemoteSource, F::Plain, "",
         "The server's port, as decimal digits in a JSON string. With protocolo \"sftp\", tesselon-batch takes a "
         "port of \"21\" as 22.",
         {}},
        {entorno, "usuario", U::RemoteSource, F::Plain, "", "The user name of the login.", {}},
        {entorno, "password", U::RemoteSource, F::Plain, "",
         "The password of the login in a protected form: enciphered with a key built into the program, so that it "
         "cannot be read at a glance; anyone with the program can recover it. Only the desktop program's connection "
         "window writes it. Code units that the text cannot carry are written as \\u escapes. tesselon-batch takes "
         "the environment variable TESSELON_FTP_PASSWORD instead when it is set.",
         {}},
        {entorno, "pasivo", U::RemoteSource, F::Flag, "",
         "1: FTP and FTPS data connections are made in passive mode (the client connects); 0: in active mode.",
         {}},
        {entorno, "FtpID", U::NotRead, F::Plain, "",
         "The handle of the FTP session the desktop program holds open, 0 when none. A handle is only used after "
         "checking that its session is open, so a stored value has no effect.",
         {}},
        {entorno, "RutaOrigenRemoto", U::RemoteSource, F::Plain, "folder",
         "The source folder on the server: an absolute path that ends with \"/\".", {}},
        {entorno, "RutaOrigenLocal", U::Conversion, F::Plain, "folder",
         "The local source folder, ending with \"/\"; read when LocalRemoto is \"L\".", {}},
        {entorno, "RutaEnLocalDeRemotoDescargadas", U::RemoteSource, F::Plain, "folder",
         "The local folder that receives the images downloaded from the server, and the source of their "
         "conversion. It must not be the destination folder.",
         {}},
        {entorno, "ExtensionesActivas", U::Conversion, F::Plain, "",
         "The file extensions a scan takes, separated by \"|\" and compared without regard to letter case, such "
         "as \"JPG|JPEG|PNG\". The formats the program reads have the extensions " + sourceExtensionsText() +
             ". \"*.*\" takes every file; an empty list stops the scan with an error.",
         {}},
        {entorno, "UltimasExtensionesDescargadas", U::DesktopOnly, F::Plain, "",
         "The extensions of the last scan, separated by \", \", which the main window's image count shows. Every "
         "scan writes it.",
         {}},
        {entorno, "UltimoEscaneoImagenesLocalRemoto", U::DesktopOnly, F::Plain, "",
         "Where the last scan looked, \"L\" or \"R\" (any other value is read as \"L\"). Every scan writes it; when "
         "it differs from LocalRemoto, the desktop program's PROCESAR asks to scan again before converting. "
         "tesselon-batch always scans first.",
         {}},
        {entorno, "TotalImagesOrigen", U::NotRead, F::Plain, "images",
         "How many images the last scan found. Every scan writes it.", {}},
        {entorno, "imagenesRecursivo", U::Conversion, F::Flag, "",
         "1: the scan descends into subfolders, whose structure the results keep below the destination folder.",
         {}},
        {entorno, "imagenesSobreescribir", U::Conversion, F::Flag, "",
         "1: the results are written over the source files, in the chosen format but under the sources' own "
         "names, instead of into RutaImagenesDestino. Both programs ask first; tesselon-batch takes No for an "
         "answer unless it is given --yes. With a server as source, the downloaded copies are replaced, not the "
         "server's files.",
         {}},
        {entorno, "RutaImagenesDestino", U::Conversion, F::Plain, "folder",
         "The folder of the results, ending with \"/\". It must not be the source folder.", {}},
        {entorno, "FormatoImagen", U::Conversion, F::Plain, "",
         "The format of the results, in lower case. Any other value is taken as an extension: that of a format "
         "results can be written in selects it, every other one JPEG under \".jpg\".",
         resultFormatValues()},
        {entorno, "CalidadGrabacion", U::Conversion, F::Plain, "",
         "The quality of the lossy formats: higher means better and larger files. 0 is the encoder's own default, "
         "80.",
         {}},
        {entorno, "Preview", U::DesktopOnly, F::Flag, "",
         "1: the desktop program's preview panes are on, and a batch shows every image and result in them.", {}},
        {entorno, "locked", U::DesktopOnly, F::Plain, "",
         "The interface lock the desktop program's /LOCKED= switch sets, from -128 to 127. In a start with "
         "command-line switches, any value but 0 disables the controls that choose settings files, folders and "
         "output options; a start without them leaves the controls enabled. Exactly 1 also makes the desktop "
         "program save the settings into its settings file when it closes, however it was started.",
         {}},
        {entorno, "protocolo", U::RemoteSource, F::Plain, "",
         "How the server is reached. A missing key, or any other value, is \"ftp\". It is the last key of the "
         "line.",
         {{"\"ftp\"", "plain FTP"},
          {"\"ftps\"", "FTP encrypted with AUTH TLS before the login, and every data connection too"},
          {"\"sftp\"", "SFTP over SSH"}}},
        {entorno, "carpetaPublicacion", U::RemoteSource, F::Plain, "folder",
         "The server folder the results of a run are uploaded beneath, over the same protocol and login, each at "
         "its source's path relative to the folder that was scanned. Empty, or missing, publishes nothing. Each "
         "result goes up under a temporary name and is renamed into place once the server holds all of it, so "
         "no reader sees half a file. It follows protocolo on the line.",
         {}},

        {texto, "FuenteUsada", U::Conversion, F::Plain, "",
         "The font and look of the text: a JSON object with the members listed next. When the key is missing or "
         "is not an object, every member is 0 or empty.",
         {}},
        {texto, "FuenteUsada.Nombre", U::Conversion, F::Plain, "",
         "The font's face, found through fontconfig: Arial comes out as Liberation Sans and Calibri as Carlito; a "
         "face the system lacks gets fontconfig's nearest substitute. When no font can be loaded, Arial bold is "
         "used.",
         {}},
        {texto, "FuenteUsada.Tamagno", U::Conversion, F::Plain, "pixels",
         "The height of the letters (their em size) on every image, whatever the image's size; 0 means 26. While "
         "the block of text is taller than the image, it is made one step smaller, down to 4.",
         {}},
        {texto, "FuenteUsada.Color", U::Conversion, F::Colour, "", "The colour of the letters' inside.", {}},
        {texto, "FuenteUsada.ColorBorde", U::Conversion, F::Colour, "",
         "The colour of the letters' outline, a stroke 2 pixels wide.", {}},
        {texto, "FuenteUsada.Bold", U::Conversion, F::Plain, "", "Bold letters.", {{"256", "bold"}, {"0", "not"}}},
        {texto, "FuenteUsada.Tachado", U::Conversion, F::Plain, "", "Struck-out letters.",
         {{"8", "struck out"}, {"0", "not"}}},
        {texto, "FuenteUsada.Subrayado", U::Conversion, F::Plain, "", "Underlined letters.",
         {{"4", "underlined"}, {"0", "not"}}},
        {texto, "FuenteUsada.Cursiva", U::Conversion, F::Plain, "", "Italic letters.",
         {{"512", "italic"}, {"0", "not"}}},
        {texto, "FuenteUsada.Interlinea", U::Conversion, F::Plain, "line heights",
         "The distance from the top of one line to the top of the next: 1 makes the lines touch, 2 leaves one "
         "line's height between them, 0 draws every line at the same height. The desktop program's slider sets 1 "
         "to 20 in steps of 0.2. A float, written with up to 10 significant digits.",
         {}},
        {texto, "FuenteUsada.TransparenciaInterior", U::Conversion, F::Plain, "",
         "How transparent the letters' inside is: 0 opaque, 255 invisible.", {}},
        {texto, "FuenteUsada.TransparenciaBorde", U::Conversion, F::Plain, "",
         "How transparent the outline is: 0 opaque, 255 invisible. With 255 for the inside and 0 for the outline "
         "the letters are hollow.",
         {}},
        {texto, "ArchivoFrases", U::Conversion, F::Plain, "file",
         "The phrases file, read when SoloMarcadeAgua is 0: UTF-8 text with one phrase per line, spaces trimmed, "
         "empty lines included. Each image gets the next phrase, and after the last one the first again; every "
         "conversion starts with the first.",
         {}},
        {texto, "TextoPosicion", U::Conversion, F::Plain, "",
         "Where the block of text stands. The value is a sum of bits: 1 right, 2 centred across, 4 in the middle "
         "down, 8 at the bottom; no bit means left and top; in other sums, middle counts before bottom and centred "
         "before right. A line at the left or the right stands 4 pixels from that side, a block at the top starts "
         "2 pixels below the upper edge, and one at the bottom ends 12 pixels above the lower edge.",
         {{"0", "top left"},
          {"2", "top centre"},
          {"1", "top right"},
          {"4", "middle left"},
          {"6", "centre"},
          {"5", "middle right"},
          {"8", "bottom left"},
          {"10", "bottom centre"},
          {"9", "bottom right"}}},
        {texto, "SoloMarcadeAgua", U::Conversion, F::Flag, "",
         "1: every image gets TextoMarcaAgua; 0: each image gets the next line of ArchivoFrases. With 0 and no "
         "phrases the conversion does not start, even when MarcaDeAgua is 0.",
         {}},
        {texto, "TextoMarcaAgua", U::Conversion, F::Plain, "",
         "The watermark text; each \"|\" starts a new line. A line wider than the image is wrapped at spaces.", {}},

        {image, "MarcaDeAgua", U::Conversion, F::Flag, "",
         "1: the text is drawn on every image. Only exactly 1 draws it.", {}},
        {image, "RotarAntesQueTexto", U::Conversion, F::Flag, "",
         "1: the text is drawn before the rotation and turns with the image; 0: it is drawn after the rotation, "
         "upright on the turned result. Any other value draws no text.",
         {}},
        {image, "EspejoH", U::Conversion, F::Flag, "", "1: the image is mirrored left to right.", {}},
        {image, "EspejoV", U::Conversion, F::Flag, "", "1: the image is mirrored top to bottom.", {}},
        {image, "Rotar", U::Conversion, F::Plain, "degrees",
         "Turns the image clockwise; 0 does not turn it. The result is the turned image's bounding box with a "
         "frame of 3 pixels, filled with ColorFondo where the image does not reach. The turn is smoothed even at "
         "90 and 180 degrees, and it drops transparency.",
         {}},
        {image, "ColorFondo", U::Conversion, F::Colour, "",
         "The colour of the corners and the frame that a rotation uncovers.", {}},
        {image, "InvertirColores", U::Conversion, F::Flag, "", "1: every colour is inverted (255 minus it).", {}},
        {image, "EscalaGrises", U::Conversion, F::Flag, "",
         "1: the image becomes grey: 0.299 red + 0.587 green + 0.114 blue.", {}},
        {image, "TintarImagen", U::Conversion, F::Flag, "", "1: the image is tinted with TinteColor.", {}},
        {image, "TinteColor", U::Conversion, F::Colour, "", "The tint's colour.", {}},
        {image, "TinteCantidad", U::Conversion, F::Plain, "percent",
         "How much of the tint's colour goes into each pixel: 0 none, 100 makes every pixel TinteColor.", {}},
        {image, "Contraste", U::Conversion, F::Plain, "",
         "More contrast: 0 leaves the image as it is; 255 makes every colour channel 0 or 255, but for 128, "
         "which stays.", {}},
        {image, "ResizeActivo", U::Conversion, F::Flag, "",
         "1: every result is resized, last of all the operations. The desktop program's preview never resizes.",
         {}},
        {image, "ResizeProporcional", U::Conversion, F::Flag, "",
         "1: the aspect is kept: a landscape or square image gets exactly ResizeH pixels of width, a portrait one "
         "exactly ResizeV of height, enlarged or shrunk; the other side follows and may exceed its own number. 0: "
         "every result gets exactly ResizeH by ResizeV pixels.",
         {}},
        {image, "ResizeH", U::Conversion, F::Plain, "pixels", "The width of a resized result.", {}},
        {image, "ResizeV", U::Conversion, F::Plain, "pixels", "The height of a resized result.", {}},
    };
}

}  // namespace

const std::vector<SettingDoc>& settingDocs() {
    static const std::vector<SettingDoc> docs = makeSettingDocs();
    return docs;
}

const std::vector<SectionDoc>& sectionDocs() {
    static const std::vector<SectionDoc> docs{
        {section(kConfigSection), "Flags of the program itself; no conversion reads them."},
        {section(kEntornoSection),
         "Where the images come from (a local folder or a folder on a server), where the results go and in what "
         "format. tesselon-batch's options --source, --dest, --format, --quality, --extensions, --subfolders, "
         "--overwrite and those of --remote override these keys."},
        {section(kTextoSection),
         "The text drawn on the images: which text, where, and with which font and colours. Whether it is drawn "
         "at all is MarcaDeAgua of [ProcesosImage]."},
        {section(kImageSection),
         "The operations, applied in this order: contrast, left-right mirror, top-bottom mirror, grey, inversion, "
         "tint, the text when RotarAntesQueTexto is 1, rotation, the text when RotarAntesQueTexto is 0, and "
         "resizing."},
    };
    return docs;
}

}  // namespace tesselon

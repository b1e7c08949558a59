#include "cli/operation_options.h"

#include <charconv>
#include <cmath>

#include "cli/arg_reader.h"
#include "cli/colour_text.h"

namespace tesselon {

namespace {

std::optional<int> wholeNumber(std::string_view text, int low, int high) {
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size() || value < low || value > high)
        return std::nullopt;
    return value;
}

// "1200x900", "1200x900!", "1200x900>", "1200", "x900", "1200>".
std::optional<ResizeRequest> parseResize(std::string_view text) {
    ResizeRequest request;
    if (!text.empty() && (text.back() == '!' || text.back() == '>')) {
        (text.back() == '!' ? request.exact : request.shrinkOnly) = true;
        text.remove_suffix(1);
    }
    const size_t x = text.find_first_of("xX");
    const std::string_view width = text.substr(0, x);
    const std::string_view height = x == std::string_view::npos ? std::string_view() : text.substr(x + 1);
    if (!width.empty()) {
        const std::optional<int> w = wholeNumber(width, 1, 9999);
        if (!w) return std::nullopt;
        request.width = *w;
    }
    if (x != std::string_view::npos) {
        const std::optional<int> h = wholeNumber(height, 1, 9999);
        if (!h) return std::nullopt;
        request.height = *h;
    }
    if (request.width == 0 && request.height == 0) return std::nullopt;
    if (request.exact && (request.width == 0 || request.height == 0)) return std::nullopt;
    return request;
}

std::optional<TextSizeRequest> parseTextSize(std::string_view text) {
    TextSizeRequest size;
    if (!text.empty() && text.back() == '%') {
        text.remove_suffix(1);
        double percent = 0;
        const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), percent);
        if (text.empty() || ec != std::errc() || end != text.data() + text.size() || !(percent > 0) || percent > 100)
            return std::nullopt;
        size.heightShare = percent / 100.0;
        return size;
    }
    const std::optional<int> pixels = wholeNumber(text, 1, 2000);
    if (!pixels) return std::nullopt;
    size.pixels = *pixels;
    return size;
}

struct PositionName {
    const char* name;
    int code;  // TextoPosicion: 1 right, 2 centre, 4 middle, 8 bottom
};

constexpr PositionName kPositions[] = {
    {"top-left", 0},    {"top", 2},    {"top-right", 1},    {"left", 4},         {"centre", 6},
    {"right", 5},       {"bottom-left", 8}, {"bottom", 10}, {"bottom-right", 9},
    // Other spellings of the same places.
    {"center", 6},      {"middle", 6}, {"top-centre", 2},   {"top-center", 2},   {"bottom-centre", 10},
    {"bottom-center", 10}, {"middle-left", 4}, {"middle-right", 5}, {"left-top", 0}, {"right-top", 1},
    {"left-bottom", 8}, {"right-bottom", 9},
};

std::optional<int> parsePosition(const std::string& text) {
    std::string name;
    for (char c : text) name += char(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c == '_' ? '-' : c);
    for (const PositionName& p : kPositions)
        if (name == p.name) return p.code;
    return std::nullopt;
}

// A colour switch's value; `error` names the switch when it is none.
std::optional<int32_t> colourValue(const std::string& name, const std::string& text, std::string& error) {
    const std::optional<uint32_t> rgb = parseColour(text);
    if (!rgb) {
        error = name + " takes a colour as #RRGGBB or a CSS name such as red, not '" + text + "'";
        return std::nullopt;
    }
    return recordColour(*rgb);
}

int transparencyOfOpacity(int percent) { return int(std::lround(255.0 * (100 - percent) / 100.0)); }

}  // namespace

bool OperationOptions::any() const {
    return grey || invert || mirror || contrast || tintColour || rotate || background || resize || text || phrases ||
           font || textSize || textColour || outline || noOutline || position || textOpacity || textBeforeRotation ||
           noText;
}

bool takeOperationOption(ArgReader& r, OperationOptions& o, std::string& error) {
    const std::string& a = r.current();
    if (a == "--grey" || a == "--gray") return o.grey = true;
    if (a == "--invert") return o.invert = true;
    if (a == "--no-text") return o.noText = true;
    if (a == "--text-before-rotation" || a == "--text-after-rotation") {
        o.textBeforeRotation = a == "--text-before-rotation";
        return true;
    }
    std::optional<std::string> v;
    if (r.value("--mirror", v, error)) {
        if (!error.empty()) return true;
        if (*v == "h" || *v == "v" || *v == "hv" || *v == "vh") o.mirror = *v;
        else error = "--mirror takes h, v or hv";
    } else if (r.value("--contrast", v, error)) {
        if (error.empty() && !(o.contrast = wholeNumber(*v, 0, 255)))
            error = "--contrast takes a whole number from 0 (unchanged) to 255";
    } else if (r.value("--tint", v, error)) {
        if (!error.empty()) return true;
        const size_t colon = v->rfind(':');
        const std::optional<int> amount =
            colon == std::string::npos ? std::nullopt : wholeNumber(std::string_view(*v).substr(colon + 1), 0, 100);
        if (!amount) error = "--tint takes COLOUR:AMOUNT, the amount in percent from 0 to 100, such as #704214:40";
        else if ((o.tintColour = colourValue("--tint", v->substr(0, colon), error))) o.tintAmount = amount;
    } else if (r.value("--rotate", v, error)) {
        std::optional<int> degrees;
        if (error.empty() && !(degrees = wholeNumber(*v, -360, 360)))
            error = "--rotate takes whole degrees from -360 to 360 (clockwise)";
        else if (degrees) o.rotate = (*degrees % 360 + 360) % 360;
    } else if (r.value("--background", v, error)) {
        if (error.empty()) o.background = colourValue("--background", *v, error);
    } else if (r.value("--resize", v, error)) {
        if (error.empty() && !(o.resize = parseResize(*v)))
            error = "--resize takes WxH (fit inside), WxH! (exactly), WxH> (only shrink), W or xH, sides 1 to 9999";
    } else if (r.value("--text", v, error)) {
        if (!error.empty()) return true;
        std::string text;
        for (char c : *v)
            if (c != '\r') text += c == '\n' ? '|' : c;  // "|" separates the lines of a watermark
        o.text = text;
    } else if (r.value("--phrases", o.phrases, error) || r.value("--font", o.font, error)) {
    } else if (r.value("--text-size", v, error)) {
        if (error.empty() && !(o.textSize = parseTextSize(*v)))
            error = "--text-size takes pixels from 1 to 2000, or a share of the image's height such as 5%";
    } else if (r.value("--text-colour", v, error) || r.value("--text-color", v, error)) {
        if (error.empty()) o.textColour = colourValue("--text-colour", *v, error);
    } else if (r.value("--outline", v, error)) {
        if (error.empty() && *v == "none") o.noOutline = true;
        else if (error.empty()) o.outline = colourValue("--outline", *v, error);
    } else if (r.value("--position", v, error)) {
        if (error.empty() && !(o.position = parsePosition(*v)))
            error = "--position takes top-left, top, top-right, left, centre, right, bottom-left, bottom or "
                    "bottom-right";
    } else if (r.value("--text-opacity", v, error)) {
        if (error.empty() && !(o.textOpacity = wholeNumber(*v, 0, 100)))
            error = "--text-opacity takes a percentage from 0 (invisible) to 100 (opaque)";
    } else {
        return false;
    }
    return true;
}

std::string operationConflict(const OperationOptions& o) {
    if (o.text && o.phrases) return "--text and --phrases name two texts; give one";
    if (o.noText && o.asksText()) return "--no-text and --" + std::string(o.text ? "text" : "phrases") + " contradict";
    if (o.noOutline && o.outline) return "--outline is given twice";
    return {};
}

void applyOperationOptions(const OperationOptions& o, Settings& settings) {
    STRProcesosImage& image = settings.image;
    STRProcesosTexto& texto = settings.texto;
    STRFuente& font = texto.FuenteUsada;
    if (o.grey) image.EscalaGrises = 1;
    if (o.invert) image.InvertirColores = 1;
    if (o.mirror) {
        image.EspejoH = o.mirror->find('h') != std::string::npos;
        image.EspejoV = o.mirror->find('v') != std::string::npos;
    }
    if (o.contrast) image.Contraste = *o.contrast;
    if (o.tintColour) {
        image.TintarImagen = 1;
        image.TinteColor = *o.tintColour;
        image.TinteCantidad = *o.tintAmount;
    }
    if (o.rotate) image.Rotar = *o.rotate;
    if (o.background) image.ColorFondo = *o.background;
    if (o.resize) {
        image.ResizeActivo = 1;
        image.ResizeProporcional = o.resize->exact ? 0 : 1;
        if (o.resize->width) image.ResizeH = o.resize->width;
        if (o.resize->height) image.ResizeV = o.resize->height;
    }
    if (o.text) {
        image.MarcaDeAgua = 1;
        texto.SoloMarcadeAgua = 1;
        texto.TextoMarcaAgua = *o.text;
    }
    if (o.phrases) {
        image.MarcaDeAgua = 1;
        texto.SoloMarcadeAgua = 0;
        texto.ArchivoFrases = *o.phrases;
    }
    if (o.noText) image.MarcaDeAgua = 0;
    if (o.font) font.Nombre = *o.font;
    if (o.textSize && o.textSize->pixels) font.Tamagno = o.textSize->pixels;
    if (o.textColour) font.Color = *o.textColour;
    if (o.outline) font.ColorBorde = *o.outline;
    if (o.textOpacity) font.TransparenciaInterior = font.TransparenciaBorde = transparencyOfOpacity(*o.textOpacity);
    if (o.noOutline) font.TransparenciaBorde = 255;
    if (o.position) texto.TextoPosicion = *o.position;
    if (o.textBeforeRotation) image.RotarAntesQueTexto = *o.textBeforeRotation ? 1 : 0;
}

JobRefinements refinementsOf(const OperationOptions& o) {
    JobRefinements refinements;
    if (o.resize && !o.resize->exact)
        refinements.resizeBox = ResizeBox{o.resize->width, o.resize->height, o.resize->shrinkOnly};
    if (o.textSize && o.textSize->heightShare) refinements.textHeightShare = o.textSize->heightShare;
    return refinements;
}

std::vector<std::string> unsavedOperationOptions(const OperationOptions& o) {
    std::vector<std::string> unsaved;
    if (o.resize && !o.resize->exact) {
        if (o.resize->shrinkOnly) unsaved.push_back("--resize ...> (only shrink)");
        if (o.resize->width == 0 || o.resize->height == 0) unsaved.push_back("--resize with one side");
        else unsaved.push_back("--resize WxH fitting both sides");
    }
    if (o.textSize && o.textSize->heightShare) unsaved.push_back("--text-size N%");
    return unsaved;
}

const char* operationOptionsUsage() {
    return "Operations (each overrides the settings; colours as #RRGGBB or CSS names):\n"
           "  --grey               grey scale\n"
           "  --invert             invert the colours\n"
           "  --mirror h|v|hv      mirror left-right (h), top-bottom (v) or both\n"
           "  --contrast N         contrast, 1 to 255 (0 leaves it unchanged)\n"
           "  --tint COLOUR:AMOUNT tint towards COLOUR by AMOUNT percent, such as #704214:40\n"
           "  --rotate DEG         rotate clockwise by whole degrees over the background\n"
           "  --background COLOUR  the colour a rotation uncovers and lays a rotated image's\n"
           "                       transparent parts over\n"
           "  --resize WxH         fit inside W x H keeping the aspect; WxH! exactly W x H;\n"
           "                       WxH> only shrink, never enlarge; W or xH bound one side\n"
           "  --text TEXT          draw TEXT on every image (\"|\" or a new line between lines)\n"
           "  --phrases FILE       draw the next line of FILE on each image\n"
           "  --no-text            draw no text, whatever the settings file says\n"
           "  --font NAME          the text's font (fontconfig name, such as \"DejaVu Sans\")\n"
           "  --text-size PX|N%    the text's starting size in pixels, or N percent of each\n"
           "                       image's height; a text taller than the image shrinks\n"
           "  --text-colour COLOUR the letters' colour\n"
           "  --outline COLOUR     the letters' outline colour; none draws no outline\n"
           "  --position P         top-left, top, top-right, left, centre, right,\n"
           "                       bottom-left, bottom or bottom-right\n"
           "  --text-opacity N     the text's opacity in percent, 0 to 100\n"
           "  --text-before-rotation, --text-after-rotation\n"
           "                       draw the text before the rotation (it turns with the\n"
           "                       image) or after it (upright)\n"
           "Without a settings file no text is drawn unless --text or --phrases asks for it.\n"
           "A settings file written with --save-config keeps the operations, except what its\n"
           "records cannot hold (fitting both sides of --resize WxH, only shrinking, one\n"
           "side, a text size in percent): those hold for the run only, with a warning.\n";
}

}  // namespace tesselon

#include "ui/font_resolution.h"

#include <QApplication>
#include <cstring>

namespace tesselon {

namespace {

// Faces that name a weight of a family. fontconfig knows "Calibri" as an alias of its
// metric-compatible stand-in but not the light face, so ask for the family at that
// weight and let the match fall back to the regular face when no light one exists.
struct WeightedFace {
    const char* face;
    const char* family;
    QFont::Weight weight;
};
constexpr WeightedFace kWeightedFaces[] = {
    {"Calibri Light", "Calibri", QFont::Light},
};

QFont fullySpecified(QFont font) {
    // Setting each attribute marks it as resolved, which stops inheritance from parents.
    font.setFamilies(QStringList{font.family()});
    font.setPointSizeF(font.pointSizeF());
    font.setWeight(font.weight());
    font.setItalic(font.italic());
    font.setUnderline(false);
    font.setStrikeOut(false);
    return font;
}

}  // namespace

QFont resolveFont(const FontSpec& spec) {
    QFont font = QApplication::font();
    if (spec.face == nullptr) return fullySpecified(font);

    QFont::Weight weight = spec.bold ? QFont::Bold : QFont::Normal;
    if (*spec.face != '\0') {
        QString family = QString::fromUtf8(spec.face);
        for (const WeightedFace& f : kWeightedFaces) {
            if (std::strcmp(f.face, spec.face) == 0) {
                family = QString::fromUtf8(f.family);
                if (!spec.bold) weight = f.weight;
            }
        }
        font.setFamilies(QStringList{family});
    }
    if (spec.points > 0) font.setPointSize(spec.points);
    font.setWeight(weight);
    font.setItalic(spec.italic);
    return fullySpecified(font);
}

}  // namespace tesselon

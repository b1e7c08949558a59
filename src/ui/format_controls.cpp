#include "ui/format_controls.h"

#include "ui/language_table.h"
#include "ui/main_window_controls.h"

namespace tesselon {

namespace {

// The first row of each group, as the window always had it.
constexpr int kFirstRowCount = 3;
constexpr int kSourceFirstRowX[kFirstRowCount] = {795, 860, 925};
constexpr int kResultFirstRowX[kFirstRowCount] = {20, 75, 135};
constexpr int kSourceFirstId = Gadget_Principal_Archivo_CheckBox_ExtensionActiva_JPG;
constexpr int kResultFirstId = Gadget_Principal_Archivo_Option_ExtensionJPG;

// Further rows keep the first row's columns, three to a row in both groups, so that every
// checkbox and option sits under the one above it; each is wide enough for a label of
// four capitals such as WEBP (the extension group's columns are 65 units apart).
constexpr int kSourceAddedWidth = 60;
constexpr int kSourceRowHeight = 22;
constexpr int kResultAddedWidth[kFirstRowCount] = {55, 55, 45};
constexpr int kResultRowHeight = 25;

int rowsFor(size_t count, int firstRow, int perRow) {
    if (count <= size_t(firstRow)) return 1;
    return 1 + int((count - size_t(firstRow) + size_t(perRow) - 1) / size_t(perRow));
}

std::vector<FormatControl> makeSourceControls() {
    std::vector<FormatControl> controls;
    for (const ImageFormat& format : imageFormats()) {
        if (!format.sourceChoice) continue;
        const int i = int(controls.size());
        FormatControl c;
        c.format = &format;
        c.name = "Gadget_Principal_Archivo_CheckBox_ExtensionActiva_" + std::string(format.label);
        if (i < kFirstRowCount) {
            c.id = kSourceFirstId + i;
            c.rect = {kSourceFirstRowX[i], 30, 50, 20};
        } else {
            c.id = kFirstAddedSourceFormatControl + (i - kFirstRowCount);
            c.rect = {kSourceFirstRowX[i % kFirstRowCount], 30 + (i / kFirstRowCount) * kSourceRowHeight,
                      kSourceAddedWidth, 20};
        }
        controls.push_back(std::move(c));
    }
    return controls;
}

std::vector<FormatControl> makeResultControls() {
    std::vector<FormatControl> controls;
    for (const ImageFormat& format : imageFormats()) {
        if (format.settingsValue.empty()) continue;
        const int i = int(controls.size());
        FormatControl c;
        c.format = &format;
        c.name = "Gadget_Principal_Archivo_Option_Extension" + std::string(format.label);
        c.id = i < kFirstRowCount ? kResultFirstId + i : kFirstAddedResultFormatControl + (i - kFirstRowCount);
        const int column = i % kFirstRowCount;
        c.rect = {kResultFirstRowX[column], 120 + (i / kFirstRowCount) * kResultRowHeight,
                  i < kFirstRowCount ? 45 : kResultAddedWidth[column], 20};
        controls.push_back(std::move(c));
    }
    return controls;
}

const FormatControl* find(const std::vector<FormatControl>& controls, int id) {
    for (const FormatControl& c : controls)
        if (c.id == id) return &c;
    return nullptr;
}

}  // namespace

const std::vector<FormatControl>& sourceFormatControls() {
    static const std::vector<FormatControl> controls = makeSourceControls();
    return controls;
}

const std::vector<FormatControl>& resultFormatControls() {
    static const std::vector<FormatControl> controls = makeResultControls();
    return controls;
}

const FormatControl* sourceFormatControl(int id) { return find(sourceFormatControls(), id); }
const FormatControl* resultFormatControl(int id) { return find(resultFormatControls(), id); }

int sourceFormatGroupGrowth() {
    return (rowsFor(sourceFormatControls().size(), kFirstRowCount, kFirstRowCount) - 1) * kSourceRowHeight;
}

int resultFormatGroupGrowth() {
    return (rowsFor(resultFormatControls().size(), kFirstRowCount, kFirstRowCount) - 1) * kResultRowHeight;
}

void addFormatCaptions(LanguageTable& table) {
    for (const auto* controls : {&sourceFormatControls(), &resultFormatControls()})
        for (const FormatControl& c : *controls)
            if (!table.contains(c.name)) table.set(c.name, std::string(c.format->label));
}

}  // namespace tesselon

#include "ui/font_requester.h"

#include <QColorDialog>
#include <QDialogButtonBox>
#include <QFontDialog>
#include <QFontInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/colour_conversion.h"

namespace tesselon {

namespace {

QFont toQFont(const FontChoice& f) {
    QFont font(QString::fromStdString(f.face));
    if (f.points > 0) font.setPointSize(f.points);
    font.setBold(f.bold);
    font.setItalic(f.italic);
    font.setUnderline(f.underline);
    font.setStrikeOut(f.strikeOut);
    return font;
}

}  // namespace

FontRequester::FontRequester(const FontChoice& preset, QWidget* parent)
    : QDialog(parent), preset_(preset), colour_(preset.colour & 0xFFFFFF) {
    setObjectName("FontRequester");
    setWindowTitle("Fuente");
    // The dialog lists the faces installed here, so it is shown the one the preset's
    // name resolves to (Arial is drawn with Liberation Sans).
    QFont initial = toQFont(preset);
    presetFamily_ = QFontInfo(initial).family();
    initial.setFamily(presetFamily_);

    // The system's font dialog, embedded without its own buttons: this dialog's OK and
    // Cancel answer for the font and the colour together.
    fonts_ = new QFontDialog(initial, this);
    fonts_->setWindowFlags(Qt::Widget);
    fonts_->setOptions(QFontDialog::NoButtons | QFontDialog::DontUseNativeDialog);
    fonts_->setCurrentFont(initial);

    auto* colourLabel = new QLabel("Color:", this);
    colourButton_ = new QPushButton(this);
    colourButton_->setObjectName("FontColour");
    colourButton_->setAccessibleName("Color del texto");
    colourLabel->setBuddy(colourButton_);
    connect(colourButton_, &QPushButton::clicked, this, &FontRequester::chooseColour);
    setColour(colour_);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* colourRow = new QHBoxLayout;
    colourRow->addWidget(colourLabel);
    colourRow->addWidget(colourButton_);
    colourRow->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(fonts_);
    layout->addLayout(colourRow);
    layout->addWidget(buttons);
}

void FontRequester::setColour(uint32_t colour) {
    colour_ = colour & 0xFFFFFF;
    QPixmap swatch(48, 16);
    swatch.fill(toQColor(colour_));
    colourButton_->setIcon(QIcon(swatch));
    colourButton_->setIconSize(swatch.size());
}

void FontRequester::chooseColour() {
    const QColor chosen = QColorDialog::getColor(toQColor(colour_), this, "Color del texto");
    if (chosen.isValid()) setColour(fromQColor(chosen));
}

FontChoice FontRequester::choice() const {
    const QFont font = fonts_->currentFont();
    FontChoice out;
    const QString family = font.family();
    out.face = family == presetFamily_ ? preset_.face : family.toStdString();
    out.points = font.pointSize() > 0 ? font.pointSize() : preset_.points;
    out.colour = colour_;
    out.bold = font.bold();
    out.italic = font.italic();
    out.underline = font.underline();
    out.strikeOut = font.strikeOut();
    return out;
}

}  // namespace tesselon

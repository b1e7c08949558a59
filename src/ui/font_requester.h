// The font requester: the system's font dialog with its underline and strike-out
// effects, plus the colour of the text, answered together as one choice.
#pragma once

#include <QDialog>

#include "ui/requesters.h"

class QFontDialog;
class QPushButton;

namespace tesselon {

class FontRequester : public QDialog {
    Q_OBJECT
public:
    explicit FontRequester(const FontChoice& preset, QWidget* parent = nullptr);

    // The font as it stands in the dialog. A face that the dialog shows under the name
    // of its substitute (Arial as Liberation Sans) keeps the name it was given.
    FontChoice choice() const;

    QFontDialog* fontDialog() const { return fonts_; }
    void setColour(uint32_t colour);

private:
    void chooseColour();

    FontChoice preset_;
    QString presetFamily_;  // what the preset's face resolves to here
    uint32_t colour_ = 0;
    QFontDialog* fonts_ = nullptr;
    QPushButton* colourButton_ = nullptr;
};

}  // namespace tesselon

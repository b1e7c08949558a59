// A static text that stays readable in the box it was given. Boxes are sized for the
// fonts of the system the layout was drawn on; where the substitute font here is wider
// or taller, the text is drawn a little smaller instead of being cut off.
#pragma once

#include <QLabel>

namespace tesselon {

class FittingLabel : public QLabel {
    Q_OBJECT
public:
    static constexpr qreal kSmallestPoints = 6.0;

    explicit FittingLabel(QWidget* parent = nullptr) : QLabel(parent) {}

    // The size the text is drawn at: the font's own when the text fits, else the
    // largest half-point step down to kSmallestPoints that fits.
    qreal fittedPointSize() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QRect textArea() const;
    bool fits(const QFont& font) const;
};

}  // namespace tesselon

#include "ui/fitting_label.h"

#include <QFontMetrics>
#include <QPainter>
#include <QStyle>
#include <algorithm>

namespace tesselon {

namespace {
int drawFlags(Qt::Alignment alignment, bool wraps) { return int(alignment) | (wraps ? Qt::TextWordWrap : 0); }
}  // namespace

QRect FittingLabel::textArea() const {
    const int m = margin();
    return contentsRect().adjusted(m, m, -m, -m);
}

bool FittingLabel::fits(const QFont& font) const {
    const QRect area = textArea();
    const QFontMetrics metrics(font);
    const QRect needed = metrics.boundingRect(area, drawFlags(alignment(), wordWrap()), text());
    // The last line may lose the space below its baseline, as it would in a box drawn
    // for the original font: digits and most capitals have nothing there.
    return needed.width() <= area.width() && needed.height() - metrics.descent() <= area.height();
}

qreal FittingLabel::fittedPointSize() const {
    QFont font = this->font();
    const qreal own = font.pointSizeF();
    if (text().isEmpty() || own <= 0 || fits(font)) return own;
    for (qreal size = own - 0.5; size > kSmallestPoints; size -= 0.5) {
        font.setPointSizeF(size);
        if (fits(font)) return size;
    }
    return std::min(own, kSmallestPoints);
}

void FittingLabel::paintEvent(QPaintEvent* event) {
    const qreal size = fittedPointSize();
    if (size == font().pointSizeF()) {
        QLabel::paintEvent(event);
        return;
    }
    QFrame::paintEvent(event);  // the border, if any
    QFont smaller = font();
    smaller.setPointSizeF(size);
    QPainter painter(this);
    painter.setFont(smaller);
    style()->drawItemText(&painter, textArea(), drawFlags(alignment(), wordWrap()), palette(), isEnabled(), text(),
                          foregroundRole());
}

}  // namespace tesselon

#include "ui/unreadable_placeholder.h"

#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QPen>
#include <algorithm>

#include "ui/image_conversion.h"

namespace tesselon {

namespace {

constexpr QRgb kBackground = 0x2B2B2B;
constexpr QRgb kFrame = 0x5A5A5A;
constexpr QRgb kTitle = 0xFFD040;
constexpr QRgb kText = 0xF0F0F0;

QString sentence(std::string_view reason) {
    QString text = QString::fromUtf8(reason.data(), qsizetype(reason.size()));
    if (!text.isEmpty()) text[0] = text[0].toUpper();
    return text + ".";
}

}  // namespace

ImageObject drawUnreadablePlaceholder(int width, int height, double scale, std::string_view name,
                                      std::string_view reason) {
    if (width <= 0 || height <= 0) return {};
    QImage picture(width, height, QImage::Format_RGB32);
    if (picture.isNull()) return {};
    picture.fill(kBackground);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    const int margin = int(12 * scale);
    const QRect inner = picture.rect().adjusted(margin, margin, -margin, -margin);
    painter.setPen(QPen(QColor(kFrame), std::max(1.0, 2 * scale), Qt::DashLine));
    painter.drawRoundedRect(inner, 6 * scale, 6 * scale);

    QFont title("Calibri");
    title.setBold(true);
    title.setPixelSize(int(22 * scale));
    QFont body("Calibri");
    body.setPixelSize(int(14 * scale));
    const QRect textBox = inner.adjusted(margin, margin, -margin, -margin);
    const QFontMetrics titleMetrics(title);
    const QFontMetrics bodyMetrics(body);
    const QString file = bodyMetrics.elidedText(QString::fromUtf8(name.data(), qsizetype(name.size())),
                                                Qt::ElideMiddle, textBox.width());
    const QString why = sentence(reason);
    const int whyHeight =
        bodyMetrics.boundingRect(textBox, Qt::AlignHCenter | Qt::TextWordWrap, why).height();
    const int gap = int(8 * scale);
    const int total = titleMetrics.height() + gap + bodyMetrics.height() + gap + whyHeight;
    int y = textBox.top() + std::max(0, (textBox.height() - total) / 2);

    painter.setFont(title);
    painter.setPen(QColor(kTitle));
    painter.drawText(QRect(textBox.left(), y, textBox.width(), titleMetrics.height()), Qt::AlignHCenter,
                     QStringLiteral("No se puede leer"));
    y += titleMetrics.height() + gap;
    painter.setFont(body);
    painter.setPen(QColor(kText));
    painter.drawText(QRect(textBox.left(), y, textBox.width(), bodyMetrics.height()), Qt::AlignHCenter, file);
    y += bodyMetrics.height() + gap;
    painter.drawText(QRect(textBox.left(), y, textBox.width(), whyHeight), Qt::AlignHCenter | Qt::TextWordWrap, why);
    painter.end();
    return toImageObject(picture);
}

}  // namespace tesselon

#include "ui/control_registry.h"

#include <QAbstractButton>
#include <QApplication>
#include <QButtonGroup>
#include <QFontMetrics>
#include <QGroupBox>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QSpinBox>
#include <QStyle>
#include <QTabWidget>
#include <algorithm>
#include <charconv>

#include "ui/colour_conversion.h"
#include "ui/font_resolution.h"
#include "ui/image_conversion.h"

namespace tesselon {

namespace {

QString toQ(std::string_view s) { return QString::fromUtf8(s.data(), qsizetype(s.size())); }

// Buttons, group boxes and tabs read "&" as a keyboard mnemonic; captions are plain text.
QString escapeMnemonic(QString s) { return s.replace('&', "&&"); }
QString unescapeMnemonic(QString s) { return s.replace("&&", "&"); }

// Breaks a caption at blanks so that each line fits the width; a word longer than the
// width keeps a line of its own.
QString wrapToWidth(const QString& caption, const QFont& font, int width) {
    const QFontMetrics metrics(font);
    QStringList lines;
    QString line;
    for (const QString& word : caption.split(' ', Qt::SkipEmptyParts)) {
        QString candidate = line.isEmpty() ? word : line + ' ' + word;
        if (!line.isEmpty() && metrics.horizontalAdvance(candidate) > width) {
            lines << line;
            line = word;
        } else {
            line = candidate;
        }
    }
    if (!line.isEmpty()) lines << line;
    return lines.join('\n');
}

bool isButtonLike(ControlKind k) {
    return k == ControlKind::Button || k == ControlKind::ImageButton || k == ControlKind::Checkbox ||
           k == ControlKind::Option;
}

QPalette::ColorRole backRole(ControlKind k) {
    switch (k) {
    case ControlKind::String:
    case ControlKind::Spin:
    case ControlKind::ProgressBar: return QPalette::Base;
    case ControlKind::Button:
    case ControlKind::ImageButton: return QPalette::Button;
    default: return QPalette::Window;
    }
}

QPalette::ColorRole foreRole(ControlKind k) {
    switch (k) {
    case ControlKind::String:
    case ControlKind::Spin: return QPalette::Text;
    case ControlKind::Button:
    case ControlKind::ImageButton: return QPalette::ButtonText;
    case ControlKind::ProgressBar: return QPalette::Highlight;  // the bar itself
    default: return QPalette::WindowText;
    }
}

}  // namespace

ControlRegistry::~ControlRegistry() {
    for (const QMetaObject::Connection& c : connections_) QObject::disconnect(c);
}

bool ControlRegistry::add(int id, ControlKind kind, QWidget* widget, std::string name, QButtonGroup* group) {
    if (widget == nullptr || entries_.count(id) != 0) return false;
    Entry& entry = entries_[id];
    entry.kind = kind;
    entry.widget = widget;
    entry.name = std::move(name);
    entry.group = group;
    order_.push_back(id);
    connectEvents(id, entry);
    return true;
}

void ControlRegistry::connectEvents(int id, const Entry& entry) {
    QWidget* w = entry.widget;
    auto on = [this, id](ControlEventKind kind) { return [this, id, kind] { emitEvent(id, kind); }; };
    switch (entry.kind) {
    case ControlKind::Button:
    case ControlKind::ImageButton:
    case ControlKind::Checkbox:
    case ControlKind::Option:
        connections_.push_back(QObject::connect(static_cast<QAbstractButton*>(w), &QAbstractButton::clicked, w,
                                                on(ControlEventKind::Clicked)));
        break;
    case ControlKind::Trackbar:
        connections_.push_back(QObject::connect(static_cast<QSlider*>(w), &QSlider::valueChanged, w,
                                                on(ControlEventKind::Changed)));
        break;
    case ControlKind::Spin: {
        auto* spin = static_cast<QSpinBox*>(w);
        connections_.push_back(QObject::connect(spin, &QSpinBox::valueChanged, w, on(ControlEventKind::Changed)));
        connections_.push_back(
            QObject::connect(spin, &QSpinBox::editingFinished, w, on(ControlEventKind::EditFinished)));
        break;
    }
    case ControlKind::String: {
        auto* edit = static_cast<QLineEdit*>(w);
        connections_.push_back(QObject::connect(edit, &QLineEdit::textEdited, w, on(ControlEventKind::Changed)));
        connections_.push_back(
            QObject::connect(edit, &QLineEdit::editingFinished, w, on(ControlEventKind::EditFinished)));
        break;
    }
    case ControlKind::Panel:
        connections_.push_back(QObject::connect(static_cast<QTabWidget*>(w), &QTabWidget::currentChanged, w,
                                                on(ControlEventKind::Changed)));
        break;
    default: break;
    }
}

void ControlRegistry::emitEvent(int id, ControlEventKind kind) {
    if (sink_) sink_(id, kind);
}

bool ControlRegistry::bindImmediate(int id, QObject* context, std::function<void()> callback) {
    const Entry* e = find(id);
    if (e == nullptr || !isButtonLike(e->kind) || context == nullptr || !callback) return false;
    auto* button = static_cast<QAbstractButton*>(e->widget.data());
    connections_.push_back(
        QObject::connect(button, &QAbstractButton::clicked, context, [cb = std::move(callback)] { cb(); }));
    return true;
}

const ControlRegistry::Entry* ControlRegistry::find(int id) const {
    auto it = entries_.find(id);
    return it == entries_.end() || it->second.widget.isNull() ? nullptr : &it->second;
}

ControlRegistry::Entry* ControlRegistry::find(int id) {
    auto it = entries_.find(id);
    return it == entries_.end() || it->second.widget.isNull() ? nullptr : &it->second;
}

bool ControlRegistry::contains(int id) const { return find(id) != nullptr; }

std::vector<int> ControlRegistry::ids() const { return order_; }

std::optional<ControlKind> ControlRegistry::kind(int id) const {
    const Entry* e = find(id);
    return e ? std::optional<ControlKind>(e->kind) : std::nullopt;
}

std::string ControlRegistry::name(int id) const {
    const Entry* e = find(id);
    return e ? e->name : std::string();
}

QWidget* ControlRegistry::widget(int id) const {
    const Entry* e = find(id);
    return e ? e->widget.data() : nullptr;
}

QButtonGroup* ControlRegistry::group(int id) const {
    const Entry* e = find(id);
    return e ? e->group : nullptr;
}

int ControlRegistry::idOf(const QWidget* widget) const {
    for (const QWidget* w = widget; w != nullptr; w = w->parentWidget()) {
        for (const auto& [id, entry] : entries_)
            if (entry.widget == w) return id;
        if (w->isWindow()) break;
    }
    return 0;
}

int ControlRegistry::focusedControl() const {
    if (const int id = idOf(QApplication::focusWidget())) return id;
    // The window may not be the active one (a message box is up); its focus child
    // still says which control will get the keys.
    for (const auto& [id, entry] : entries_)
        if (entry.widget) return idOf(entry.widget->window()->focusWidget());
    return 0;
}

void ControlRegistry::setVisible(int id, bool visible) {
    if (Entry* e = find(id)) e->widget->setVisible(visible);
}

bool ControlRegistry::isVisible(int id) const {
    const Entry* e = find(id);
    return e && !e->widget->isHidden();
}

void ControlRegistry::setEnabled(int id, bool enabled) {
    if (Entry* e = find(id)) e->widget->setEnabled(enabled);
}

bool ControlRegistry::isEnabled(int id) const {
    const Entry* e = find(id);
    return e && !e->widget->testAttribute(Qt::WA_ForceDisabled);
}

void ControlRegistry::showCaption(Entry& e) {
    QWidget* w = e.widget;
    const QString caption = toQ(e.caption);
    switch (e.kind) {
    case ControlKind::Button:
    case ControlKind::Checkbox:
    case ControlKind::Option: {
        QString shown = caption;
        if (e.wrapsCaption)
            shown = wrapToWidth(caption, w->font(), w->width() - 2 * w->style()->pixelMetric(QStyle::PM_ButtonMargin));
        static_cast<QAbstractButton*>(w)->setText(escapeMnemonic(shown));
        break;
    }
    case ControlKind::Frame: static_cast<QGroupBox*>(w)->setTitle(escapeMnemonic(caption)); break;
    default: break;
    }
}

std::string ControlRegistry::text(int id) const {
    const Entry* e = find(id);
    if (e == nullptr) return {};
    QWidget* w = e->widget;
    switch (e->kind) {
    case ControlKind::Text: return static_cast<QLabel*>(w)->text().toStdString();
    case ControlKind::String: return static_cast<QLineEdit*>(w)->text().toStdString();
    case ControlKind::Spin: return std::to_string(static_cast<QSpinBox*>(w)->value());
    case ControlKind::Panel: {
        auto* tabs = static_cast<QTabWidget*>(w);
        return itemText(id, tabs->currentIndex());
    }
    default: return e->caption;
    }
}

void ControlRegistry::setText(int id, std::string_view text) {
    Entry* e = find(id);
    if (e == nullptr) return;
    QWidget* w = e->widget;
    const QSignalBlocker quiet(w);
    switch (e->kind) {
    case ControlKind::Text: static_cast<QLabel*>(w)->setText(toQ(text)); break;
    case ControlKind::String: static_cast<QLineEdit*>(w)->setText(toQ(text)); break;
    case ControlKind::Spin: {
        int value = 0;
        auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
        if (ec == std::errc() && end == text.data() + text.size()) static_cast<QSpinBox*>(w)->setValue(value);
        break;
    }
    case ControlKind::Panel: setItemText(id, static_cast<QTabWidget*>(w)->currentIndex(), text); break;
    case ControlKind::Button:
    case ControlKind::Checkbox:
    case ControlKind::Option:
    case ControlKind::Frame:
        e->caption = std::string(text);
        showCaption(*e);
        break;
    default: e->caption = std::string(text); break;
    }
}

int ControlRegistry::state(int id) const {
    const Entry* e = find(id);
    if (e == nullptr) return 0;
    QWidget* w = e->widget;
    switch (e->kind) {
    case ControlKind::Checkbox:
    case ControlKind::Option: return static_cast<QAbstractButton*>(w)->isChecked() ? 1 : 0;
    case ControlKind::Trackbar: return static_cast<QSlider*>(w)->value();
    case ControlKind::Spin: return static_cast<QSpinBox*>(w)->value();
    case ControlKind::ProgressBar: return static_cast<QProgressBar*>(w)->value();
    case ControlKind::Panel: return static_cast<QTabWidget*>(w)->currentIndex();
    default: return 0;
    }
}

void ControlRegistry::setState(int id, int state) {
    Entry* e = find(id);
    if (e == nullptr) return;
    QWidget* w = e->widget;
    const QSignalBlocker quiet(w);
    switch (e->kind) {
    case ControlKind::Checkbox: static_cast<QAbstractButton*>(w)->setChecked(state != 0); break;
    case ControlKind::Option: {
        auto* option = static_cast<QAbstractButton*>(w);
        if (state != 0) {
            option->setChecked(true);
        } else if (e->group != nullptr && e->group->exclusive()) {
            // An exclusive group refuses to uncheck its checked member; lift the rule for
            // the moment so the group can show no selection at all.
            e->group->setExclusive(false);
            option->setChecked(false);
            e->group->setExclusive(true);
        } else {
            option->setChecked(false);
        }
        break;
    }
    case ControlKind::Trackbar: static_cast<QSlider*>(w)->setValue(state); break;
    case ControlKind::Spin: static_cast<QSpinBox*>(w)->setValue(state); break;
    case ControlKind::ProgressBar: static_cast<QProgressBar*>(w)->setValue(state); break;
    case ControlKind::Panel: {
        auto* tabs = static_cast<QTabWidget*>(w);
        if (state >= 0 && state < tabs->count()) tabs->setCurrentIndex(state);
        break;
    }
    default: break;
    }
}

void ControlRegistry::setRange(int id, int minimum, int maximum) {
    Entry* e = find(id);
    if (e == nullptr) return;
    QWidget* w = e->widget;
    const QSignalBlocker quiet(w);
    switch (e->kind) {
    case ControlKind::Trackbar: {
        auto* slider = static_cast<QSlider*>(w);
        slider->setRange(minimum, maximum);
        // About ten tick marks whatever the span, so the scale stays readable.
        slider->setTickInterval(std::max(1, (maximum - minimum) / 10));
        break;
    }
    case ControlKind::Spin: static_cast<QSpinBox*>(w)->setRange(minimum, maximum); break;
    case ControlKind::ProgressBar: static_cast<QProgressBar*>(w)->setRange(minimum, maximum); break;
    default: break;
    }
}

void ControlRegistry::applyColours(Entry& e) {
    QWidget* w = e.widget;
    QPalette palette = w->palette();
    if (e.back) {
        palette.setColor(backRole(e.kind), toQColor(*e.back));
        if (backRole(e.kind) == QPalette::Window) {
            // A check box or option fills with the button role unless told otherwise.
            w->setBackgroundRole(QPalette::Window);
            w->setAutoFillBackground(true);
        }
    }
    if (e.fore) palette.setColor(foreRole(e.kind), toQColor(*e.fore));
    w->setPalette(palette);
}

void ControlRegistry::setBackColour(int id, uint32_t colour) {
    if (Entry* e = find(id)) {
        e->back = colour & 0xFFFFFF;
        applyColours(*e);
    }
}

uint32_t ControlRegistry::backColour(int id) const {
    const Entry* e = find(id);
    if (e == nullptr) return 0;
    return e->back ? *e->back : fromQColor(e->widget->palette().color(backRole(e->kind)));
}

void ControlRegistry::setTextColour(int id, uint32_t colour) {
    if (Entry* e = find(id)) {
        e->fore = colour & 0xFFFFFF;
        applyColours(*e);
    }
}

uint32_t ControlRegistry::textColour(int id) const {
    const Entry* e = find(id);
    if (e == nullptr) return 0;
    return e->fore ? *e->fore : fromQColor(e->widget->palette().color(foreRole(e->kind)));
}

void ControlRegistry::setFont(int id, const FontSpec& font) {
    Entry* e = find(id);
    if (e == nullptr) return;
    e->widget->setFont(resolveFont(font));
    showCaption(*e);  // a wrapped caption depends on the font
}

QFont ControlRegistry::font(int id) const {
    const Entry* e = find(id);
    return e ? e->widget->font() : QFont();
}

void ControlRegistry::setCaptionWraps(int id, bool wraps) {
    Entry* e = find(id);
    if (e == nullptr) return;
    e->wrapsCaption = wraps;
    showCaption(*e);
}

bool ControlRegistry::setImage(int id, const ImageObject& image) {
    Entry* e = find(id);
    if (e == nullptr) return false;
    QWidget* w = e->widget;
    const QPixmap pixmap = toPixmap(image, w->devicePixelRatioF());
    if (e->kind == ControlKind::Image) {
        auto* label = static_cast<QLabel*>(w);
        if (pixmap.isNull())
            label->clear();
        else
            label->setPixmap(pixmap);
        return !pixmap.isNull();
    }
    if (e->kind == ControlKind::ImageButton) {
        auto* button = static_cast<QPushButton*>(w);
        button->setIcon(pixmap.isNull() ? QIcon() : QIcon(pixmap));
        if (!pixmap.isNull()) button->setIconSize(pixmap.deviceIndependentSize().toSize());
        return !pixmap.isNull();
    }
    return false;
}

void ControlRegistry::setToolTip(int id, std::string_view text) {
    if (Entry* e = find(id)) e->widget->setToolTip(toQ(text));
}

std::string ControlRegistry::toolTip(int id) const {
    const Entry* e = find(id);
    return e ? e->widget->toolTip().toStdString() : std::string();
}

void ControlRegistry::setItemText(int id, int item, std::string_view text) {
    Entry* e = find(id);
    if (e == nullptr || e->kind != ControlKind::Panel) return;
    auto* tabs = static_cast<QTabWidget*>(e->widget.data());
    if (item >= 0 && item < tabs->count()) tabs->setTabText(item, escapeMnemonic(toQ(text)));
}

std::string ControlRegistry::itemText(int id, int item) const {
    const Entry* e = find(id);
    if (e == nullptr || e->kind != ControlKind::Panel) return {};
    auto* tabs = static_cast<QTabWidget*>(e->widget.data());
    if (item < 0 || item >= tabs->count()) return {};
    return unescapeMnemonic(tabs->tabText(item)).toStdString();
}

}  // namespace tesselon

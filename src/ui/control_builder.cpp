#include "ui/control_builder.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>

#include "ui/control_registry.h"
#include "ui/fitting_label.h"

namespace tesselon {

namespace {

Qt::Alignment horizontalAlignment(unsigned style) {
    if (style & kAlignCentre) return Qt::AlignHCenter;
    if (style & kAlignRight) return Qt::AlignRight;
    return Qt::AlignLeft;
}

QWidget* createWidget(const ControlSpec& spec, QWidget* parent) {
    switch (spec.kind) {
    case ControlKind::Text: {
        auto* label = new FittingLabel(parent);
        label->setTextFormat(Qt::PlainText);
        // Static texts wrap at word boundaries and start at the top of their box.
        label->setWordWrap(true);
        label->setAlignment(horizontalAlignment(spec.style) | Qt::AlignTop);
        if (spec.style & kSunkenBorder) label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        return label;
    }
    case ControlKind::Button:
    case ControlKind::ImageButton: return new QPushButton(parent);
    case ControlKind::Checkbox: return new QCheckBox(parent);
    case ControlKind::Option: {
        auto* option = new QRadioButton(parent);
        option->setAutoExclusive(false);  // its QButtonGroup makes the group exclusive
        return option;
    }
    case ControlKind::String: {
        auto* edit = new QLineEdit(parent);
        edit->setReadOnly(spec.style & kReadOnly);
        return edit;
    }
    case ControlKind::Frame: return new QGroupBox(parent);
    case ControlKind::Panel: return new QTabWidget(parent);
    case ControlKind::Container: {
        auto* frame = new QFrame(parent);
        frame->setAutoFillBackground(true);
        return frame;
    }
    case ControlKind::Trackbar: {
        auto* slider = new QSlider(Qt::Horizontal, parent);
        slider->setTickPosition(QSlider::TicksBelow);
        return slider;
    }
    case ControlKind::Spin: return new QSpinBox(parent);
    case ControlKind::Image: {
        auto* label = new QLabel(parent);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        return label;
    }
    case ControlKind::ProgressBar: {
        auto* bar = new QProgressBar(parent);
        bar->setTextVisible(false);
        return bar;
    }
    }
    return nullptr;
}

bool hasRange(ControlKind k) {
    return k == ControlKind::Trackbar || k == ControlKind::Spin || k == ControlKind::ProgressBar;
}

// The page or container a control is created in; null when it does not exist.
QWidget* parentWidget(QWidget* window, const ControlSpec& spec, const ControlRegistry& registry) {
    if (spec.parent.control == 0) return window;
    QWidget* parent = registry.widget(spec.parent.control);
    if (parent == nullptr) return nullptr;
    if (registry.kind(spec.parent.control) == ControlKind::Panel)
        return static_cast<QTabWidget*>(parent)->widget(spec.parent.tab);
    return parent;
}

}  // namespace

int buildControls(QWidget* window, const WindowContent& content, ControlRegistry& registry,
                  LanguageTable& table) {
    int created = 0;
    const ControlSpec* previous = nullptr;
    QButtonGroup* group = nullptr;

    for (const ControlSpec& spec : content.controls) {
        QWidget* parent = parentWidget(window, spec, registry);
        if (parent == nullptr) continue;
        QWidget* widget = createWidget(spec, parent);
        widget->setObjectName(QString::fromUtf8(spec.name));
        widget->setGeometry(spec.rect.x, spec.rect.y, spec.rect.width, spec.rect.height);

        // Options created one after another in the same parent form one group.
        if (spec.kind == ControlKind::Option) {
            const bool continues = previous != nullptr && previous->kind == ControlKind::Option &&
                                   previous->parent.control == spec.parent.control &&
                                   previous->parent.tab == spec.parent.tab;
            if (!continues) {
                group = new QButtonGroup(parent);
                group->setExclusive(true);
            }
            group->addButton(static_cast<QAbstractButton*>(widget), spec.id);
        }
        registry.add(spec.id, spec.kind, widget, spec.name, spec.kind == ControlKind::Option ? group : nullptr);
        previous = &spec;
        ++created;

        if (spec.kind == ControlKind::Panel) {
            auto* tabs = static_cast<QTabWidget*>(widget);
            for (const char* key : content.panelTabKeys) {
                auto* page = new QWidget;
                page->setObjectName(QString::fromUtf8(key));
                tabs->addTab(page, QString());
            }
        }

        registry.setFont(spec.id, spec.font);
        if (spec.kind == ControlKind::Panel) {
            // The tab captions use the panel's font; the pages' controls set their own.
            for (size_t i = 0; i < content.panelTabKeys.size(); ++i)
                registry.setItemText(spec.id, int(i), table.lookupText(content.panelTabKeys[i]));
        }
        if (hasRange(spec.kind)) registry.setRange(spec.id, spec.range.minimum, spec.range.maximum);
        if (spec.style & kMultiLine && spec.kind == ControlKind::Button) registry.setCaptionWraps(spec.id, true);

        std::string caption;
        if (spec.captioned) {
            caption = table.lookupText(spec.name);
            registry.setText(spec.id, caption);
        }
        if (spec.colours.back != kSystemColour) registry.setBackColour(spec.id, uint32_t(spec.colours.back));
        if (spec.colours.text != kSystemColour) registry.setTextColour(spec.id, uint32_t(spec.colours.text));

        std::string tooltip;
        if (spec.tooltip) {
            tooltip = table.lookupText(std::string(spec.name) + "_ToolTip");
            registry.setToolTip(spec.id, tooltip);
            widget->setAccessibleDescription(QString::fromStdString(tooltip));
        }
        if (spec.image != 0 && content.images != nullptr && spec.image <= kInterfaceImageCount)
            registry.setImage(spec.id, (*content.images)[size_t(spec.image - 1)]);

        // Screen readers announce the caption; where it cannot name the control (an
        // image, a field whose caption is its content, a symbol) a name of its own.
        if (spec.spokenName != nullptr)
            widget->setAccessibleName(QString::fromUtf8(spec.spokenName));
        else if (caption.empty() && !tooltip.empty())
            widget->setAccessibleName(QString::fromStdString(tooltip));
    }
    return created;
}

}  // namespace tesselon

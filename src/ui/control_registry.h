// The controls of one window by number, and the operations every other part of the
// program uses on them: visibility, enabled state, text, state, range, colours, fonts,
// images, tooltips and tab captions. Values set here never raise control events; only
// the user's actions do.
#pragma once

#include <QPointer>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/imaging/image_object.h"
#include "ui/control_types.h"

class QButtonGroup;

namespace tesselon {

class ControlRegistry {
public:
    // Receives every user action on a control: clicks, value and text changes.
    using EventSink = std::function<void(int control, ControlEventKind kind)>;

    ControlRegistry() = default;
    ~ControlRegistry();
    ControlRegistry(const ControlRegistry&) = delete;
    ControlRegistry& operator=(const ControlRegistry&) = delete;

    // Takes a created widget under its number (the window owns the widget). An option
    // joins `group`, the exclusive group of its neighbours. A number already present is
    // refused.
    bool add(int id, ControlKind kind, QWidget* widget, std::string name, QButtonGroup* group = nullptr);
    void setEventSink(EventSink sink) { sink_ = std::move(sink); }

    // Connects a callback to the control's main action (a click, or a checkbox
    // toggled by the user) that runs at once, whatever the window's event dispatch is
    // doing: the cancel buttons and the preview checkbox. The binding ends with
    // `context`, the object the callback works on.
    bool bindImmediate(int id, QObject* context, std::function<void()> callback);

    bool contains(int id) const;
    std::vector<int> ids() const;  // in creation order
    std::optional<ControlKind> kind(int id) const;
    std::string name(int id) const;
    QWidget* widget(int id) const;
    QButtonGroup* group(int id) const;
    // The control a widget belongs to (the widget itself or one of its parts), 0 if none.
    int idOf(const QWidget* widget) const;
    // The control holding the keyboard focus, 0 if none of them.
    int focusedControl() const;

    // The control's own flags: a control on a hidden tab page or inside a disabled
    // parent keeps the values last set here.
    void setVisible(int id, bool visible);
    bool isVisible(int id) const;
    void setEnabled(int id, bool enabled);
    bool isEnabled(int id) const;

    // Caption of a button, checkbox, option, frame or text; content of a text field;
    // the value of a spin as decimal text; the caption of a panel's current tab.
    std::string text(int id) const;
    void setText(int id, std::string_view text);

    // Checkbox and option: 1 checked, 0 not. Trackbar, spin, progress bar: position.
    // Panel: the current tab. Setting 0 on an option leaves its whole group unselected.
    int state(int id) const;
    void setState(int id, int state);
    void setRange(int id, int minimum, int maximum);

    // 0x00BBGGRR. Reading gives exactly the colour last set; a control never given one
    // reports what the style paints it with.
    void setBackColour(int id, uint32_t colour);
    uint32_t backColour(int id) const;
    void setTextColour(int id, uint32_t colour);
    uint32_t textColour(int id) const;

    void setFont(int id, const FontSpec& font);
    QFont font(int id) const;
    // A button whose caption may take several lines breaks it at blanks to fit.
    void setCaptionWraps(int id, bool wraps);

    // The image of an image control or image button; an invalid image clears it.
    bool setImage(int id, const ImageObject& image);
    void setToolTip(int id, std::string_view text);
    std::string toolTip(int id) const;

    // Captions of a panel's tabs.
    void setItemText(int id, int item, std::string_view text);
    std::string itemText(int id, int item) const;

private:
    struct Entry {
        ControlKind kind;
        QPointer<QWidget> widget;
        std::string name;
        QButtonGroup* group = nullptr;
        std::string caption;  // as given, before escaping and wrapping
        bool wrapsCaption = false;
        std::optional<uint32_t> back;
        std::optional<uint32_t> fore;
    };

    const Entry* find(int id) const;
    Entry* find(int id);
    void connectEvents(int id, const Entry& entry);
    void emitEvent(int id, ControlEventKind kind);
    void showCaption(Entry& entry);
    void applyColours(Entry& entry);

    std::map<int, Entry> entries_;
    std::vector<int> order_;
    std::vector<QMetaObject::Connection> connections_;
    EventSink sink_;
};

}  // namespace tesselon

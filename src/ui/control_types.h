// The vocabulary shared by the window builders, the control registry and the event
// dispatch: kinds of control, their styles and fonts, and the events they raise.
#pragma once

#include <cstdint>

namespace tesselon {

enum class ControlKind {
    Text,         // QLabel
    Button,       // QPushButton with a caption
    ImageButton,  // QPushButton with an icon
    Checkbox,     // QCheckBox
    Option,       // QRadioButton in a QButtonGroup
    String,       // QLineEdit
    Frame,        // QGroupBox
    Panel,        // QTabWidget
    Container,    // QFrame
    Trackbar,     // QSlider with tick marks
    Spin,         // QSpinBox
    Image,        // QLabel showing a pixmap
    ProgressBar,  // QProgressBar
};

// Style bits of a control.
enum ControlStyle : unsigned {
    kStyleNone = 0,
    kAlignCentre = 1u << 0,
    kAlignRight = 1u << 1,
    kSunkenBorder = 1u << 2,
    kReadOnly = 1u << 3,
    kMultiLine = 1u << 4,  // a button caption may wrap; an edit may hold lines
};

// A font as the window tables give it. A null face keeps the default interface font;
// an empty face leaves the face to the system at the given size.
struct FontSpec {
    const char* face = nullptr;
    int points = 0;
    bool bold = false;
    bool italic = false;
};

inline constexpr FontSpec kDefaultFont{};

// Colours are 0x00BBGGRR; this marks "the system's colour".
inline constexpr int64_t kSystemColour = -1;

// What the user did to a control.
enum class ControlEventKind {
    Clicked,       // button, image button, checkbox or option pressed
    Changed,       // trackbar, spin or text changed by the user; another tab chosen
    EditFinished,  // Return pressed in a text field or spin, or focus left it
};

enum class WindowEventType {
    CloseRequest,  // the title-bar close button or the system menu
    Control,       // an event of the control named in `control`
    LeftButtonUp,  // the left mouse button released over the window or a trackbar
};

struct WindowEvent {
    WindowEventType type = WindowEventType::Control;
    int control = 0;  // the control concerned, 0 for the window itself
    ControlEventKind kind = ControlEventKind::Clicked;
};

}  // namespace tesselon

// The settings records are the program's truth; window 1's controls are their editor.
// These procedures copy values between the two. Direction kRead takes the controls
// into the records, kShow puts the records into the controls.
#pragma once

#include <string>
#include <string_view>

namespace tesselon {

struct AppState;
struct STRProcesosEntorno;
class ControlRegistry;
class Requesters;

enum class BindDirection { Show = 0, Read = 1 };

// Source mode and paths, download folder, extensions, subfolders, overwrite,
// destination, output format and quality; and which of the local and remote controls
// are visible.
void bindEnvironment(AppState& state, ControlRegistry& controls, BindDirection direction);

// Mirrors, rotation, background colour, text switch, inversion, grey scale, tint,
// contrast, resize and rotate-before-text.
void bindImageOps(AppState& state, ControlRegistry& controls, BindDirection direction);

// Phrases file, watermark switch, line spacing, transparencies, border colour and the
// font description. The watermark text and the position are not part of it.
void bindTextOverlay(AppState& state, ControlRegistry& controls, BindDirection direction);

// The nine position options. Show selects the option of TextoPosicion (none for a
// value that is not one of the nine); Read stores the first selected option's value
// and keeps the field when none is selected.
void bindTextPosition(AppState& state, ControlRegistry& controls, BindDirection direction);

// With `requesters`, first lets the user choose the font (a cancel changes nothing);
// then writes the description ("Arial, 24, Negrita") into its label and returns it.
std::string describeFont(AppState& state, ControlRegistry& controls, Requesters* requesters);

// Image counters ("0000003/0000120"), the phrase count in the phrases frame, the
// extensions of the last scan, and PROCESAR enabled only when there are images.
void showCounts(AppState& state, ControlRegistry& controls, int index);

// The free rotation angle as the spin keeps it: below 0 it wraps to 359, above 359 to 0.
int wrappedAngle(int angle);

// The line spacing factor as its label shows it, with two decimals ("2.00").
std::string lineSpacingText(double factor);
// The line spacing factor of a position of its trackbar: 1 + 0.2 x position.
float lineSpacingOf(int position);

// The main window's remote source choice names the protocol of the settings.
void showRemoteProtocol(const STRProcesosEntorno& env, ControlRegistry& controls);

// Writes a trackbar's position into the label beside it (the line spacing as its
// factor). False for a trackbar without one.
bool showTrackbarLevel(ControlRegistry& controls, int trackbar);

// Puts each trackbar's handle where the number its label shows says (the built-in
// texts' placeholders), so that a window not yet bound to any settings does not show a
// handle at one end beside a number from the middle of its range.
void placeTrackbarsAtTheirLabels(ControlRegistry& controls);

}  // namespace tesselon

// The system's requesters of window 1: open and save file, folder, colour and font.
// Every request goes through one call, so tests answer them from a script instead of
// showing dialogs.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

class QWidget;

namespace tesselon {

enum class RequesterKind { OpenFile, SaveFile, Folder, Colour, Font };

// A font with the effects the font requester offers: colour, underline, strike-out.
struct FontChoice {
    std::string face;
    int points = 0;
    uint32_t colour = 0;  // 0x00BBGGRR
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;

    bool operator==(const FontChoice&) const = default;
};

struct RequesterCall {
    RequesterKind kind = RequesterKind::OpenFile;
    std::string title;
    std::string initialPath;  // file requesters and the folder requester
    std::string filters;      // "description|pattern|description|pattern"
    uint32_t colour = 0;      // the colour requester's preset
    FontChoice font;          // the font requester's preset
};

// What the user chose. An empty path, or accepted false, is a cancel.
struct RequesterAnswer {
    bool accepted = false;
    std::string path;
    uint32_t colour = 0;
    FontChoice font;
};

class Requesters {
public:
    virtual ~Requesters() = default;
    virtual RequesterAnswer request(const RequesterCall& call) = 0;
};

// The requests of window 1 in the shape its handlers use. The path ones answer an
// empty text when cancelled; the colour one answers -1.
std::string openFileRequester(Requesters& r, std::string_view title, std::string_view initial,
                              std::string_view filters);
std::string saveFileRequester(Requesters& r, std::string_view title, std::string_view initial,
                              std::string_view filters);
std::string folderRequester(Requesters& r, std::string_view title, std::string_view initial);
int64_t colourRequester(Requesters& r, uint32_t preset);
std::optional<FontChoice> fontRequester(Requesters& r, const FontChoice& preset);

// "Texto (*.txt)|*.txt|Todos (*.*)|*.*" as Qt writes a filter list: one entry per
// pair, the pattern in brackets after the description unless the description already
// ends with it, entries joined by ";;". Several patterns of one entry may be separated
// by ";" and become blanks. A description without a pattern is kept as it is.
std::string qtFilterList(std::string_view filters);

// Shows the real dialog for the call, over `parent`.
RequesterAnswer showRequester(const RequesterCall& call, QWidget* parent);

}  // namespace tesselon

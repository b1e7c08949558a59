#include "ui/requesters.h"

#include <QColorDialog>
#include <QFileDialog>

#include "ui/colour_conversion.h"
#include "ui/font_requester.h"

namespace tesselon {

namespace {

QString toQ(std::string_view s) { return QString::fromUtf8(s.data(), qsizetype(s.size())); }

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    return s;
}

bool endsWith(std::string_view text, std::string_view tail) {
    return text.size() >= tail.size() && text.substr(text.size() - tail.size()) == tail;
}

}  // namespace

std::string openFileRequester(Requesters& r, std::string_view title, std::string_view initial,
                              std::string_view filters) {
    const RequesterAnswer a = r.request({RequesterKind::OpenFile, std::string(title), std::string(initial),
                                         std::string(filters), 0, {}});
    return a.accepted ? a.path : std::string();
}

std::string saveFileRequester(Requesters& r, std::string_view title, std::string_view initial,
                              std::string_view filters) {
    const RequesterAnswer a = r.request({RequesterKind::SaveFile, std::string(title), std::string(initial),
                                         std::string(filters), 0, {}});
    return a.accepted ? a.path : std::string();
}

std::string folderRequester(Requesters& r, std::string_view title, std::string_view initial) {
    const RequesterAnswer a =
        r.request({RequesterKind::Folder, std::string(title), std::string(initial), {}, 0, {}});
    return a.accepted ? a.path : std::string();
}

int64_t colourRequester(Requesters& r, uint32_t preset) {
    const RequesterAnswer a = r.request({RequesterKind::Colour, {}, {}, {}, preset & 0xFFFFFF, {}});
    return a.accepted ? int64_t(a.colour & 0xFFFFFF) : -1;
}

std::optional<FontChoice> fontRequester(Requesters& r, const FontChoice& preset) {
    const RequesterAnswer a = r.request({RequesterKind::Font, {}, {}, {}, 0, preset});
    if (!a.accepted) return std::nullopt;
    return a.font;
}

std::string qtFilterList(std::string_view filters) {
    std::string out;
    while (!filters.empty()) {
        const size_t bar = filters.find('|');
        const std::string_view description = filters.substr(0, bar);
        std::string_view pattern;
        if (bar == std::string_view::npos) {
            filters = {};
        } else {
            filters.remove_prefix(bar + 1);
            const size_t next = filters.find('|');
            pattern = filters.substr(0, next);
            filters = next == std::string_view::npos ? std::string_view() : filters.substr(next + 1);
        }
        std::string patterns(trimmed(pattern));
        for (char& c : patterns)
            if (c == ';') c = ' ';
        std::string entry(trimmed(description));
        if (!patterns.empty() && !endsWith(entry, "(" + patterns + ")"))
            entry += (entry.empty() ? "(" : " (") + patterns + ")";
        if (entry.empty()) continue;
        if (!out.empty()) out += ";;";
        out += entry;
    }
    return out;
}

RequesterAnswer showRequester(const RequesterCall& call, QWidget* parent) {
    RequesterAnswer answer;
    const QString title = toQ(call.title);
    const QString initial = toQ(call.initialPath);
    switch (call.kind) {
    case RequesterKind::OpenFile:
    case RequesterKind::SaveFile: {
        const QString filter = toQ(qtFilterList(call.filters));
        const QString chosen = call.kind == RequesterKind::OpenFile
                                   ? QFileDialog::getOpenFileName(parent, title, initial, filter)
                                   : QFileDialog::getSaveFileName(parent, title, initial, filter);
        answer.path = chosen.toStdString();
        answer.accepted = !answer.path.empty();
        break;
    }
    case RequesterKind::Folder: {
        answer.path = QFileDialog::getExistingDirectory(parent, title, initial).toStdString();
        answer.accepted = !answer.path.empty();
        break;
    }
    case RequesterKind::Colour: {
        const QColor chosen = QColorDialog::getColor(toQColor(call.colour), parent, title);
        answer.accepted = chosen.isValid();
        if (answer.accepted) answer.colour = fromQColor(chosen);
        break;
    }
    case RequesterKind::Font: {
        FontRequester dialog(call.font, parent);
        if (!title.isEmpty()) dialog.setWindowTitle(title);
        answer.accepted = dialog.exec() == QDialog::Accepted;
        if (answer.accepted) answer.font = dialog.choice();
        break;
    }
    }
    return answer;
}

}  // namespace tesselon

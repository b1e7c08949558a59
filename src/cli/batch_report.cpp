#include "cli/batch_report.h"

#include <cstdio>

#include "core/image_list.h"
#include "runtime/fs/text_codec.h"
#include "runtime/json/json_compose.h"
#include "runtime/json/json_value.h"

namespace tesselon {

namespace {

void setText(JsonObject& members, const std::string& key, const std::string& text) {
    members.set(key, JsonValue::makeString(validUtf8(text)));
}

// A name that is not valid UTF-8 also goes in exactly, under `rawKey`.
void setName(JsonObject& members, const std::string& key, const std::string& rawKey, const std::string& name) {
    const std::string valid = validUtf8(name);
    members.set(key, JsonValue::makeString(valid));
    if (valid != name) members.set(rawKey, JsonValue::makeString(percentEncodedName(name)));
}

}  // namespace

std::string percentEncodedName(const std::string& name) {
    std::string out;
    char escape[4];
    for (size_t pos = 0; pos < name.size();) {
        const size_t length = utf8SequenceLength(name, pos);
        if (length == 0 || name[pos] == '%') {
            std::snprintf(escape, sizeof escape, "%%%02X", static_cast<unsigned char>(name[pos]));
            out += escape;
            ++pos;
        } else {
            out.append(name, pos, length);
            pos += length;
        }
    }
    return out;
}

std::string composeBatchReport(const SourceImageList& list, const ReportNotes& notes) {
    JsonValue report = JsonValue::makeArray();
    for (size_t i = 0; i < list.entries.size(); ++i) {
        if (i < notes.inShare.size() && !notes.inShare[i]) continue;
        const SourceImageEntry& e = list.entries[i];
        JsonValue item = JsonValue::makeObject();
        JsonObject& members = *item.asObject();
        setName(members, "path", "rawPath", e.path);
        setName(members, "outputPath", "rawOutputPath", i < notes.resultPaths.size() ? notes.resultPaths[i] : e.outputPath);
        members.set("saved", JsonValue::makeBoolean(e.saved != 0));
        setText(members, "overlayText", e.overlayText);
        if (i < notes.reasons.size() && !notes.reasons[i].empty()) setText(members, "reason", notes.reasons[i]);
        if (i < notes.sameOutputAs.size() && notes.sameOutputAs[i] && *notes.sameOutputAs[i] < list.entries.size())
            setName(members, "sameOutputAs", "rawSameOutputAs", list.entries[*notes.sameOutputAs[i]].path);
        if (i < notes.skipped.size() && notes.skipped[i]) members.set("skipped", JsonValue::makeBoolean(true));
        if (i < notes.copied.size() && notes.copied[i]) members.set("copied", JsonValue::makeBoolean(true));
        if (!notes.shard.empty()) setText(members, "shard", notes.shard);
        if (i < notes.published.size() && notes.published[i] >= 0) {
            members.set("published", JsonValue::makeBoolean(notes.published[i] == 1));
            if (i < notes.publishReasons.size() && !notes.publishReasons[i].empty())
                setText(members, "publishReason", notes.publishReasons[i]);
        }
        report.asArray()->push_back(std::move(item));
    }
    for (const auto& [path, reason] : notes.unlisted) {
        JsonValue item = JsonValue::makeObject();
        JsonObject& members = *item.asObject();
        setName(members, "path", "rawPath", path);
        members.set("outputPath", JsonValue::makeString(""));
        members.set("saved", JsonValue::makeBoolean(false));
        members.set("overlayText", JsonValue::makeString(""));
        setText(members, "reason", reason);
        report.asArray()->push_back(std::move(item));
    }
    return composeJson(report) + "\n";
}

}  // namespace tesselon

#include "cli/batch_report.h"

#include "runtime/json/json_compose.h"
#include "runtime/json/json_value.h"
#include "core/image_list.h"

namespace tesselon {

std::string composeBatchReport(const SourceImageList& list) {
    JsonValue report = JsonValue::makeArray();
    for (const SourceImageEntry& e : list.entries) {
        JsonValue item = JsonValue::makeObject();
        JsonObject& members = *item.asObject();
        members.set("path", JsonValue::makeString(e.path));
        members.set("outputPath", JsonValue::makeString(e.outputPath));
        members.set("saved", JsonValue::makeBoolean(e.saved != 0));
        members.set("overlayText", JsonValue::makeString(e.overlayText));
        report.asArray()->push_back(std::move(item));
    }
    return composeJson(report) + "\n";
}

}  // namespace tesselon

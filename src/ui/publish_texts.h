// The desktop's words for the publishing of a batch's results: the progress window's
// text, the question about a result that failed, and what the end box adds.
#pragma once

#include <string>
#include <vector>

#include "sources/publish/publish_results.h"
#include "ui/message_box_text.h"

namespace tesselon {

inline constexpr const char* kPublishingText = "Publicando imágenes...";

// The progress window's text: the count once the first result is under way.
std::string publishProgressText(const PublishProgress& progress);

// Why one result did not reach the server, to follow its name.
std::string publishFailureReason(const PublishItemOutcome& outcome);

// The question whether to retry, skip or cancel a result that failed (Yes, No, Cancel).
MessageBoxText publishRetryQuestion(const FailedPublish& failed);

// How the publishing of a batch went, as its end box tells it.
struct PublishEnd {
    std::string folder;  // the publish folder, as the user typed it
    size_t total = 0;    // results it was to publish
    PublishOutcome outcome;
    std::vector<std::string> remotePaths;  // of each item, in the outcome's order
};

// The paragraph the end box adds: how many were published where, why the others were
// not (the first few by name), or why none could be.
std::string publishEndText(const PublishEnd& end);

// Whether the end box must be titled and marked as one with errors.
bool publishEndHasErrors(const PublishEnd& end);

}  // namespace tesselon

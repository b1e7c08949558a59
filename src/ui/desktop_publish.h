// The window's batch publishing its results: when the connection window names a publish
// folder, the results PROCESAR saved go up to the server beneath it, with the progress
// window and the download's retry questions, and the end box tells both.
#pragma once

#include <string>
#include <vector>

#include "core/image_list.h"
#include "core/records.h"
#include "sources/publish/publish_results.h"
#include "sources/remote_context.h"
#include "ui/publish_texts.h"

namespace tesselon {

struct BatchEnd;

// Whether the environment publishes the results of a batch: a publish folder is set.
bool publishesResults(const STRProcesosEntorno& env);

// The results `list` holds (the entries the last batch saved), each beneath the publish
// folder at its source's place below the scanned folder (the remote folder, or the
// local source folder), under the result's own name.
std::vector<PublishItem> publishItemsOf(const STRProcesosEntorno& env, const SourceImageList& list);

// Publishes the results `list` holds over the environment's connection, showing the
// progress and asking about failed results through the context's front end; the
// context's token (CANCELAR, the progress window's Cancelar) stops every upload in hand.
PublishEnd publishBatchResults(const RemoteContext& context, const STRProcesosEntorno& env,
                               const SourceImageList& list);

// The end of a batch that was not cancelled: published first when the environment asks
// for it (unless the batch stopped on a fault), then the end box.
void tellBatchEnd(const RemoteContext& context, const STRProcesosEntorno& env, const SourceImageList& list,
                  const BatchEnd& end);

}  // namespace tesselon

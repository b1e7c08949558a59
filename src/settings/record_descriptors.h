// The descriptors of the settings records: every field in declaration order under its
// stored name. The settings file's JSON lines are built from and read through these, so
// the order and the names fix the text of every file ever written.
#pragma once

#include "runtime/json/record_descriptor.h"
#include "core/records.h"

namespace tesselon {

const RecordDescriptor<STRConfig>& configDescriptor();
const RecordDescriptor<STRProcesosEntorno>& entornoDescriptor();
const RecordDescriptor<STRFuente>& fuenteDescriptor();
const RecordDescriptor<STRProcesosTexto>& textoDescriptor();
const RecordDescriptor<STRProcesosImage>& imageDescriptor();

}  // namespace tesselon

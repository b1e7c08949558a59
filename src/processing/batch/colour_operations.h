// The chain's colour operations, which change each pixel on its own: the whole picture
// or any band of its rows gives the same pixels.
#pragma once

#include "core/records.h"
#include "runtime/imaging/image_object.h"

namespace tesselon {

// The grey scale is the last colour operation and nothing is drawn before a quarter turn:
// the turn's copy then takes each pixel's grey as it goes, one read and one write of the
// picture instead of two of each. (A half turn copies along rows, where the grey scale's
// own pass is the quicker.)
bool greyDuringTurn(const STRProcesosImage& ops);

// Contrast, mirrors, grey scale (unless the turn takes it), negative and tint, in that order.
void applyColourOperations(ImageObject& img, const STRProcesosImage& ops, int threads);

}  // namespace tesselon

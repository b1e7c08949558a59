// The pixel filters and geometric transforms of the per-image chain, in one include.
#pragma once

#include "processing/filters/contrast.h"
#include "processing/filters/grey_scale.h"
#include "processing/filters/invert.h"
#include "processing/filters/mirror.h"
#include "processing/filters/resize_for_output.h"
#include "processing/filters/rotate_image.h"
#include "processing/filters/rotation_canvas.h"
#include "processing/filters/tint.h"

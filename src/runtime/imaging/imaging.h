// The imaging service in one include: images, codecs, resizing, saving and the handle table.
#pragma once

#include "runtime/imaging/codec_registry.h"
#include "runtime/imaging/image_object.h"
#include "runtime/imaging/image_operations.h"
#include "runtime/imaging/image_resize.h"
#include "runtime/imaging/image_save.h"
#include "runtime/imaging/image_table.h"

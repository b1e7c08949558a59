// createPath lives with the other file-system services; the output stage and the
// download of remote images both use it.
#pragma once

#include "runtime/fs/create_path.h"

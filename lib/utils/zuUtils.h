// zuUtils: the library's drawing routines and general utilities, the whole unit in one include.
// zuUtilsBase.h (library zu_utils_base) holds what the property groups and the colour scheme use,
// zuUtilsDrawing.h (library zu_utils) the routines that draw with them.
#pragma once

#include "lib/utils/zuUtilsBase.h"
#include "lib/utils/zuUtilsDrawing.h"

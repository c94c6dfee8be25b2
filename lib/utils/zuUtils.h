// zuUtils: the library's drawing routines and general utilities.
#pragma once

#include <cstdint>
#include <string>

#include "platform/system/SysUtils.h"

namespace zu {

// ---- Colour arithmetic (colors.cpp) ----

// ---- Styled text, boxes, bitmaps (text.cpp, boxes.cpp, bitmaps.cpp) ----

// ---- Window imaging and lookup (windows.cpp) ----

// ---- Arithmetic expression evaluator (calc.cpp) ----

// ---- String utilities (strings.cpp) ----

// ---- Component text streaming and system queries (system.cpp) ----

}  // namespace zu

// The framework's graphics unit: colours, geometry, fonts, pens, brushes, canvases and images.
#pragma once

#include "platform/graphics/Bitmaps.h"
#include "platform/graphics/Canvas.h"
#include "platform/graphics/Colors.h"
#include "platform/graphics/Geometry.h"
#include "platform/graphics/GraphicsObjects.h"
#include "platform/graphics/ImageFiles.h"

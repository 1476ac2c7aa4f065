// Pictures in the toolkit's terms: a surface seen as a QImage and a decoded QImage as a surface.
#pragma once

#include <QImage>

#include "platform/surface/surface.h"

namespace platform_detail {

// A QImage sharing the surface's memory (no copy); null for an empty surface.
QImage WrapSurface(Surface& s);
QImage WrapSurface(const Surface& s);
// The image's pixels as a surface (a copy); empty for a null image.
Surface SurfaceFromImage(const QImage& image);

}  // namespace platform_detail

// Conversions between the program's coordinates and the toolkit's on a scaled screen.
//
// The program works in device pixels: one program pixel is one screen pixel, so the scene
// is drawn at the screen's full resolution and stays sharp at any desktop scale. The toolkit
// places windows and controls in logical pixels, which are device pixels / ratio (ratio 2 on
// a desktop scaled to 200 %). Rectangles here have exclusive right and bottom edges.
#pragma once

#include "platform/surface/wintypes.h"

namespace platform_detail {

// Every device pixel that the logical rectangle touches (edges rounded outward).
RECT CoverInDevice(const RECT& logical, double ratio);
// The smallest logical rectangle that covers the device rectangle (edges rounded outward).
RECT CoverInLogical(const RECT& device, double ratio);
// Where a control given in device pixels stands in logical pixels, and back: each edge to
// the nearest pixel, so neighbouring controls neither overlap nor leave a gap between them.
RECT PlaceInLogical(const RECT& device, double ratio);
RECT PlaceInDevice(const RECT& logical, double ratio);

}  // namespace platform_detail

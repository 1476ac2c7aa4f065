// How a wallpaper covers the screen: the size it is scaled to, the part of it that shows, and
// where its copies go.
#include <algorithm>

#include "platform/desktop/placement.h"

namespace {

// Division rounding toward minus infinity (b > 0): tile indices left of and above the screen.
long long FloorDiv(long long a, long long b)
{
    return a / b - ((a % b != 0) && (a < 0) ? 1 : 0);
}

}  // namespace

namespace {

struct Axis {
    long long start = 0;  // clip start in scaled pixels
    long long length = 0;
    long long pos = 0;  // screen position of the clip's first copy
    bool repeat = false;
    bool covers = false;
};

// One direction of a placement: a copy of 'size' pixels at 'origin' on a screen of 'screen' pixels,
// repeated both ways when 'tiled'.
Axis PlaceAxis(long long origin, long long size, bool tiled, long long screen)
{
    Axis a;
    if (tiled) {
        const long long first = FloorDiv(-origin, size);
        const long long last = FloorDiv(screen - 1 - origin, size);
        const long long copy = origin + first * size;
        a.covers = true;
        if (first != last) {
            a.length = size;
            a.pos = copy;
            a.repeat = true;
            return a;
        }
        origin = copy;
    }
    const long long from = std::max(0LL, origin);
    const long long to = std::min(screen, origin + size);
    if (from >= to) {
        return {};
    }
    a.start = from - origin;
    a.length = to - from;
    a.pos = from;
    a.covers = a.covers || (origin <= 0 && origin + size >= screen);
    return a;
}

}  // namespace

WallpaperPlacement PlaceWallpaper(FillMode mode, int pictureWidth, int pictureHeight, WallpaperRect screen,
                                  WallpaperRect area)
{
    WallpaperPlacement place;
    if (mode == FillMode::None || pictureWidth <= 0 || pictureHeight <= 0 || screen.width <= 0 || screen.height <= 0 ||
        area.width <= 0 || area.height <= 0) {
        return place;
    }
    const long long pw = pictureWidth;
    const long long ph = pictureHeight;
    const long long aw = area.width;
    const long long ah = area.height;
    long long tw = pw;
    long long th = ph;
    bool centre = true;
    bool tileX = false;
    bool tileY = false;
    // Aspect-kept scaling, rounded to the nearest pixel: the side that decides matches exactly.
    const auto scaleTo = [&](bool cover) {
        const bool wider = pw * ah >= ph * aw;  // the picture is at least as wide as the area
        if (wider == cover) {
            th = ah;
            tw = std::max(1LL, (2 * pw * ah + ph) / (2 * ph));
        } else {
            tw = aw;
            th = std::max(1LL, (2 * ph * aw + pw) / (2 * pw));
        }
    };
    switch (mode) {
    case FillMode::None: return place;
    case FillMode::Stretched: tw = aw, th = ah; break;
    case FillMode::Zoom:
    case FillMode::Spanned: scaleTo(true); break;
    case FillMode::Scaled: scaleTo(false); break;
    case FillMode::Centered: break;
    case FillMode::Tiled: centre = false, tileX = tileY = true; break;
    case FillMode::TiledVertically: centre = false, tw = aw, tileY = true; break;
    case FillMode::TiledHorizontally: centre = false, th = ah, tileX = true; break;
    }
    // Sizes beyond any screen (a thin strip zoomed) are kept finite; only the clip is ever decoded.
    constexpr long long kLargest = 1LL << 24;
    tw = std::min(tw, kLargest);
    th = std::min(th, kLargest);
    const long long ox = area.x - screen.x + (centre ? (aw - tw) / 2 : 0);
    const long long oy = area.y - screen.y + (centre ? (ah - th) / 2 : 0);
    const Axis x = PlaceAxis(ox, tw, tileX, screen.width);
    const Axis y = PlaceAxis(oy, th, tileY, screen.height);
    place.width = static_cast<int>(tw);
    place.height = static_cast<int>(th);
    if (x.length == 0 || y.length == 0) {
        return place;
    }
    place.clip = {static_cast<int>(x.start), static_cast<int>(y.start), static_cast<int>(x.length),
                  static_cast<int>(y.length)};
    place.left = static_cast<int>(x.pos);
    place.top = static_cast<int>(y.pos);
    place.repeatX = x.repeat;
    place.repeatY = y.repeat;
    place.coversScreen = x.covers && y.covers;
    return place;
}

bool WallpaperPixelAt(const WallpaperPlacement& place, int x, int y, int& clipX, int& clipY)
{
    if (place.clip.width <= 0 || place.clip.height <= 0) {
        return false;
    }
    const auto along = [](int v, int pos, int length, bool repeat, int& out) {
        long long d = static_cast<long long>(v) - pos;
        if (repeat) {
            d -= FloorDiv(d, length) * length;
        }
        out = static_cast<int>(d);
        return d >= 0 && d < length;
    };
    return along(x, place.left, place.clip.width, place.repeatX, clipX) &&
           along(y, place.top, place.clip.height, place.repeatY, clipY);
}

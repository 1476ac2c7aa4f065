// Placement of a picture whose size comes from its file's header (any size a file may claim) on
// any screen: the kept part lies inside the scaled picture, and every screen pixel maps into it.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "platform/desktop/wallpaper.h"
#include "tests/fuzz/fuzz_checks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::int32_t v[11] = {};
    std::memcpy(v, data, std::min(size, sizeof v));
    const auto mode = static_cast<FillMode>(static_cast<std::uint32_t>(v[0]) % 9);
    const WallpaperRect screen{v[3] % 100000, v[4] % 100000, v[5] % 10000, v[6] % 10000};
    const WallpaperRect area{v[7] % 100000, v[8] % 100000, v[9] % 30000, v[10] % 30000};
    const WallpaperPlacement p = PlaceWallpaper(mode, v[1], v[2], screen, area);
    const WallpaperRect& c = p.clip;
    if (c.width <= 0 || c.height <= 0) {
        return 0;
    }
    Check(c.x >= 0 && c.y >= 0 && c.x + c.width <= p.width && c.y + c.height <= p.height,
          "the kept part reaches outside the scaled picture");
    // A repeated picture is kept whole in the direction it repeats; otherwise only what shows.
    Check((p.repeatX || c.width <= screen.width) && (p.repeatY || c.height <= screen.height),
          "the kept part is larger than the screen");
    for (int y = 0; y < screen.height; y += std::max(1, screen.height / 7)) {
        for (int x = 0; x < screen.width; x += std::max(1, screen.width / 7)) {
            int cx = -1;
            int cy = -1;
            if (WallpaperPixelAt(p, x, y, cx, cy)) {
                Check(cx >= 0 && cy >= 0 && cx < c.width && cy < c.height, "a screen pixel maps outside the kept part");
            }
        }
    }
    return 0;
}

// How a wallpaper covers the screen (placement.cpp): the size it is scaled to, the part of it that
// shows, and where its copies go.
#pragma once

// How a picture covers the screen, as desktops offer it.
enum class FillMode {
    None,               // no picture: the colour alone
    Stretched,          // to the screen's size, aspect ratio lost
    Zoom,               // aspect kept, covers the screen, the overflow cut off evenly
    Scaled,             // aspect kept, fits inside the screen, the colour around it
    Centered,           // own size, centred (cut off when larger than the screen)
    Tiled,              // own size, repeated from the top-left corner
    TiledVertically,    // stretched to the screen's width, repeated downwards
    TiledHorizontally,  // stretched to the screen's height, repeated to the right
    Spanned,            // zoomed over all screens together
};

struct WallpaperRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    friend bool operator==(const WallpaperRect&, const WallpaperRect&) = default;
};

// Where a picture goes on the screen. The picture is scaled to width x height; only 'clip' of it
// (in scaled pixels) is kept, and its top-left corner lands on screen pixel (left, top), repeated
// every clip.width / clip.height pixels in the directions that repeat.
struct WallpaperPlacement {
    int width = 0;
    int height = 0;
    WallpaperRect clip;
    int left = 0;
    int top = 0;
    bool repeatX = false;
    bool repeatY = false;
    bool coversScreen = false;  // no pixel of the screen is left to the colour
    friend bool operator==(const WallpaperPlacement&, const WallpaperPlacement&) = default;
};

// The placement of a pictureWidth x pictureHeight picture on 'screen'; 'area' is what the picture
// is laid over (the screen itself, or all screens for Spanned and the X root picture), in the same
// coordinates as 'screen'. An empty clip when nothing shows.
WallpaperPlacement PlaceWallpaper(FillMode mode, int pictureWidth, int pictureHeight, WallpaperRect screen,
                                  WallpaperRect area);

// For screen pixel (x, y): the pixel of the kept clip that shows there, or false where the colour shows.
bool WallpaperPixelAt(const WallpaperPlacement& place, int x, int y, int& clipX, int& clipY);

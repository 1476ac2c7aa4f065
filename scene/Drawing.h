// Colours and positions of the drawn keyboard and tree.
#pragma once

#include "platform/surface/wintypes.h"

// Colour of a point of the shaded stretch: green raised toward 255 by k/255 of the way,
// k = shadeHeight - (y - yFirst).
COLORREF ShadedColour(COLORREF base, int shadeHeight, int y, int yFirst);

// Where a key's legends go (rectangle edges as stored, both inclusive).
struct LegendSpot {
    int x;
    int y;
};
// A letter key's capital sits higher than the other keys' main legend.
LegendSpot MainLegendSpot(const RECT& key, bool letter);
LegendSpot ShiftLegendSpot(const RECT& key);
// The font of a key's legends, as CreateFont is asked for it: cell height and average character
// width in pixels. Sized from the key, so that the shifted legend (a tenth of the way down) and
// the main one (half way down) both stand inside the cap's face, and 'chars' characters drawn a
// third of the way across end inside its right rim, at every screen size.
struct LegendFont {
    int height;
    int width;
};
LegendFont KeyLegendFont(const RECT& key, int chars);

// The AltGr character's spot, at the cap's lower right, for a font about 9/20 of the key's height.
LegendSpot AltGrLegendSpot(const RECT& key);
constexpr COLORREF kAltGrLegendColour = RGB(0, 40, 190);

// The apple's character: a face whose l, I, 1, O and 0 all differ, in a cell of AppleGlyphHeight
// pixels: larger for the small marks (' , ` . - = ; and the like), which would be specks otherwise.
constexpr const char* kAppleFace = "DejaVu Sans Mono";
int AppleGlyphHeight(char32_t shown);
// Where to draw text so that the middle of its ink box (relative to the text's origin, right and
// bottom exclusive) lands on 'centre'.
POINT CentredTextOrigin(POINT centre, const RECT& ink);
// The label of a bottom-row key, by column.
const char* BottomRowLabel(int col);

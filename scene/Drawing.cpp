#include "scene/Drawing.h"

#include <algorithm>

COLORREF ShadedColour(COLORREF base, int shadeHeight, int y, int yFirst)
{
    const int r = GetRValue(base);
    const int g = GetGValue(base);
    const int b = GetBValue(base);
    const int k = shadeHeight - (y - yFirst);
    const int raised = static_cast<int>(k * (255 - g) * (1.0 / 255) + g);
    return RGB(r, raised, b);
}

LegendSpot MainLegendSpot(const RECT& key, bool letter)
{
    const int x = key.left + (key.right - key.left) / 3;
    if (letter) {
        return {x, key.top + (key.bottom - key.top) / 4};
    }
    return {x, key.top + (key.bottom - key.top) / 2};
}

LegendSpot ShiftLegendSpot(const RECT& key)
{
    return {key.left + (key.right - key.left) / 3, key.top + (key.bottom - key.top) / 10};
}

LegendFont KeyLegendFont(const RECT& key, int chars)
{
    const int h = key.bottom - key.top;
    const int w = key.right - key.left;
    // The cap's dark border takes the outer twentieth of the key on each side. A main legend
    // half way down, with its descender, ends above the bottom border when its cell is under 0.44
    // of the key's height; the shifted legend a tenth of the way down then ends above it.
    const int height = std::max(8, h * 44 / 100);
    // From a third of the way across to the right border, with room for glyphs wider than the
    // average (the widest are held to 1.6 average widths).
    const int room = w * 2 / 3 - w / 20;
    const int perChar = chars <= 1 ? room * 10 / 16 : room * 10 / (chars * 11);
    const int width = std::max(4, std::min(height * 17 / 20, perChar));
    return {height, width};
}

LegendSpot AltGrLegendSpot(const RECT& key)
{
    return {key.left + (key.right - key.left) * 2 / 3, key.top + (key.bottom - key.top) / 2};
}

int AppleGlyphHeight(char32_t shown)
{
    static constexpr char32_t kSmallMarks[] = U"`',.-=;:\"_~^";
    for (const char32_t c : kSmallMarks) {
        if (c != 0 && c == shown) {
            return 56;
        }
    }
    return 36;
}

POINT CentredTextOrigin(POINT centre, const RECT& ink)
{
    return POINT{centre.x - (ink.left + ink.right) / 2, centre.y - (ink.top + ink.bottom) / 2};
}

const char* BottomRowLabel(int col)
{
    static constexpr const char* kLabels[7] = {"Ctrl", "Win", "Alt", "Space", "Alt", "Win", "Ctrl"};
    return col >= 0 && col < 7 ? kLabels[col] : "";
}

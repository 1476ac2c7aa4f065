#include "scene/Drawing.h"

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

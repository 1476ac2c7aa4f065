// Colours and positions of the painted scene.
#pragma once

#include <string>

#include "platform/wintypes.h"

// Base colour of the lower trunk and the foot. The gradient raises its green toward the crown,
// so the trunk turns from bark brown at the foot to a mossy olive where it meets the crown.
constexpr COLORREF kTrunkColour = RGB(176, 112, 58);
constexpr COLORREF kTreeGreen = RGB(0, 255, 0);

// Colour of a point of the shaded stretch: green raised toward 255 by k/255 of the way,
// k = shadeHeight - (y - yFirst).
COLORREF ShadedColour(COLORREF base, int shadeHeight, int y, int yFirst);

// Where a key's legends go (rectangle edges as stored, both inclusive).
struct LegendSpot {
    int x;
    int y;
};
LegendSpot MainLegendSpot(const RECT& key, char shown);
LegendSpot ShiftLegendSpot(const RECT& key);
// The label of a bottom-row key, by column.
const char* BottomRowLabel(int col);

// Colours and positions of the drawn keyboard and tree.
#pragma once

#include "platform/wintypes.h"

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
// The label of a bottom-row key, by column.
const char* BottomRowLabel(int col);

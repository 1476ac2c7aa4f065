// Which finger strikes a key, and where its mark sits on the hand pictures.
#pragma once

#include "platform/surface/wintypes.h"

// Finger number 0 index, 1 middle, 2 ring, 3 little, for the hand HandOfKey gives the key.
int FingerNumber(int row, int col);

// Mark centre of a finger relative to the hand picture's top-left; bRight 0 the left hand.
POINT FingerMark(int bRight, int finger);

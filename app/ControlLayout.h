// Where the practice window's controls go for a screen of W x H pixels.
#pragma once

#include "platform/wintypes.h"

struct ControlLayout {
    RECT start, help, exit, report;
    RECT set[4];
};

// bw x bh: the Start button's size from the template; setW/setH: the four check boxes' sizes.
ControlLayout ComputeControlLayout(int W, int H, int bw, int bh, const int (&setW)[4], const int (&setH)[4]);

// Where the practice window's controls go for a screen of W x H pixels.
#pragma once

#include "platform/wintypes.h"

struct ControlLayout {
    RECT start, help, exit, report;
    RECT set[4];
};

// bw x bh: the Start button's size from the template. setW x setH: the four check boxes' sizes from
// the template, i.e. each box with its caption on one line (setW holds the widest caption of any
// language; setH is one line tall). Where the screen is too narrow for that, the boxes narrow and
// their captions wrap onto more lines, each kCaptionLinePitch pixels more. All rectangles exclude
// their right and bottom edges.
ControlLayout ComputeControlLayout(int W, int H, int bw, int bh, const int (&setW)[4], const int (&setH)[4]);

// Pixels a check box grows by for each further caption line (a 12-pixel caption's line height).
constexpr int kCaptionLinePitch = 14;

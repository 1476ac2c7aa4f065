// Where the practice window's controls go for a screen of W x H pixels.
#pragma once

#include "platform/surface/wintypes.h"

struct ControlLayout {
    RECT start, help, exit, report;
    RECT set[4];
};

// All sizes are device pixels. bw x bh: the Start button's size from the template. setW x setH: the
// four check boxes' sizes with their captions on one line (setH[0] is taken as the row's height).
// The buttons and report box stand where the practice window has always had them, and the check
// boxes in one row between the keyboard and the buttons, where that leaves every key clear. Where
// it does not (a low screen, large controls on a scaled desktop, long captions), the check boxes
// go into two or four rows, or their captions wrap, and they and the buttons go above the hand
// prompts, under the lowest apple letters where there is room. Rectangles exclude their right
// and bottom edges; no control covers a key, a hand prompt or another control, or leaves the
// screen.
ControlLayout ComputeControlLayout(int W, int H, int bw, int bh, const int (&setW)[4], const int (&setH)[4]);

// Constant pixel outlines of the scene: the tree and the apple that hangs in its crown.
#pragma once

#include "platform/surface/wintypes.h"

constexpr int kTreePointCount = 2597;
constexpr int kApplePointCount = 193;

// Closed chain of one- or two-pixel steps, clockwise on the screen, in the tree's own
// frame: x 0..700, y 0..492, y growing downwards.
extern const POINT TreeOutline[kTreePointCount];

// Closed chain of 8-neighbours, in the tree's frame: x 537..590, y 310..380.
extern const POINT AppleOutline[kApplePointCount];

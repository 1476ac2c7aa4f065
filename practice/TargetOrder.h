// The order in which a practice set's targets are asked: passes of random permutations.
#pragma once

#include "practice/KeyboardModel.h"

// Sizes of the four practice sets: letters; letters with case; and digits; and symbols.
constexpr int kSetSizes[4] = {26, 52, 62, 70};
constexpr int kMaxSetSize = 70;

// A new pass of target numbers 0..n-1 in order[0..n-1], drawn with the standard generator
// seeded with 'seed' (the time in whole seconds): each step picks rand() % (numbers left)
// from the remaining numbers, kept in ascending order.
void ShuffleOrder(int n, unsigned seed, int (&order)[kTargetCount]);

// Drops the answered target at order[0]. Returns true when the pass is used up.
bool AdvanceOrder(int (&order)[kTargetCount], int& left);
